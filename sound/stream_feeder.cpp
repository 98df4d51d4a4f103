#include "sound/stream_feeder.h"

#include <algorithm>
#include <vector>

void StreamFeeder::Apply(const SoundRequest& request, bool fadeOut) {
  // The fade: what the voice goes on with (silence once it has ended), from full level
  // down to almost nothing. A sound replaced before any of it was given out was never
  // heard, and a fade of silence is none.
  fadeAt_ = fadeLeft_ = 0;
  if (fadeOut && voiceGivenOut_) {
    voice_.Fill(fade_.data(), kFadeSamples);
    bool audible = false;
    for (size_t i = 0; i < kFadeSamples; ++i) {
      fade_[i] = static_cast<int16_t>(int32_t{fade_[i]} * static_cast<int32_t>(kFadeSamples - i) /
                                      static_cast<int32_t>(kFadeSamples));
      audible = audible || fade_[i] != 0;
    }
    if (audible) fadeLeft_ = kFadeSamples;
  }
  if (request.kind == SoundRequest::Stop) {
    voice_.Stop();
  } else {
    const std::vector<int16_t>& samples = library_.Samples(static_cast<int>(request.sound));
    voice_.Start(samples.data(), samples.size(), request.kind == SoundRequest::Loop);
  }
  voiceGivenOut_ = false;
}

size_t StreamFeeder::Fill(int16_t* out, size_t count) {
  const size_t sound = voice_.Fill(out, count);
  const size_t mixed = std::min(count, fadeLeft_);
  for (size_t i = 0; i < mixed; ++i) {
    const int32_t sum = int32_t{out[i]} + fade_[fadeAt_ + i];
    out[i] = static_cast<int16_t>(std::clamp<int32_t>(sum, INT16_MIN, INT16_MAX));
  }
  fadeAt_ += mixed;
  fadeLeft_ -= mixed;
  voiceGivenOut_ = voiceGivenOut_ || count > 0;
  return std::max(sound, mixed);
}
