#include "sound/sound_library.h"

#include "sound/wave_reader.h"

namespace {

std::string UpperCase(const char* name) {
  std::string key(name);
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return key;
}

}  // namespace

int SoundLibrary::Lookup(const char* name) {
  if (name == nullptr) return -1;
  const std::string key = UpperCase(name);
  for (int i = 0; i < count_; ++i) {
    if (entries_[i].key == key) return entries_[i].playable ? i : -1;
  }
  // Read it once. A name the table has no room for is not played: the game asks for
  // 23 names, far fewer than the table holds.
  if (count_ == kCapacity) return -1;
  Entry& entry = entries_[count_];
  entry.key = key;
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
