// The sound output of the Windows program: PlaySoundA finds the sound's WAVE resource
// by its number in the program's module and plays it on its own.
#pragma once

#include <windows.h>

#include "sound/sound_player.h"

class PlaySoundOutput final : public SoundOutput {
 public:
  explicit PlaySoundOutput(HINSTANCE module) : module_(module) {}
  void Play(SoundId sound, bool loop) override;
  void Stop() override;

 private:
  HINSTANCE module_;
};
