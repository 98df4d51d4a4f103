#include "streaming/voice.h"

#include <algorithm>
#include <cstring>

void Voice::SetRelease(size_t samples) {
  release_ = samples;
  if (fading_ > release_) {
    fading_ = release_;
    if (fading_ == 0) EndRelease();
  }
}

void Voice::Start(const int16_t* samples, size_t count, bool loop) {
  if (samples == nullptr || count == 0) {
    Stop();
    return;
  }
  Sound sound;
  sound.samples = samples;
  sound.count = count;
  sound.loop = loop;
  if (release_ == 0 || !Playing()) {
    current_ = sound;
    next_ = Sound();
    fading_ = 0;
    return;
  }
  next_ = sound;
  if (fading_ == 0) fading_ = release_;
}

void Voice::Stop() {
  next_ = Sound();
  if (release_ == 0 || !Playing()) {
    current_ = Sound();
    fading_ = 0;
    return;
  }
  if (fading_ == 0) fading_ = release_;
}

void Voice::Advance(Sound& sound) {
  if (++sound.position < sound.count) return;
  if (sound.loop) {
    sound.position = 0;
  } else {
    sound = Sound();
  }
}

void Voice::EndRelease() {
  current_ = next_;
  next_ = Sound();
  fading_ = 0;
}

size_t Voice::Fill(int16_t* out, size_t count) {
  size_t written = 0;
  while (written < count && current_.samples != nullptr) {
    if (fading_ == 0) {
      // Whole runs of the sound as it is, up to its end or the buffer's.
      const size_t run = std::min(count - written, current_.count - current_.position);
      std::memcpy(out + written, current_.samples + current_.position, run * sizeof(int16_t));
      written += run;
      current_.position += run - 1;
      Advance(current_);
      continue;
    }
    const int64_t sample = current_.samples[current_.position];
    out[written++] = static_cast<int16_t>(sample * static_cast<int64_t>(fading_) /
                                          static_cast<int64_t>(release_ + 1));
    --fading_;
    Advance(current_);
    if (fading_ == 0 || current_.samples == nullptr) EndRelease();
  }
  std::fill(out + written, out + count, int16_t{0});
  return written;
}
