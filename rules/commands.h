// The game's commands, as every shell offers them: the menu's items in order, with
// their texts, and which of them a running game refuses.
#pragma once

#include <cstdint>

#include "engine/game.h"

enum class Command : uint8_t { NewGame, Level, FreePlay, Sound, Quit, Instructions, About };
constexpr int kCommandCount = 7;

// One item of the menu bar: the menu it belongs to and its own text (an ampersand marks
// the next letter as the mnemonic; the text after a tab names its shortcut key).
struct MenuItem {
  const char* menu;
  const char* text;
  Command command;
  bool separatorBefore;
};
extern const MenuItem kMenuItems[kCommandCount];  // in menu order, every command once

// Level, Free play and Instructions are refused while a game runs; every other command
// is always allowed. A refused command does nothing, whatever the menu showed when it
// was sent.
bool CommandAllowed(const GameSession& game, Command command);

// What the menu shows: each command's item enabled or greyed, and the Sound check mark.
struct MenuState {
  bool enabled[kCommandCount];
  bool soundChecked;
};
MenuState CurrentMenuState(const GameSession& game);

// The Level dialog's lists: an entry for each board and each skill, at the position of
// its index ("2: 4 squares", "2: 10 notes").
constexpr int kLevelEntryCapacity = 24;
void BoardEntry(int16_t board, char (&entry)[kLevelEntryCapacity]);
void SkillEntry(int16_t skill, char (&entry)[kLevelEntryCapacity]);
