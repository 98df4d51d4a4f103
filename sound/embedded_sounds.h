// The game's sounds for a program without resources (the Linux game): the files of
// resources/sounds/, built into it, found by name without regard to case.
#pragma once

#include "sound/sound_library.h"

class EmbeddedSounds final : public WaveSource {
 public:
  // "a53" finds a53.wav, as do "A53" and "a53" in any mix of cases; the bytes are
  // the file's and stay valid for the life of the program.
  bool Find(const char* name, const uint8_t*& bytes, size_t& size) override;
};
