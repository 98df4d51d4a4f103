// Geometry of the client area and the hit test, on the sizes worked out by hand.
#include "view/layout.h"

#include <gtest/gtest.h>

#include <climits>

#include "tests/support/recording_canvas.h"

namespace {

TEST(Layout, Client640x480OnTwoByTwo) {
  const BoardLayout l{640, 480};
  EXPECT_EQ(BoardWidth(l), 480);
  EXPECT_EQ(GridX(l, 1, 0), 0);
  EXPECT_EQ(GridX(l, 1, 1), 240);
  EXPECT_EQ(GridX(l, 1, 2), 480);
  EXPECT_EQ(GridY(l, 1, 0), 0);
  EXPECT_EQ(GridY(l, 1, 1), 239);
  EXPECT_EQ(GridY(l, 1, 2), 479);
  EXPECT_EQ(SquareRect(l, 1, 0), (Rect{5, 5, 235, 234}));
  EXPECT_EQ(SquareRect(l, 1, 1), (Rect{245, 5, 475, 234}));
  EXPECT_EQ(SquareRect(l, 1, 2), (Rect{5, 244, 235, 474}));
  EXPECT_EQ(SquareRect(l, 1, 3), (Rect{245, 244, 475, 474}));
  EXPECT_EQ(StatusPanelRect(l), (Rect{485, 0, 640, 480}));
}

TEST(Layout, HitTestOn640x480) {
  const BoardLayout l{640, 480};
  struct {
    uint16_t x, y;
    int16_t square;
  } const cases[] = {
      {0, 0, 0},      {239, 238, 0}, {240, 0, 1},   {0, 239, 2},   {479, 477, 3},
      {479, 478, -1}, {480, 10, -1}, {481, 10, -1}, {639, 10, -1}, {65535, 65535, -1},
  };
  for (const auto& c : cases) EXPECT_EQ(HitTest(l, 1, c.x, c.y), c.square) << c.x << "," << c.y;
}

TEST(Layout, Width1000OnFourByThreeFormsProductsFirst) {
  const BoardLayout l{1000, 400};
  const int32_t lines[] = {0, 187, 375, 562, 750};
  for (int i = 0; i <= 4; ++i) EXPECT_EQ(GridX(l, 4, i), lines[i]) << i;
  EXPECT_EQ(HitTest(l, 4, 186, 0), 0);
  EXPECT_EQ(HitTest(l, 4, 187, 0), 1);
  EXPECT_EQ(HitTest(l, 4, 561, 0), 3);
  EXPECT_EQ(HitTest(l, 4, 747, 0), 3);
  for (uint16_t x = 748; x <= 751; ++x) EXPECT_EQ(HitTest(l, 4, x, 0), -1) << x;
  EXPECT_EQ(SquareRect(l, 4, 3).right, 745);
}

TEST(Layout, OddWidthsTruncate) {
  EXPECT_EQ(BoardWidth(BoardLayout{641, 1}), 480);
  EXPECT_EQ(BoardWidth(BoardLayout{1001, 1}), 750);
  EXPECT_EQ(BoardWidth(BoardLayout{3, 1}), 2);
  EXPECT_EQ(StatusPanelRect(BoardLayout{1001, 7}), (Rect{755, 0, 1001, 7}));
}

TEST(Layout, TooShortForFourRowsHitsNothing) {
  for (int16_t board : {5, 6}) {
    ASSERT_EQ(BoardRows(board), 4);
    for (int32_t h = 0; h <= 4; ++h) {
      const BoardLayout l{800, h};
      for (uint16_t x = 0; x <= 600; x += 7)
        for (uint16_t y = 0; y < 8; ++y) EXPECT_EQ(HitTest(l, board, x, y), -1);
    }
    EXPECT_EQ(HitTest(BoardLayout{800, 5}, board, 0, 0), 0);  // one pixel row per cell
  }
}

TEST(Layout, MinimisedClientIsHarmless) {
  BoardLayout l;
  EXPECT_EQ(l.statusFontSize, 10);  // until the first resize
  RecordingCanvas canvas;
  OnResize(l, canvas, 0, 0);
  EXPECT_EQ(l.statusFontSize, 3);
  for (int16_t b = 0; b < kBoardCount; ++b) {
    EXPECT_EQ(GridX(l, b, BoardColumns(b)), 0);
    EXPECT_EQ(GridY(l, b, BoardRows(b)), -1);  // H - 1
    EXPECT_EQ(HitTest(l, b, 0, 0), -1);
    SquareRect(l, b, BoardSquares(b) - 1);
  }
  EXPECT_EQ(StatusPanelRect(l), (Rect{5, 0, 0, 0}));
}

TEST(Layout, StatusLinesAreEighthsOfTheHeight) {
  const int32_t at480[6] = {0, 60, 120, 180, 240, 300};
  const int32_t at100[6] = {0, 12, 25, 37, 50, 62};
  for (int k = 1; k <= 5; ++k) {
    EXPECT_EQ(StatusLineRect(BoardLayout{640, 480}, k), (Rect{485, at480[k - 1], 640, at480[k]}));
    EXPECT_EQ(StatusLineRect(BoardLayout{640, 100}, k), (Rect{485, at100[k - 1], 640, at100[k]}));
  }
}

// Squares the board does not have lie below or beside the grid, and no index or
// client size, however extreme, overflows (the sanitizers watch this).
TEST(Layout, AnyIndexAndSizeIsDefined) {
  const BoardLayout l{640, 480};
  EXPECT_GE(SquareRect(l, 1, 4).top, GridY(l, 1, 2));
  EXPECT_GE(SquareRect(l, 1, INT16_MAX).top, GridY(l, 1, 2));
  EXPECT_LT(SquareRect(l, 1, -1).right, 0);
  SquareRect(l, 1, INT16_MIN);
  const BoardLayout huge{INT32_MAX, INT32_MAX};
  EXPECT_EQ(BoardWidth(huge), INT32_MAX / 4 * 3 + 2);  // (3 * (2^31 - 1)) / 4
  EXPECT_EQ(GridX(huge, 6, 5), BoardWidth(huge));
  EXPECT_EQ(GridY(huge, 6, 4), INT32_MAX - 1);
  const Rect far = SquareRect(huge, 6, INT16_MAX);
  EXPECT_LE(far.left, far.right);
  EXPECT_EQ(HitTest(huge, 6, 65535, 65535), 0);
  EXPECT_EQ(HitTest(BoardLayout{-400, -400}, 1, 0, 0), -1);
  EXPECT_EQ(HitTest(BoardLayout{400, -400}, 1, 0, 0), -1);
}

}  // namespace
