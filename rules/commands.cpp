#include "rules/commands.h"

#include <cstdio>

#include "resources/ui_texts.h"

namespace {
constexpr Label kGame = {TEXT_MENU_GAME, 0}, kHelp = {TEXT_MENU_HELP, 0};
}  // namespace

const MenuItem kMenuItems[kCommandCount] = {
    {kGame, {TEXT_GAME_NEW, 0}, ShortcutKey::F2, false, Command::NewGame, false},
    {kGame, {TEXT_GAME_LEVEL, 2}, ShortcutKey::F3, false, Command::Level, false},
    {kGame, {TEXT_GAME_FREEPLAY, 4}, ShortcutKey::None, false, Command::FreePlay, false},
    {kGame, {TEXT_GAME_SOUND, 0}, ShortcutKey::None, true, Command::Sound, true},
    {kGame, {TEXT_GAME_QUIT, 0}, ShortcutKey::None, false, Command::Quit, true},
    {kHelp, {TEXT_HELP_INSTRUCTIONS, 0}, ShortcutKey::F1, false, Command::Instructions, false},
    {kHelp, {TEXT_HELP_ABOUT, 0}, ShortcutKey::None, false, Command::About, true},
};

const char* ShortcutName(ShortcutKey key) {
  static const char* const kNames[] = {"", "F1", "F2", "F3"};
  return kNames[static_cast<int>(key)];
}

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
  state.checked[static_cast<int>(Command::Sound)] = game.soundOn;
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
