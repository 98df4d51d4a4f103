// Geometry of the client area: the board grid on the left three quarters, the status
// panel on the right. Sizes and coordinates are signed 32-bit values; each product is
// formed in 64 bits before the division that follows it, and a result beyond the
// 32-bit range saturates, so no client size, however large, overflows.
#pragma once

#include <cstdint>

class Canvas;

// (left, top, right, bottom) in client pixels; right and bottom exclusive.
struct Rect {
  int32_t left, top, right, bottom;
};

inline bool operator==(const Rect& a, const Rect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

struct BoardLayout {
  int32_t clientWidth = 0;
  int32_t clientHeight = 0;
  int16_t statusFontSize = 10;  // points
};

int32_t BoardWidth(const BoardLayout& layout);                       // W = (client width * 3) / 4
int32_t GridX(const BoardLayout& layout, int16_t board, int32_t i);  // (W * i) / C
int32_t GridY(const BoardLayout& layout, int16_t board, int32_t j);  // ((H - 1) * j) / R

// Any square index is accepted; one the board does not have lies outside the grid.
Rect SquareRect(const BoardLayout& layout, int16_t board, int16_t square);
// The square under a client point, or -1 (also for a point left of or above the area).
int16_t HitTest(const BoardLayout& layout, int16_t board, int32_t x, int32_t y);
Rect StatusPanelRect(const BoardLayout& layout);
inline Rect ClientRect(const BoardLayout& layout) {
  return {0, 0, layout.clientWidth, layout.clientHeight};
}
// Status line k = 1..5 of the panel.
Rect StatusLineRect(const BoardLayout& layout, int k);

// Stores the new client size and fits the status font on the canvas. The shell reads
// the client rectangle before and invalidates the whole client area after.
void OnResize(BoardLayout& layout, Canvas& canvas, int32_t clientWidth, int32_t clientHeight);
// Status font size: one below the first size from 4 up whose twelve average
// characters fill client width / 4 - 5 pixels. Never below 3; always ends.
void FitStatusFont(BoardLayout& layout, Canvas& canvas);
