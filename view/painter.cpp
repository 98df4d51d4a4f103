#include "view/painter.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t kLineFlags =
    Canvas::kLeft | Canvas::kVCenter | Canvas::kSingleLine | Canvas::kNoClip;
constexpr uint32_t kStatusWordFlags =
    Canvas::kCenter | Canvas::kVCenter | Canvas::kSingleLine | Canvas::kNoClip;

// One "Label: %hd" line of the panel. The value is narrowed to 16 bits first,
// as the formatting of a signed 16-bit value does.
void WriteNumberLine(Canvas& canvas, const BoardLayout& layout, int line, const char* format,
                     int value) {
  char text[40];
  int length = std::snprintf(text, sizeof text, format, static_cast<short>(value));
  if (length < 0) length = 0;
  if (length >= static_cast<int>(sizeof text)) length = static_cast<int>(sizeof text) - 1;
  canvas.WriteText(text, length, StatusLineRect(layout, line), kLineFlags);
}

// Fills one square with its colour using a brush that lives only for this fill.
void FillSquare(Canvas& canvas, const BoardLayout& layout, int16_t board, int16_t square) {
  Canvas::Object brush = canvas.CreateSolidBrush(SquareColour(board, square));
  if (brush == nullptr) return;
  canvas.FillRect(SquareRect(layout, board, square), brush);
  canvas.DeleteObject(brush);
}

}  // namespace

void PaintWindow(const GameSession& game, const BoardLayout& layout, Canvas& canvas) {
  PaintGrid(game, layout, canvas);
  PaintStatusPanel(game, layout, canvas);
  PaintSquares(game, layout, canvas);
}

void PaintGrid(const GameSession& game, const BoardLayout& layout, Canvas& canvas) {
  const int previousMode = canvas.SetBkMode(Canvas::kTransparent);
  // A failed pen leaves the current one selected; the lines are drawn anyway.
  Canvas::Object pen = canvas.CreateDotPen(canvas.WindowTextColour());
  Canvas::Object previousPen = pen != nullptr ? canvas.SelectObject(pen) : nullptr;

  const int16_t board = game.boardIndex;
  const int32_t width = BoardWidth(layout);
  const int32_t height = layout.clientHeight;
  const int16_t columns = BoardColumns(board);
  const int16_t rows = BoardRows(board);
  for (int16_t i = 0; i <= columns; ++i) {
    const int32_t x = GridX(layout, board, i);
    canvas.MoveTo(x, 0);
    canvas.LineTo(x, height);
  }
  for (int16_t j = 0; j <= rows; ++j) {
    const int32_t y = GridY(layout, board, j);
    canvas.MoveTo(0, y);
    canvas.LineTo(width, y);
  }

  if (pen != nullptr) {
    canvas.SelectObject(previousPen);
    canvas.DeleteObject(pen);
  }
  canvas.SetBkMode(previousMode);
}

void PaintStatusPanel(const GameSession& game, const BoardLayout& layout, Canvas& canvas) {
  if (game.state == GameState::Idle) return;

  const int previousMode = canvas.SetBkMode(Canvas::kTransparent);
  const Colour previousColour = canvas.SetTextColor(canvas.WindowTextColour());
  Canvas::Object font = canvas.CreateStatusFont(layout.statusFontSize);
  Canvas::Object previousFont = font != nullptr ? canvas.SelectObject(font) : nullptr;

  WriteNumberLine(canvas, layout, 1, "Skill: %hd", game.skillIndex + 1);
  WriteNumberLine(canvas, layout, 2, "Board: %hd", game.boardIndex + 1);
  WriteNumberLine(canvas, layout, 3, "Length: %hd", game.sequenceLength);
  WriteNumberLine(canvas, layout, 4, "Target: %hd", game.targetLength);
  canvas.SetTextColor(StatusColour(game.state));
  const char* word = StatusText(game.state);
  canvas.WriteText(word, static_cast<int>(std::strlen(word)), StatusLineRect(layout, 5),
                   kStatusWordFlags);

  if (font != nullptr) {
    canvas.SelectObject(previousFont);
    canvas.DeleteObject(font);
  }
  canvas.SetBkMode(previousMode);
  canvas.SetTextColor(previousColour);
}

void PaintSquares(const GameSession& game, const BoardLayout& layout, Canvas& canvas) {
  if (game.state == GameState::YouWin) {
    for (int16_t i = 0; i < game.squareCount; ++i) FillSquare(canvas, layout, game.boardIndex, i);
  } else if (game.litSquare != -1) {
    FillSquare(canvas, layout, game.boardIndex, game.litSquare);
  }
}
