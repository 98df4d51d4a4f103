// The program's sounds as an output finds them, from images the test holds, every find
// counted by id.
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

#include "sound/sound_library.h"

class CountingWaveSource final : public WaveSource {
 public:
  // `images` by id; with `forEveryId`, images[0] serves every id asked for, in the table
  // or not.
  explicit CountingWaveSource(std::vector<std::vector<uint8_t>> images, bool forEveryId = false)
      : images(std::move(images)), forEveryId_(forEveryId) {}

  std::vector<std::vector<uint8_t>> images;
  std::map<SoundId, int> finds;

  bool Find(SoundId sound, const uint8_t*& bytes, size_t& size) override {
    ++finds[sound];
    const int at = forEveryId_ ? 0 : sound;
    if (at < 0 || at >= static_cast<int>(images.size())) return false;
    bytes = images[at].data();
    size = images[at].size();
    return true;
  }

 private:
  bool forEveryId_;
};
