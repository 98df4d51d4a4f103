#include "sound/sound_library.h"

#include <cstring>

#include "sound/wave_reader.h"

namespace {

// The upper-case form of `name` into `key` (kLongestName + 1 bytes); false when the
// name is too long to keep.
bool UpperCase(const char* name, char* key) {
  int i = 0;
  for (; name[i] != '\0'; ++i) {
    if (i == SoundLibrary::kLongestName) return false;
    const char c = name[i];
    key[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  key[i] = '\0';
  return true;
}

}  // namespace

int SoundLibrary::Lookup(const char* name) {
  // A plain array, not a std::string: the runtime's string code would be most of the
  // executable's code.
  char key[kLongestName + 1];
  if (name == nullptr || !UpperCase(name, key)) return -1;
  for (int i = 0; i < count_; ++i) {
    if (std::strcmp(entries_[i].key, key) == 0) return entries_[i].playable ? i : -1;
  }
  // Read it once. A name the table has no room for is not played: the game asks for
  // 23 names, far fewer than the table holds.
  if (count_ == kCapacity) return -1;
  Entry& entry = entries_[count_];
  std::strcpy(entry.key, key);
  const uint8_t* bytes = nullptr;
  size_t size = 0;
  if (source_.Find(name, bytes, size)) {
    WaveReadResult read = ReadWaveImage(bytes, size);
    if (read.status == WaveReadStatus::Ok) {
      entry.samples = std::move(read.samples);
      entry.playable = true;
    }
  }
  const int index = count_++;
  return entry.playable ? index : -1;
}
