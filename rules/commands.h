// The game's commands, as every shell offers them: the menu's items in order, with
// their texts, and which of them a running game refuses.
#pragma once

#include <cstdint>

#include "engine/game.h"

enum class Command : uint8_t { NewGame, Level, FreePlay, Sound, Quit, Instructions, About };
constexpr int kCommandCount = 7;

// A text with its mnemonic: the letter at `mnemonic` (an index into `text`) is the one
// that Alt, or the open menu, chooses; -1 for none.
struct Label {
  const char* text;
  int8_t mnemonic;
};

// The keys that carry out a command wherever the focus is in the main window.
enum class ShortcutKey : uint8_t { None, F1, F2, F3 };
const char* ShortcutName(ShortcutKey key);  // "F2", or "" for none

// One item of the menu bar, as every shell shows it: under `menu`, its label and the
// name of its shortcut key (right-aligned), a check mark where it is checkable.
struct MenuItem {
  Label menu;
  Label label;
  ShortcutKey shortcut;
  bool checkable;
  Command command;
  bool separatorBefore;
};
extern const MenuItem kMenuItems[kCommandCount];  // in menu order, every command once

// Level, Free play and Instructions are refused while a game runs; every other command
// is always allowed. A refused command does nothing, whatever the menu showed when it
// was sent.
bool CommandAllowed(const GameSession& game, Command command);

// What the menu shows: each command's item enabled or greyed, and checked or not (only a
// checkable item is ever checked).
struct MenuState {
  bool enabled[kCommandCount];
  bool checked[kCommandCount];
};
MenuState CurrentMenuState(const GameSession& game);

// The Level dialog's lists: an entry for each board and each skill, at the position of
// its index ("2: 4 squares", "2: 10 notes").
constexpr int kLevelEntryCapacity = 24;
void BoardEntry(int16_t board, char (&entry)[kLevelEntryCapacity]);
void SkillEntry(int16_t skill, char (&entry)[kLevelEntryCapacity]);
