#include "win32/main_window.h"

#include <ctime>

#include "win32/command_ids.h"
#include "win32/dialogs.h"
#include "win32/gdi_canvas.h"
#include "win32/menu_bar.h"

MainWindow::MainWindow(HINSTANCE instance, SoundOutput& sound)
    : instance_(instance), host_(*this, sound, Clock::AlwaysRunning) {}

void MainWindow::OnCreate(HWND window) {
  window_ = window;
  host_.Start(static_cast<uint32_t>(time(nullptr)));
}

void MainWindow::OnDestroy() {
  accessibility_.Close();
  host_.End();
}

// Every size change, minimising included: new layout and status font, then a full
// repaint with erase through the ordinary paint message.
void MainWindow::OnSize() {
  RECT client;
  GetClientRect(window_, &client);
  HDC dc = GetDC(window_);
  {
    GdiCanvas canvas(dc);
    host_.Resize(canvas, client.right, client.bottom);
  }
  ReleaseDC(window_, dc);
  InvalidateRect(window_, nullptr, TRUE);
}

// The window has moved to a screen of another pixel density (the manifest makes the
// game aware of it per monitor): take the position and size Windows suggests, which
// keep the window's size in physical terms. The board and the status font follow
// through the WM_SIZE this brings.
void MainWindow::OnDpiChanged(const RECT& suggested) {
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  {
    GdiCanvas canvas(dc);
    host_.Paint(canvas);
  }
  EndPaint(window_, &paint);
}

void MainWindow::OnCommand(WORD id) {
  Command command;
  if (CommandOfId(id, command)) host_.Run(command);
}

// WM_INITMENU also arrives for the system menu; whichever menu it names, the menu bar
// is the one brought up to date. The platform swallows the accelerator of a greyed
// item (F3, F1).
void MainWindow::OnInitMenu() { ShowMenuState(GetMenu(window_), host_.Menu()); }

void MainWindow::Repaint(const Rect& rect, PaintTime when) {
  const RECT area = {rect.left, rect.top, rect.right, rect.bottom};
  InvalidateRect(window_, &area, TRUE);
  if (when == PaintTime::Now) UpdateWindow(window_);
}

void MainWindow::OpenLevelDialog() {
  int16_t board = host_.Game().boardIndex;
  int16_t skill = host_.Game().skillIndex;
  modalOpen_ = true;
  const bool chosen = RunLevelDialog(instance_, window_, board, skill);
  modalOpen_ = false;
  if (chosen) host_.ChooseLevel(board, skill);
}

void MainWindow::OpenInstructions() {
  modalOpen_ = true;
  RunInstructionsDialog(instance_, window_);
  modalOpen_ = false;
}

void MainWindow::OpenAbout() {
  modalOpen_ = true;
  RunAboutBox(window_);
  modalOpen_ = false;
}
