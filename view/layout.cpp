#include "view/layout.h"

#include <cstdint>
#include <limits>

#include "engine/tables.h"
#include "view/canvas.h"

namespace {

// Inputs and results are 32-bit. Products are formed in 64 bits so that no input,
// however large, overflows; the quotient is then brought back into range. Wherever
// the product fits in 32 bits, the result is exactly the 32-bit one.
int32_t Saturate(int64_t v) {
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// (a * b) / c, the product before the division, truncating toward zero. c > 0.
int32_t MulThenDiv(int32_t a, int32_t b, int32_t c) {
  return Saturate(static_cast<int64_t>(a) * b / c);
}

// Saturating a + b, for the 5-pixel insets.
int32_t Add(int32_t a, int32_t b) { return Saturate(static_cast<int64_t>(a) + b); }

constexpr int32_t kInset = 5;
constexpr int16_t kLeastFontSize = 3;

// H - 1, the span the horizontal grid lines divide.
int32_t GridSpanY(const BoardLayout& layout) { return Add(layout.clientHeight, -1); }

}  // namespace

int32_t BoardWidth(const BoardLayout& layout) { return MulThenDiv(layout.clientWidth, 3, 4); }

int32_t GridX(const BoardLayout& layout, int16_t board, int32_t i) {
  const int32_t columns = BoardColumns(board);
  return columns > 0 ? MulThenDiv(BoardWidth(layout), i, columns) : 0;
}

int32_t GridY(const BoardLayout& layout, int16_t board, int32_t j) {
  const int32_t rows = BoardRows(board);
  return rows > 0 ? MulThenDiv(GridSpanY(layout), j, rows) : 0;
}

Rect SquareRect(const BoardLayout& layout, int16_t board, int16_t square) {
  const int32_t columns = BoardColumns(board);
  const int32_t rows = BoardRows(board);
  if (columns <= 0 || rows <= 0) return Rect{0, 0, 0, 0};  // no such board
  const int32_t s = square;
  const int32_t c = s % columns;
  const int32_t r = s / columns;
  const int32_t w = BoardWidth(layout);
  const int32_t h = GridSpanY(layout);
  return Rect{Add(MulThenDiv(c, w, columns), kInset), Add(MulThenDiv(r, h, rows), kInset),
              Add(MulThenDiv(c + 1, w, columns), -kInset),
              Add(MulThenDiv(r + 1, h, rows), -kInset)};
}

int16_t HitTest(const BoardLayout& layout, int16_t board, int32_t x, int32_t y) {
  const int32_t w = BoardWidth(layout);
  if (x < 0 || y < 0 || x > w) return -1;  // outside, the status panel or the strip before it
  const int32_t columns = BoardColumns(board);
  const int32_t rows = BoardRows(board);
  if (columns <= 0 || rows <= 0) return -1;
  // Cell size is divided out first and then used as the divisor.
  const int32_t cellWidth = w / columns;
  const int32_t cellHeight = GridSpanY(layout) / rows;
  if (cellWidth <= 0 || cellHeight <= 0) return -1;  // too small to hold the grid
  const int32_t c = x / cellWidth;
  const int32_t r = y / cellHeight;
  if (c >= columns || r >= rows) return -1;
  return static_cast<int16_t>(r * columns + c);
}

Rect StatusPanelRect(const BoardLayout& layout) {
  return Rect{Add(BoardWidth(layout), kInset), 0, layout.clientWidth, layout.clientHeight};
}

Rect StatusLineRect(const BoardLayout& layout, int k) {
  const int32_t h = layout.clientHeight;
  return Rect{Add(BoardWidth(layout), kInset), MulThenDiv(k - 1, h, 8), layout.clientWidth,
              MulThenDiv(k, h, 8)};
}

void OnResize(BoardLayout& layout, Canvas& canvas, int32_t clientWidth, int32_t clientHeight) {
  layout.clientWidth = clientWidth;
  layout.clientHeight = clientHeight;
  FitStatusFont(layout, canvas);
}

void FitStatusFont(BoardLayout& layout, Canvas& canvas) {
  // Twelve average characters must stay narrower than this many pixels.
  const int64_t bound = static_cast<int64_t>(layout.clientWidth / 4) - kInset;
  // Try each size from 4 up; the result is the last one that still fits. A font
  // that cannot be made or measured ends the search at the size before it, and
  // the 16-bit size is itself a bound, so no metrics source can keep it going.
  int16_t fits = kLeastFontSize;
  while (fits < std::numeric_limits<int16_t>::max()) {
    const int16_t next = static_cast<int16_t>(fits + 1);
    const int32_t average = canvas.AverageCharWidth(next);
    if (average <= 0 || bound <= 12 * static_cast<int64_t>(average)) break;
    fits = next;
  }
  layout.statusFontSize = fits;
}
