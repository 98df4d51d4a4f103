#include "sound/embedded_sounds.h"

#include "resources/embedded_files.h"

// resources/sounds/, built in by id (sound/CMakeLists.txt).
extern const EmbeddedFile kEmbeddedSounds[];
extern const size_t kEmbeddedSoundsCount;

bool EmbeddedSounds::Find(SoundId sound, const uint8_t*& bytes, size_t& size) {
  if (sound < 0 || static_cast<size_t>(sound) >= kEmbeddedSoundsCount) return false;
  bytes = kEmbeddedSounds[sound].bytes;
  size = kEmbeddedSounds[sound].size;
  return true;
}
