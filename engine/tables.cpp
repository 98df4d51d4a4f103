#include "engine/tables.h"

#include "engine/game.h"

namespace {

constexpr BoardRow BoardTable[kBoardCount] = {
    {"df", {55, 62}, {0xFF0000, 0x00FF00}},
    {"erdf", {58, 62, 65, 70}, {0xFF0000, 0x00FF00, 0xFFE000, 0x0040FF}},
    {"wersdf",
     {53, 55, 58, 60, 62, 65},
     {0xFF0000, 0x00C000, 0xFFE000, 0x0040FF, 0xFF00FF, 0x00FFFF}},
    {"wersdfxcv",
     {53, 58, 60, 62, 63, 65, 67, 69, 70},
     {0x80FF00, 0x00C000, 0x00C0FF, 0xFFE000, 0xFFE0C0, 0x0060FF, 0xFF8000, 0xC00000, 0xD000FF}},
    {"qwerasdfzxcv",
     {53, 55, 57, 58, 60, 62, 64, 65, 67, 69, 70, 72},
     {0xFF0000, 0x0080FF, 0x008000, 0xFFE000, 0xFFA500, 0xE040FF, 0x0060FF, 0xC0E0FF, 0x00FFFF,
      0x80FF00, 0x802A2A, 0x40BB5C}},
    {"1234qwerasdfzxcv",
     {53, 55, 56, 57, 58, 60, 61, 62, 63, 64, 65, 67, 68, 69, 70, 72},
     {0xFF8080, 0xFF1493, 0x90EE90, 0x2E8B57, 0xFF64FF, 0x00FFFF, 0x4080E6, 0x90EE90, 0xB0E0E6,
      0xF5F5DC, 0xFFE000, 0x7FFF00, 0x708090, 0xFF0000, 0x8B008B, 0xFF69B4}},
    {"12345qwertasdfgzxcvb",
     {53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 72},
     {0x00FFFF, 0xF5F5DC, 0xA52A2A, 0x7FFF00, 0x006400, 0x8B008B, 0xFF1493,
      0x00BFFF, 0xFFD700, 0xFF69B4, 0xCD5C5C, 0x808000, 0x90EE90, 0xFFA500,
      0xDA70D6, 0xB0E0E6, 0xFF0000, 0xFA8072, 0x2EBD57, 0x708090}},
};

// Target lengths by skill index.
constexpr int16_t SkillTable[kSkillCount] = {6, 10, 15, 20, 25, 30, 40, 50, 62, 75, 87, 100};

struct StatusRow {
  const char* text;
  Colour colour;
};

// By GameState value.
constexpr StatusRow kStatusTable[] = {
    {"", 0x000000},       {"Watch", 0x00FF00},    {"Your turn", 0xFFFF00}, {"OK", 0x0080FF},
    {"Wrong!", 0xFF0000}, {"You win!", 0xFF40C0}, {"Free play", 0x00FFFF},
};

// What a changed row could break, checked as the program is compiled.

constexpr bool EveryBoardFitsTheLargestGrid() {
  for (int16_t b = 0; b < kBoardCount; ++b) {
    if (BoardSquares(b) > kMaxSquares) return false;
  }
  return true;
}
static_assert(EveryBoardFitsTheLargestGrid(),
              "BoardTable: a board has more squares than a row has slots (kMaxSquares)");

constexpr int KeyCount(const char* keys) {
  int count = 0;
  while (keys[count] != '\0') ++count;
  return count;
}

constexpr bool EachKeyLineHasOneKeyPerSquare() {
  for (int16_t b = 0; b < kBoardCount; ++b) {
    if (KeyCount(BoardTable[b].keyMap) != BoardSquares(b)) return false;
  }
  return true;
}
static_assert(EachKeyLineHasOneKeyPerSquare(),
              "BoardTable: a key line does not have as many keys as its board has squares");

constexpr bool NoKeyServesTwoSquares() {
  for (int16_t b = 0; b < kBoardCount; ++b) {
    const char* keys = BoardTable[b].keyMap;
    for (int i = 0; keys[i] != '\0'; ++i) {
      for (int j = i + 1; keys[j] != '\0'; ++j) {
        if (keys[i] == keys[j]) return false;
      }
    }
  }
  return true;
}
static_assert(NoKeyServesTwoSquares(),
              "BoardTable: a key line names one key twice, and its second square has no key");

constexpr bool EveryNoteHasASound() {
  for (int16_t b = 0; b < kBoardCount; ++b) {
    for (int16_t s = 0; s < BoardSquares(b) && s < kMaxSquares; ++s) {
      const int16_t note = BoardTable[b].notes[s];
      if (note < kLowestNote || note > kHighestNote) return false;
    }
  }
  return true;
}
static_assert(EveryNoteHasASound(),
              "BoardTable: a square has no note, or one outside the sound set "
              "(kLowestNote to kHighestNote)");

constexpr bool SlotsBeyondTheSquaresAreEmpty() {
  for (int16_t b = 0; b < kBoardCount; ++b) {
    for (int16_t s = BoardSquares(b); s < kMaxSquares; ++s) {
      if (BoardTable[b].notes[s] != 0 || BoardTable[b].colours[s] != 0x000000) return false;
    }
  }
  return true;
}
static_assert(SlotsBeyondTheSquaresAreEmpty(),
              "BoardTable: a row has more notes or colours than its board has squares");

constexpr bool EveryTargetFitsTheSequence() {
  for (int16_t target : SkillTable) {
    if (target < 1 || target > kSequenceCapacity) return false;
  }
  return true;
}
static_assert(EveryTargetFitsTheSequence(),
              "SkillTable: a target length below 1 or beyond the sequence (kSequenceCapacity)");

static_assert(static_cast<int>(sizeof kStatusTable / sizeof kStatusTable[0]) ==
                  static_cast<int>(GameState::FreePlay) + 1,
              "kStatusTable: one row for every GameState");

bool IsSlot(int16_t square) { return square >= 0 && square < kMaxSquares; }

}  // namespace

const char* BoardKeyMap(int16_t board) { return BoardTable[board].keyMap; }

int16_t SquareNote(int16_t board, int16_t square) {
  return IsSlot(square) ? BoardTable[board].notes[square] : 0;
}

Colour SquareColour(int16_t board, int16_t square) {
  return IsSlot(square) ? BoardTable[board].colours[square] : 0x000000;
}

int16_t TargetLength(int16_t skill) { return SkillTable[skill]; }

const char* StatusText(GameState state) { return kStatusTable[static_cast<int>(state)].text; }

Colour StatusColour(GameState state) { return kStatusTable[static_cast<int>(state)].colour; }

int16_t SquareForKey(int16_t board, char key) {
  const char* keys = BoardKeyMap(board);
  for (int16_t i = 0; i < BoardSquares(board); ++i) {
    if (keys[i] == key) return i;
  }
  return -1;
}
