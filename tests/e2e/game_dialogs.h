// Driving the game's dialogs from outside, for the cases that open them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e.h"

namespace e2e {

// The game's visible dialogs and message boxes.
inline std::vector<HWND> GameDialogs(const Game& game) {
  return TopWindows(kDialogClass, game.ProcessId(), true);
}

// The first of them with this caption (any, when null), or null.
inline HWND GameDialog(const Game& game, const char* caption = nullptr) {
  for (HWND dialog : GameDialogs(game)) {
    char text[64] = {};
    GetWindowTextA(dialog, text, sizeof text);
    if (caption == nullptr || lstrcmpA(text, caption) == 0) return dialog;
  }
  return nullptr;
}

// Waits (bounded) for the game's dialog with this caption; null when it did not come.
inline HWND WaitForDialog(const Game& game, const char* caption, DWORD limitMs = 5000,
                          DWORD pollMs = 5) {
  HWND dialog = nullptr;
  WaitUntil(
      limitMs, [&] { return (dialog = GameDialog(game, caption)) != nullptr; }, pollMs);
  return dialog;
}

// Sends `command` from the menu and waits for the dialog it opens; the case cannot go on
// without it.
inline HWND OpenDialog(const Game& game, Command command, const char* caption) {
  game.Command(command);
  HWND dialog = WaitForDialog(game, caption);
  E2E_REQUIRE(dialog != nullptr, "command %u opened no \"%s\"", CommandNumber(command), caption);
  return dialog;
}

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

// Selects entries of the Level dialog's lists (from 0; -1 leaves a list as it is).
inline void SetLevelChoice(HWND dialog, int board, int skill) {
  if (board >= 0) SendMessageW(GetDlgItem(dialog, kBoardList), CB_SETCURSEL, board, 0);
  if (skill >= 0) SendMessageW(GetDlgItem(dialog, kSkillList), CB_SETCURSEL, skill, 0);
}

// Chooses a board and a skill (entries from 0; -1 keeps one) in the Level dialog, opened
// from the menu and closed with OK.
inline void ChooseLevel(const Game& game, int board, int skill) {
  HWND dialog = OpenDialog(game, kLevel, kLevelCaption);
  SetLevelChoice(dialog, board, skill);
  E2E_REQUIRE(PressDialogButton(dialog, IDOK), "OK did not close the Level dialog");
}

// A dialog's controls, in their order.
inline std::vector<HWND> Controls(HWND dialog) {
  std::vector<HWND> controls;
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
    controls.push_back(c);
  return controls;
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

// The texts of a dialog's controls as the player reads them, in UTF-8.
inline std::vector<std::string> ControlTexts(HWND dialog) {
  std::vector<std::string> texts;
  for (HWND control : Controls(dialog)) {
    wchar_t text[512] = {};
    GetWindowTextW(control, text, 512);
    texts.push_back(ToUtf8(text));
  }
  return texts;
}

}  // namespace e2e
