#include "engine/tables.h"

const BoardRow BoardTable[kBoardCount] = {
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

const int16_t SkillTable[kSkillCount] = {6, 10, 15, 20, 25, 30, 40, 50, 62, 75, 87, 100};

namespace {

struct StatusRow {
  const char* text;
  Colour colour;
};

const StatusRow kStatusTable[] = {
    {"", 0x000000},       {"Watch", 0x00FF00},    {"Your turn", 0xFFFF00}, {"OK", 0x0080FF},
    {"Wrong!", 0xFF0000}, {"You win!", 0xFF40C0}, {"Free play", 0x00FFFF},
};

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
