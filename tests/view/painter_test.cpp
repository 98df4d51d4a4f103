// What the painter draws in each state, in which colours and order.
#include "view/painter.h"

#include <gtest/gtest.h>

#include "tests/support/recording_canvas.h"

namespace {

using Line = RecordingCanvas::Line;

struct Painted {
  RecordingCanvas canvas;
  Painted(const GameSession& game, int32_t w, int32_t h, int16_t fontSize = 12) {
    PaintWindow(game, BoardLayout{w, h, fontSize}, canvas);
    EXPECT_EQ(canvas.fault, "");
  }
};

GameSession Session(GameState state, int16_t board = 1, int16_t lit = -1) {
  GameSession game;
  game.state = state;
  game.boardIndex = board;
  game.skillIndex = 1;
  game.squareCount = BoardSquares(board);
  game.sequenceLength = 3;
  game.targetLength = 10;
  game.litSquare = lit;
  return game;
}

TEST(PaintGrid, DottedLinesInWindowTextColourOverTheBoard) {
  const Painted p(Session(GameState::Idle), 640, 480);
  const Colour c = p.canvas.windowText;
  const std::vector<Line> expected = {
      {0, 0, 0, 480, c}, {240, 0, 240, 480, c}, {480, 0, 480, 480, c},
      {0, 0, 480, 0, c}, {0, 239, 480, 239, c}, {0, 479, 480, 479, c},
  };
  EXPECT_EQ(p.canvas.lines, expected);
  EXPECT_TRUE(p.canvas.texts.empty());  // an idle panel is blank
  EXPECT_TRUE(p.canvas.fills.empty());
}

TEST(PaintGrid, OneRowBoardAndEveryState) {
  const Painted p(Session(GameState::Watch, 0), 400, 300);
  const Colour c = p.canvas.windowText;
  const std::vector<Line> expected = {
      {0, 0, 0, 300, c}, {150, 0, 150, 300, c}, {300, 0, 300, 300, c},
      {0, 0, 300, 0, c}, {0, 299, 300, 299, c},
  };
  EXPECT_EQ(p.canvas.lines, expected);
  for (int s = 0; s <= 6; ++s) {
    const Painted q(Session(static_cast<GameState>(s), 6), 1000, 700);
    EXPECT_EQ(q.canvas.lines.size(), 6u + 5u) << s;
  }
}

TEST(PaintStatusPanel, FiveLinesInTheirBandsInEveryStateButIdle) {
  struct {
    GameState state;
    const char* word;
    Colour colour;
  } const words[] = {
      {GameState::Watch, "Watch", 0x00FF00},     {GameState::YourTurn, "Your turn", 0xFFFF00},
      {GameState::SequenceOk, "OK", 0x0080FF},   {GameState::Wrong, "Wrong!", 0xFF0000},
      {GameState::YouWin, "You win!", 0xFF40C0}, {GameState::FreePlay, "Free play", 0x00FFFF},
  };
  for (const auto& w : words) {
    GameSession game = Session(w.state, 1);
    const bool free = w.state == GameState::FreePlay;
    if (free) game.sequenceLength = game.targetLength = 0;
    const Painted p(game, 640, 480, 9);
    const auto& texts = p.canvas.texts;
    ASSERT_EQ(texts.size(), 5u);
    const char* expected[] = {"Skill: 2", "Board: 2", free ? "Length: 0" : "Length: 3",
                              free ? "Target: 0" : "Target: 10", w.word};
    for (int k = 0; k < 5; ++k) {
      SCOPED_TRACE(expected[k]);
      EXPECT_EQ(texts[k].text, expected[k]);
      EXPECT_EQ(texts[k].rect, (Rect{485, 60 * k, 640, 60 * (k + 1)}));
      EXPECT_EQ(texts[k].align, k < 4 ? TextAlign::Left : TextAlign::Centre);
      EXPECT_EQ(texts[k].colour, k < 4 ? p.canvas.windowText : w.colour);
      EXPECT_EQ(texts[k].points, 9);
    }
  }
}

TEST(PaintStatusPanel, ShortPanelAndSixteenBitNumbers) {
  GameSession game = Session(GameState::YouWin, 6);
  game.skillIndex = 11;
  game.sequenceLength = game.targetLength = 100;
  const Painted p(game, 640, 100);
  const int32_t bands[] = {0, 12, 25, 37, 50, 62};
  const char* lines[] = {"Skill: 12", "Board: 7", "Length: 100", "Target: 100", "You win!"};
  ASSERT_EQ(p.canvas.texts.size(), 5u);
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(p.canvas.texts[k].text, lines[k]);
    EXPECT_EQ(p.canvas.texts[k].rect, (Rect{485, bands[k], 640, bands[k + 1]}));
  }
  game.sequenceLength = -7;  // formatted as a signed 16-bit value
  game.skillIndex = INT16_MAX;
  const Painted q(game, 640, 100);
  EXPECT_EQ(q.canvas.texts[0].text, "Skill: -32768");
  EXPECT_EQ(q.canvas.texts[2].text, "Length: -7");
}

TEST(PaintSquares, LitSquareOnlyWhateverTheState) {
  for (int s = 0; s <= 6; ++s) {
    if (static_cast<GameState>(s) == GameState::YouWin) continue;
    const Painted dark(Session(static_cast<GameState>(s), 1, -1), 640, 480);
    EXPECT_TRUE(dark.canvas.fills.empty()) << s;
    const Painted lit(Session(static_cast<GameState>(s), 1, 2), 640, 480);
    ASSERT_EQ(lit.canvas.fills.size(), 1u) << s;
    EXPECT_EQ(lit.canvas.fills[0].rect, (Rect{5, 244, 235, 474}));
    EXPECT_EQ(lit.canvas.fills[0].colour, 0xFFE000u);
  }
}

TEST(PaintSquares, WinFillsEveryRegardlessOfTheLitSquare) {
  const Painted p(Session(GameState::YouWin, 5, 3), 800, 600);
  const auto& fills = p.canvas.fills;
  ASSERT_EQ(fills.size(), 16u);
  for (int16_t i = 0; i < 16; ++i) {
    EXPECT_EQ(fills[i].rect, SquareRect(BoardLayout{800, 600}, 5, i)) << i;
    EXPECT_EQ(fills[i].colour, SquareColour(5, i)) << i;
  }
  EXPECT_EQ(fills[2].colour, fills[7].colour);
  EXPECT_EQ(fills[7].colour, 0x90EE90u);
}

TEST(PaintSquares, SquareFromAnotherBoardIsDrawnOutsideTheGrid) {
  const Painted p(Session(GameState::Idle, 0, 19), 640, 480);
  ASSERT_EQ(p.canvas.fills.size(), 1u);
  EXPECT_GE(p.canvas.fills[0].rect.top, 479);
  const Painted q(Session(GameState::FreePlay, 0, INT16_MIN), 640, 480);
  EXPECT_EQ(q.canvas.fills.size(), 1u);
}

TEST(PaintWindow, GridThenPanelThenSquares) {
  const Painted p(Session(GameState::YouWin, 1), 640, 480);
  EXPECT_EQ(p.canvas.drawOrder,
            "llllll"
            "ttttt"
            "ffff");
}

}  // namespace
