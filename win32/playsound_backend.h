// The sound backend of the Windows program: every request goes to PlaySoundA, which
// finds the WAVE resource by name in the program's module and plays it on its own.
#pragma once

#include <windows.h>

#include "sound/sound_player.h"

class PlaySoundBackend final : public SoundBackend {
 public:
  explicit PlaySoundBackend(HINSTANCE module) : module_(module) {}
  void Play(const char* name, bool fromModule, uint32_t flags) override;

 private:
  HINSTANCE module_;
};
