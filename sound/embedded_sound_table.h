// The sound files built into a program that has no resources (the Linux game): the
// table that sound/embed_sounds.cmake writes from resources/sounds/.
#pragma once

#include <cstddef>
#include <cstdint>

struct EmbeddedSound {
  const char* name;      // the file's name without ".wav", in lower case: "a53", "ding"
  const uint8_t* bytes;  // the whole WAVE file
  size_t size;
};

extern const EmbeddedSound kEmbeddedSounds[];
extern const size_t kEmbeddedSoundCount;
