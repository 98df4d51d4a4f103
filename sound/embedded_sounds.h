// The game's sounds for a program without resources (the Linux and browser games): the
// files of resources/sounds/, built into it in the order of their ids.
#pragma once

#include "sound/sound_library.h"

class EmbeddedSounds final : public WaveSource {
 public:
  // The bytes are the file's and stay valid for the life of the program.
  bool Find(SoundId sound, const uint8_t*& bytes, size_t& size) override;
};
