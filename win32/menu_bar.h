// The main window's menu bar and shortcut keys, made from the shared menu items
// (rules/commands.h); every item sends its command's number (win32/command_ids.h).
#pragma once

#include <windows.h>

#include "rules/commands.h"

// A pop-up for each menu, with its items in order and a separator wherever an item asks
// for one before it. Each text marks its mnemonic with "&" and names the item's
// shortcut key after a tab, as Windows shows them.
HMENU CreateMenuBar();
// The items' shortcut keys; DestroyAcceleratorTable frees it.
HACCEL CreateShortcutTable();
// Greys or enables every item, and checks or clears each checkable one.
void ShowMenuState(HMENU menuBar, const MenuState& state);
