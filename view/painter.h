// Paints the whole client area from the game record and the layout; changes neither.
#pragma once

#include "engine/game.h"
#include "view/canvas.h"
#include "view/layout.h"

void PaintWindow(const GameSession& game, const BoardLayout& layout, Canvas& canvas);
void PaintGrid(const GameSession& game, const BoardLayout& layout, Canvas& canvas);
void PaintStatusPanel(const GameSession& game, const BoardLayout& layout, Canvas& canvas);
void PaintSquares(const GameSession& game, const BoardLayout& layout, Canvas& canvas);
