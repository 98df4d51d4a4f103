// Random client sizes on every board: each painted square lies inside its grid
// cell, and its pixels hit that square. The sanitizers report any overflow.
#include <gtest/gtest.h>

#include <random>

#include "engine/tables.h"
#include "view/layout.h"

namespace {

TEST(RandomLayout, PaintedSquaresLieInTheirCellsAndHitThemselves) {
  std::mt19937 rng(20240611);
  std::uniform_int_distribution<int32_t> size(0, 10000);
  for (int round = 0; round < 1500; ++round) {
    // Every tiny size, then random ones.
    const BoardLayout l{round < 40 ? round : size(rng), round < 40 ? 39 - round : size(rng)};
    for (int16_t board = 0; board < kBoardCount; ++board) {
      const int16_t columns = BoardColumns(board);
      for (int16_t s = 0; s < BoardSquares(board); ++s) {
        const Rect r = SquareRect(l, board, s);
        if (r.left >= r.right || r.top >= r.bottom) continue;  // nothing painted
        const int16_t c = s % columns, row = s / columns;
        SCOPED_TRACE(testing::Message() << l.clientWidth << "x" << l.clientHeight << " board "
                                        << board << " square " << s);
        ASSERT_GT(r.left, GridX(l, board, c));
        ASSERT_LE(r.right, GridX(l, board, c + 1));
        ASSERT_GT(r.top, GridY(l, board, row));
        ASSERT_LE(r.bottom, GridY(l, board, row + 1));
        std::uniform_int_distribution<int32_t> px(r.left, r.right - 1), py(r.top, r.bottom - 1);
        const int32_t xs[] = {r.left, r.right - 1, px(rng), px(rng)};
        const int32_t ys[] = {r.top, r.bottom - 1, py(rng), py(rng)};
        for (int32_t x : xs)
          for (int32_t y : ys)
            ASSERT_EQ(HitTest(l, board, static_cast<uint16_t>(x), static_cast<uint16_t>(y)), s)
                << x << "," << y;
      }
      // Hit cells end at C x w and R x h, however far the grid lines lie beyond.
      const int32_t w = BoardWidth(l) / columns, h = (l.clientHeight - 1) / BoardRows(board);
      if (w > 0 && h > 0) {
        const auto edge = static_cast<uint16_t>(columns * w);
        ASSERT_EQ(HitTest(l, board, edge - 1, 0), columns - 1);
        ASSERT_EQ(HitTest(l, board, edge, 0), -1);
        ASSERT_EQ(HitTest(l, board, 0, static_cast<uint16_t>(BoardRows(board) * h)), -1);
      }
    }
  }
}

}  // namespace
