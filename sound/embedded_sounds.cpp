#include "sound/embedded_sounds.h"

#include "resources/embedded_files.h"

// resources/sounds/, built in (sound/CMakeLists.txt).
extern const EmbeddedFile kEmbeddedSounds[];
extern const size_t kEmbeddedSoundsCount;

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Whether `name` is `key` (in lower case) in any case.
bool SameName(const char* name, const char* key) {
  for (; *name != '\0' && *key != '\0'; ++name, ++key) {
    if (Lower(*name) != *key) return false;
  }
  return *name == *key;
}

}  // namespace

bool EmbeddedSounds::Find(const char* name, const uint8_t*& bytes, size_t& size) {
  if (name == nullptr) return false;
  for (size_t i = 0; i < kEmbeddedSoundsCount; ++i) {
    if (SameName(name, kEmbeddedSounds[i].name)) {
      bytes = kEmbeddedSounds[i].bytes;
      size = kEmbeddedSounds[i].size;
      return true;
    }
  }
  return false;
}
