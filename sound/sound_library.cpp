#include "sound/sound_library.h"

#include "sound/wave_reader.h"

bool SoundLibrary::Load(SoundId sound) {
  if (!IsSoundId(sound)) return false;
  Entry& entry = entries_[sound];
  if (entry.state == State::Unread) {
    entry.state = State::Unplayable;
    const uint8_t* bytes = nullptr;
    size_t size = 0;
    if (source_.Find(sound, bytes, size)) {
      WaveReadResult read = ReadWaveImage(bytes, size);
      if (read.status == WaveReadStatus::Ok) {
        entry.samples = std::move(read.samples);
        entry.state = State::Playable;
      }
    }
  }
  return entry.state == State::Playable;
}
