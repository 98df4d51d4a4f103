// Builders of small RIFF/WAVE images for the tests of the streaming service's reader,
// and the committed sound files as they are embedded in the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sound/sounds.h"
#include "sound/wave_reader.h"
#include "tests/support/riff_reader.h"

namespace wave_image {

inline std::string U16(uint32_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
inline std::string U32(uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }

inline std::string Chunk(const std::string& id, const std::string& body) {
  return id + U32(static_cast<uint32_t>(body.size())) + body;
}

// A "fmt " chunk of 16 bytes, or 18 with a zero extra-bytes count.
inline std::string Fmt(uint32_t bits = 8, uint32_t channels = 1, uint32_t rate = 22050,
                       uint32_t tag = 1, bool eighteen = false) {
  const uint32_t align = channels * bits / 8;
  std::string body =
      U16(tag) + U16(channels) + U32(rate) + U32(rate * align) + U16(align) + U16(bits);
  if (eighteen) body += U16(0);
  return Chunk("fmt ", body);
}

inline std::string Riff(const std::string& chunks) {
  return "RIFF" + U32(static_cast<uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

inline std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

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

}  // namespace wave_image
