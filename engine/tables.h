// Constant tables of the game: boards, skills and the status word of each state. The
// tables themselves are in tables.cpp, where the compiler checks every row.
#pragma once

#include <cstdint>

// A 24-bit colour as 0xRRGGBB.
using Colour = uint32_t;

enum class GameState : int16_t {
  Idle = 0,        // no game; nothing timed
  Watch = 1,       // the computer plays the sequence
  YourTurn = 2,    // the player repeats it
  SequenceOk = 3,  // whole sequence repeated; short pause
  Wrong = 4,       // wrong square or too slow; game over
  YouWin = 5,      // target reached; game over
  FreePlay = 6,    // the player presses squares at will
};

constexpr int16_t kBoardCount = 7;
constexpr int16_t kSkillCount = 12;
constexpr int16_t kMaxSquares = 20;  // slots of every note and colour row: the largest grid

// The notes the boards may use: the sound set has one sound for each of them.
constexpr int16_t kLowestNote = 53;   // F3
constexpr int16_t kHighestNote = 72;  // C5

struct BoardRow {
  const char* keyMap;           // i-th character is the key of square i
  int16_t notes[kMaxSquares];   // MIDI note numbers; unused slots 0
  Colour colours[kMaxSquares];  // unused slots black
};

// Board geometry. The board index is never negative.
constexpr int16_t BoardColumns(int16_t board) { return static_cast<int16_t>(board / 2 + 2); }
constexpr int16_t BoardRows(int16_t board) { return static_cast<int16_t>((board + 1) / 2 + 1); }
constexpr int16_t BoardSquares(int16_t board) {
  return static_cast<int16_t>(BoardColumns(board) * BoardRows(board));
}

constexpr bool IsBoardIndex(int16_t board) { return board >= 0 && board < kBoardCount; }
constexpr bool IsSkillIndex(int16_t skill) { return skill >= 0 && skill < kSkillCount; }

const char* BoardKeyMap(int16_t board);
int16_t SquareNote(int16_t board, int16_t square);
Colour SquareColour(int16_t board, int16_t square);
int16_t TargetLength(int16_t skill);
const char* StatusText(GameState state);
Colour StatusColour(GameState state);

// First square of the board whose key is exactly `key` (case-sensitive), or -1.
int16_t SquareForKey(int16_t board, char key);
