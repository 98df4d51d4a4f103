// What the parts of the Windows shell share: the one game record, the one layout
// record, the sound and repaint sides the engine talks to, and the window handles.
#pragma once

#include <windows.h>

#include <cstdint>

#include "engine/game.h"
#include "sound/sound_player.h"
#include "view/layout.h"

extern GameSession g_game;
extern BoardLayout g_layout;

HINSTANCE ModuleInstance();
HWND MainWindow();
HMENU MainMenu();                // the menu bar, taken once the window is shown
GameView& MainView();            // repaints on the main window
SoundPlayer& MainSound();        // gated on g_game.soundOn
SoundOutput& MainSoundOutput();  // for ToggleSound and ShutdownSound

// Menu side (menu_commands.cpp): the shared rules' actions on this shell (its
// dialogs), and the greying and check mark of the menu for WM_INITMENU.
class ShellActions;
ShellActions& MainShell();
void OnInitMenu();
