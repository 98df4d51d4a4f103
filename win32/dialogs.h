// The game's three modal windows: the Level dialog, the Instructions dialog and the
// About box. Each runs in its own message loop until it is closed; the main window's
// ticks go on beneath it.
#pragma once

#include <windows.h>

#include <cstdint>

// The Level dialog, its lists at `board` and `skill`. Returns true when it was closed
// with OK, with the positions chosen in `board` and `skill`.
bool RunLevelDialog(HINSTANCE instance, HWND owner, int16_t& board, int16_t& skill);
void RunInstructionsDialog(HINSTANCE instance, HWND owner);
void RunAboutBox(HWND owner);
