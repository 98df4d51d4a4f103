// The number each command carries in the Windows game's menu and accelerators
// (resource_ids.h), the numbers its end-to-end tests send.
#pragma once

#include <cstdint>

#include "resources/resource_ids.h"
#include "rules/commands.h"

struct CommandId {
  Command command;
  uint16_t id;
};
inline constexpr CommandId kCommandIds[kCommandCount] = {
    {Command::NewGame, ID_GAME_NEW},       {Command::Level, ID_GAME_LEVEL},
    {Command::FreePlay, ID_GAME_FREEPLAY}, {Command::Sound, ID_GAME_SOUND},
    {Command::Quit, ID_GAME_QUIT},         {Command::Instructions, ID_HELP_INSTRUCTIONS},
    {Command::About, ID_HELP_ABOUT},
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

inline uint16_t IdOfCommand(Command command) { return kCommandIds[static_cast<int>(command)].id; }
