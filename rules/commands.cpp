#include "rules/commands.h"

#include <cstdio>

#include "resources/ui_texts.h"

const MenuItem kMenuItems[kCommandCount] = {
    {TEXT_MENU_GAME, TEXT_GAME_NEW, Command::NewGame, false},
    {TEXT_MENU_GAME, TEXT_GAME_LEVEL, Command::Level, false},
    {TEXT_MENU_GAME, TEXT_GAME_FREEPLAY, Command::FreePlay, false},
    {TEXT_MENU_GAME, TEXT_GAME_SOUND, Command::Sound, true},
    {TEXT_MENU_GAME, TEXT_GAME_QUIT, Command::Quit, true},
    {TEXT_MENU_HELP, TEXT_HELP_INSTRUCTIONS, Command::Instructions, false},
    {TEXT_MENU_HELP, TEXT_HELP_ABOUT, Command::About, true},
};

bool CommandAllowed(const GameSession& game, Command command) {
  const bool refusedDuringGame =
      command == Command::Level || command == Command::FreePlay || command == Command::Instructions;
  return !(refusedDuringGame && IsGameRunning(game));
}

MenuState CurrentMenuState(const GameSession& game) {
  MenuState state = {};
  for (const MenuItem& item : kMenuItems) {
    state.enabled[static_cast<int>(item.command)] = CommandAllowed(game, item.command);
  }
  state.soundChecked = game.soundOn;
  return state;
}

void BoardEntry(int16_t board, char (&entry)[kLevelEntryCapacity]) {
  std::snprintf(entry, sizeof entry, "%hd: %hd squares", static_cast<short>(board + 1),
                static_cast<short>(BoardSquares(board)));
}

void SkillEntry(int16_t skill, char (&entry)[kLevelEntryCapacity]) {
  std::snprintf(entry, sizeof entry, "%hd: %hd notes", static_cast<short>(skill + 1),
                static_cast<short>(TargetLength(skill)));
}
