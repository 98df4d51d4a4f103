#include "ui/shell_rules.h"

#include <cstdio>

namespace {

bool OpensDialog(uint16_t command) {
  return command == ID_GAME_LEVEL || command == ID_HELP_INSTRUCTIONS || command == ID_HELP_ABOUT;
}

}  // namespace

bool CommandAllowed(const GameSession& game, uint16_t command) {
  const bool refusedDuringGame =
      command == ID_GAME_LEVEL || command == ID_GAME_FREEPLAY || command == ID_HELP_INSTRUCTIONS;
  return !(refusedDuringGame && IsGameRunning(game));
}

void RunCommand(GameSession& game, ShellActions& shell, uint16_t command) {
  if (!CommandAllowed(game, command)) return;
  if (OpensDialog(command) && shell.DialogOpen()) return;
  switch (command) {
    case ID_GAME_NEW:
      NewGame(game, shell.View(), shell.Sound());
      break;
    case ID_GAME_LEVEL:
      shell.OpenLevelDialog();
      break;
    case ID_GAME_FREEPLAY:
      StartFreePlay(game, shell.View(), shell.Sound());
      break;
    case ID_GAME_SOUND:
      ToggleSound(game, shell.Output());
      break;
    case ID_GAME_QUIT:
      shell.CloseMainWindow();
      break;
    case ID_HELP_ABOUT:
      shell.OpenAbout();
      break;
    case ID_HELP_INSTRUCTIONS:
      shell.OpenInstructions();
      break;
    default:
      break;
  }
}

void OnTypedChar(GameSession& game, ShellActions& shell, char typed, bool autoRepeat) {
  if (autoRepeat || !AcceptsPresses(game)) return;
  const int16_t square = SquareForKey(game.boardIndex, typed);
  if (square != -1) PressSquare(game, shell.View(), shell.Sound(), square);
}

void OnClick(GameSession& game, const BoardLayout& layout, ShellActions& shell, uint16_t x,
             uint16_t y) {
  if (!AcceptsPresses(game)) return;
  const int16_t square = HitTest(layout, game.boardIndex, x, y);
  if (square != -1) PressSquare(game, shell.View(), shell.Sound(), square);
}

void BoardEntry(int16_t board, char (&entry)[kLevelEntryCapacity]) {
  std::snprintf(entry, sizeof entry, "%hd: %hd squares", static_cast<short>(board + 1),
                static_cast<short>(BoardSquares(board)));
}

void SkillEntry(int16_t skill, char (&entry)[kLevelEntryCapacity]) {
  std::snprintf(entry, sizeof entry, "%hd: %hd notes", static_cast<short>(skill + 1),
                static_cast<short>(TargetLength(skill)));
}

void StartSession(GameSession& game, uint32_t secondsSince1970) {
  SeedRandom(game, secondsSince1970);
}

void EndSession(TickSource& ticks, SoundOutput& sound) {
  ticks.Stop();
  ShutdownSound(sound);
}
