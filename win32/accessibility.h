// The board told to assistive technology (Active Accessibility). The main window's
// client area answers WM_GETOBJECT with an object named by the status line (the game's
// title while the panel is blank) and described by the board's keys; the system's
// standard object for the client area answers every other question. What changes is
// told by events once the message that changed it is handled, and only when it differs
// from what was told last.
//
// Nothing of it is loaded before the first request: oleacc, and COM with it, come from
// the system folder when a client first asks, and the user-interface thread then enters
// a single-threaded apartment, so that requests from other processes are answered on
// that thread, between its messages, in whichever message loop runs (a dialog's too).
#pragma once

#include <windows.h>

#include <cstdint>

#include "rules/game_host.h"
#include "rules/spoken_text.h"

class ClientObject;

class ClientAccessibility {
 public:
  explicit ClientAccessibility(const GameHost& host);
  ~ClientAccessibility();  // on the user-interface thread, after the window is gone
  ClientAccessibility(const ClientAccessibility&) = delete;
  ClientAccessibility& operator=(const ClientAccessibility&) = delete;

  // WM_GETOBJECT for the client area: the answer, or 0 when there is none and the
  // request is the default window procedure's.
  LRESULT Answer(HWND window, WPARAM flags);

  // The state, a figure of the status panel or the board may have changed.
  void StatusChanged() { pending_ = true; }
  // Once a message is handled: a changed board is told as a new description, a changed
  // status line as a new name. While another window has the focus (a dialog, another
  // program), a screen reader is not reading the board, so a status line is also told
  // as a live region's change, which screen readers speak wherever the focus is; not
  // while the board has it, where they speak the new name already.
  void TellChanges(HWND window);

  // The window is going: the object answers no more, here or in any other process.
  void Close();

 private:
  const GameHost& host_;
  ClientObject* object_ = nullptr;  // one reference held, from the first request on
  bool apartment_ = false;          // entered by this thread, left when this ends
  bool closed_ = false;
  bool pending_ = false;
  int16_t toldBoard_;
  char toldStatus_[kSpokenTextCapacity] = {};
};
