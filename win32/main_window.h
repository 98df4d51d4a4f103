// The game's main window: the state that belongs to it (the hosted game, its clock,
// whether a dialog is open, what assistive technology was told) and what the shared
// rules ask of it (Shell): repaints, the clock, the dialogs, closing and the status
// followed. The window procedure (main.cpp) hands it each message.
#pragma once

#include <windows.h>

#include "rules/game_host.h"
#include "sound/sound_player.h"
#include "win32/accessibility.h"
#include "win32/tick_timer.h"

class MainWindow final : private Shell {
 public:
  MainWindow(HINSTANCE instance, SoundOutput& sound);

  HINSTANCE Instance() const { return instance_; }
  HWND Handle() const { return window_; }
  GameHost& Host() { return host_; }

  // Window messages, each in its own terms.
  void OnCreate(HWND window);
  void OnDestroy();
  void OnSize();
  void OnDpiChanged(const RECT& suggested);
  void OnPaint();
  void OnCommand(WORD id);
  void OnInitMenu();
  // WM_GETOBJECT for the client area: the answer, or 0 for the default procedure.
  LRESULT OnGetClientObject(WPARAM flags) { return accessibility_.Answer(window_, flags); }
  // After a message that moved the game: its changes told to assistive technology.
  void TellChanges() { accessibility_.TellChanges(window_); }

 private:
  // Shell
  void Repaint(const Rect& rect, PaintTime when) override;
  void StartTicks() override { ticks_.Start(window_); }
  void StopTicks() override { ticks_.Stop(); }
  bool DialogOpen() override { return modalOpen_; }
  void OpenLevelDialog() override;
  void OpenInstructions() override;
  void OpenAbout() override;
  void CloseMainWindow() override { SendMessageA(window_, WM_CLOSE, 0, 0); }
  void StatusChanged() override { accessibility_.StatusChanged(); }

  HINSTANCE instance_;
  HWND window_ = nullptr;
  GameHost host_;
  ClientAccessibility accessibility_{host_};
  TickTimer ticks_;
  // True while a modal window is open. It disables the main window, so a player cannot
  // reach the menu or the accelerators then; only a command posted to the window from
  // outside could still ask for another modal window on top of it, and the shared rules
  // refuse that command.
  bool modalOpen_ = false;
};
