// The number each command carries in the Windows game's menu bar and shortcut keys
// (WM_COMMAND). Its end-to-end tests state the same numbers on their own.
#pragma once

#include <cstdint>

#include "rules/commands.h"

struct CommandId {
  Command command;
  uint16_t id;
};
inline constexpr CommandId kCommandIds[kCommandCount] = {
    {Command::NewGame, 521}, {Command::Level, 522}, {Command::FreePlay, 523},
    {Command::Sound, 524},   {Command::Quit, 526},  {Command::Instructions, 533},
    {Command::About, 531},
};

// The command of a number, or false for a number that has none.
inline bool CommandOfId(uint16_t id, Command& command) {
  for (const CommandId& entry : kCommandIds) {
    if (entry.id == id) {
      command = entry.command;
      return true;
    }
  }
  return false;
}

inline constexpr uint16_t IdOfCommand(Command command) {
  return kCommandIds[static_cast<int>(command)].id;
}
