// Driving the game's dialogs from outside, for the cases that open them.
#pragma once

#include <windows.h>

#include <string>

#include "tests/e2e/e2e.h"

namespace e2e {

// Waits (bounded) until the dialog is closed or hidden.
inline bool WaitClosed(HWND dialog) {
  return WaitUntil(5000, [&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); });
}

// Posts a button's command to a dialog, as a click on it would, and waits until the
// dialog is gone.
inline bool PressDialogButton(HWND dialog, int id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
  return WaitClosed(dialog);
}

inline std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &out[0], size,
                      nullptr, nullptr);
  return out;
}

}  // namespace e2e
