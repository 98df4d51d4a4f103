#include "view/painter.h"

#include <cstdio>
#include <cstring>

namespace {

// One "Label: %hd" line of the panel, at the left in the window-text colour. The value
// is narrowed to 16 bits first, as the formatting of a signed 16-bit value does.
void WriteNumberLine(Canvas& canvas, const BoardLayout& layout, Colour colour, int line,
                     const char* format, int value) {
  char text[40];
  int length = std::snprintf(text, sizeof text, format, static_cast<short>(value));
  if (length < 0) length = 0;
  if (length >= static_cast<int>(sizeof text)) length = static_cast<int>(sizeof text) - 1;
  canvas.WriteText(text, length, StatusLineRect(layout, line), colour, layout.statusFontSize,
                   TextAlign::Left);
}

void FillSquare(Canvas& canvas, const BoardLayout& layout, int16_t board, int16_t square) {
  canvas.FillRect(SquareRect(layout, board, square), SquareColour(board, square));
}

}  // namespace

void PaintWindow(const GameSession& game, const BoardLayout& layout, Canvas& canvas) {
  PaintGrid(game, layout, canvas);
  PaintStatusPanel(game, layout, canvas);
  PaintSquares(game, layout, canvas);
}

void PaintGrid(const GameSession& game, const BoardLayout& layout, Canvas& canvas) {
  const Colour colour = canvas.WindowTextColour();
  const int16_t board = game.boardIndex;
  const int32_t width = BoardWidth(layout);
  const int32_t height = layout.clientHeight;
  for (int16_t i = 0; i <= BoardColumns(board); ++i) {
    const int32_t x = GridX(layout, board, i);
    canvas.DottedLine(x, 0, x, height, colour);
  }
  for (int16_t j = 0; j <= BoardRows(board); ++j) {
    const int32_t y = GridY(layout, board, j);
    canvas.DottedLine(0, y, width, y, colour);
  }
}

void PaintStatusPanel(const GameSession& game, const BoardLayout& layout, Canvas& canvas) {
  if (game.state == GameState::Idle) return;

  const Colour colour = canvas.WindowTextColour();
  WriteNumberLine(canvas, layout, colour, 1, "Skill: %hd", game.skillIndex + 1);
  WriteNumberLine(canvas, layout, colour, 2, "Board: %hd", game.boardIndex + 1);
  WriteNumberLine(canvas, layout, colour, 3, "Length: %hd", game.sequenceLength);
  WriteNumberLine(canvas, layout, colour, 4, "Target: %hd", game.targetLength);
  const char* word = StatusText(game.state);
  canvas.WriteText(word, static_cast<int>(std::strlen(word)), StatusLineRect(layout, 5),
                   StatusColour(game.state), layout.statusFontSize, TextAlign::Centre);
}

void PaintSquares(const GameSession& game, const BoardLayout& layout, Canvas& canvas) {
  if (game.state == GameState::YouWin) {
    for (int16_t i = 0; i < game.squareCount; ++i) FillSquare(canvas, layout, game.boardIndex, i);
  } else if (game.litSquare != -1) {
    FillSquare(canvas, layout, game.boardIndex, game.litSquare);
  }
}
