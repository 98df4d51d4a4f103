#include "win32/window_view.h"

#include <windows.h>

#include "view/layout.h"
#include "win32/shell.h"

namespace {

void InvalidateWithErase(const Rect& rect) {
  const RECT area = {rect.left, rect.top, rect.right, rect.bottom};
  InvalidateRect(MainWindow(), &area, TRUE);
}

}  // namespace

void WindowView::InvalidateSquare(int16_t square) {
  InvalidateWithErase(SquareRect(g_layout, g_game.boardIndex, square));
}

void WindowView::InvalidateStatusPanel() { InvalidateWithErase(StatusPanelRect(g_layout)); }

void WindowView::RedrawAll() {
  InvalidateRect(MainWindow(), nullptr, TRUE);
  UpdateWindow(MainWindow());
}
