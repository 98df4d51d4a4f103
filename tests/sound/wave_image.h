// The committed sound files as they are embedded in the program, and the builders of
// small RIFF/WAVE images (tests/support/riff_reader.h) for the tests of the streaming
// service's reader.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "sound/sounds.h"
#include "sound/wave_reader.h"
#include "tests/support/riff_reader.h"

namespace wave_image {

struct SoundFile {
  std::string name;  // as the tests call it: "A53" ... "WIN"
  std::vector<uint8_t> bytes;
};

// The 23 files under resources/sounds/, as the programs embed them, in the
// order of their ids (sound/sounds.h).
inline const std::vector<SoundFile>& CommittedSounds() {
  static const std::vector<SoundFile> files = [] {
    std::vector<SoundFile> all;
    for (int note = 53; note <= 72; ++note) {
      const std::string n = std::to_string(note);
      all.push_back({"A" + n, ReadFileBytes(SoundFilePath("a" + n + ".wav"))});
    }
    all.push_back({"BUZZ", ReadFileBytes(SoundFilePath("buzz.wav"))});
    all.push_back({"DING", ReadFileBytes(SoundFilePath("ding.wav"))});
    all.push_back({"WIN", ReadFileBytes(SoundFilePath("win.wav"))});
    return all;
  }();
  return files;
}

// Their bytes alone, by id.
inline std::vector<std::vector<uint8_t>> CommittedImages() {
  std::vector<std::vector<uint8_t>> images;
  for (const SoundFile& file : CommittedSounds()) images.push_back(file.bytes);
  return images;
}

// The samples of a committed sound, as the reader gives them.
inline std::vector<int16_t> SamplesOf(SoundId sound) {
  const std::vector<uint8_t>& bytes = CommittedSounds()[sound].bytes;
  return ReadWaveImage(bytes.data(), bytes.size()).samples;
}
inline std::vector<int16_t> NoteSamples(int16_t note) { return SamplesOf(NoteSound(note)); }

// The committed file of that name ("A53" ... "WIN").
inline const SoundFile& Committed(const std::string& name) {
  for (const SoundFile& file : CommittedSounds())
    if (file.name == name) return file;
  throw std::invalid_argument("no sound file " + name);
}

// `length` samples of `period` repeated back to back, from its sample `from`.
inline std::vector<int16_t> Repeated(const std::vector<int16_t>& period, size_t length,
                                     size_t from = 0) {
  std::vector<int16_t> out(length);
  for (size_t i = 0; i < length; ++i) out[i] = period[(from + i) % period.size()];
  return out;
}

}  // namespace wave_image
