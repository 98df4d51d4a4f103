#include "engine/tables.h"

#include <gtest/gtest.h>

// The grids, key lines, notes and colours as the game shows them. That every square has
// one key, a note with a sound and a colour is checked where the tables are compiled.
TEST(Tables, BoardGridsKeysNotesAndColours) {
  const int16_t columns[] = {2, 2, 3, 3, 4, 4, 5};
  const int16_t rows[] = {1, 2, 2, 3, 3, 4, 4};
  const char* const keys[] = {"df",
                              "erdf",
                              "wersdf",
                              "wersdfxcv",
                              "qwerasdfzxcv",
                              "1234qwerasdfzxcv",
                              "12345qwertasdfgzxcvb"};
  for (int16_t b = 0; b < kBoardCount; ++b) {
    SCOPED_TRACE(b);
    EXPECT_EQ(BoardColumns(b), columns[b]);
    EXPECT_EQ(BoardRows(b), rows[b]);
    EXPECT_STREQ(BoardKeyMap(b), keys[b]);
  }
  for (int16_t s = 0; s < 20; ++s) EXPECT_EQ(SquareNote(6, s), 53 + s);
  EXPECT_EQ(SquareColour(6, 19), 0x708090u);
  EXPECT_EQ(SquareColour(3, 8), 0xD000FFu);
  // Board 6 has two squares of one colour, told apart by note and key.
  EXPECT_EQ(SquareColour(5, 2), 0x90EE90u);
  EXPECT_EQ(SquareColour(5, 7), 0x90EE90u);
  EXPECT_EQ(SquareNote(5, 2), 56);
  EXPECT_EQ(SquareNote(5, 7), 62);
}

TEST(Tables, KeyLookupIsExactAndCaseSensitive) {
  EXPECT_EQ(SquareForKey(0, 'd'), 0);
  EXPECT_EQ(SquareForKey(0, 'f'), 1);
  EXPECT_EQ(SquareForKey(5, '3'), 2);
  EXPECT_EQ(SquareForKey(4, '3'), -1);
  EXPECT_EQ(SquareForKey(1, 'r'), 1);
  EXPECT_EQ(SquareForKey(1, 'R'), -1);
  for (int16_t b = 0; b < kBoardCount; ++b) {
    EXPECT_EQ(SquareForKey(b, 'F'), -1);
    EXPECT_EQ(SquareForKey(b, '\0'), -1) << "the terminator is no key";
  }
}

TEST(Tables, SkillsAndStatusWords) {
  const int16_t targets[] = {6, 10, 15, 20, 25, 30, 40, 50, 62, 75, 87, 100};
  for (int16_t i = 0; i < kSkillCount; ++i) EXPECT_EQ(TargetLength(i), targets[i]);
  EXPECT_STREQ(StatusText(GameState::Idle), "");
  EXPECT_STREQ(StatusText(GameState::YourTurn), "Your turn");
  EXPECT_STREQ(StatusText(GameState::Wrong), "Wrong!");
  EXPECT_STREQ(StatusText(GameState::YouWin), "You win!");
  EXPECT_STREQ(StatusText(GameState::FreePlay), "Free play");
  EXPECT_EQ(StatusColour(GameState::Watch), 0x00FF00u);
  EXPECT_EQ(StatusColour(GameState::SequenceOk), 0x0080FFu);
  EXPECT_EQ(StatusColour(GameState::YouWin), 0xFF40C0u);
  EXPECT_EQ(StatusColour(GameState::FreePlay), 0x00FFFFu);
}
