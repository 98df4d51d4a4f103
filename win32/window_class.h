// The class name of the main window: the game registers it, and the end-to-end and
// benchmark drivers find the game's window by it.
#pragma once

constexpr char kMainWindowClass[] = "Radevuvo_Wclass";
