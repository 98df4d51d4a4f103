#include "sound/embedded_sounds.h"

#include <cstring>

#include "resources/embedded_files.h"

// resources/sounds/, built in (sound/CMakeLists.txt).
extern const EmbeddedFile kEmbeddedSounds[];
extern const size_t kEmbeddedSoundsCount;

bool EmbeddedSounds::Find(SoundId sound, const uint8_t*& bytes, size_t& size) {
  const char* name = SoundName(sound);
  if (name == nullptr) return false;
  for (size_t i = 0; i < kEmbeddedSoundsCount; ++i) {
    if (std::strcmp(kEmbeddedSounds[i].name, name) == 0) {
      bytes = kEmbeddedSounds[i].bytes;
      size = kEmbeddedSounds[i].size;
      return true;
    }
  }
  return false;
}
