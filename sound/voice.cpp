#include "sound/voice.h"

#include <algorithm>
#include <cstring>

void Voice::Start(const int16_t* samples, size_t count, bool loop) {
  if (samples == nullptr || count == 0) {
    Stop();
    return;
  }
  samples_ = samples;
  count_ = count;
  position_ = 0;
  loop_ = loop;
}

void Voice::Stop() {
  samples_ = nullptr;
  count_ = 0;
  position_ = 0;
}

size_t Voice::Fill(int16_t* out, size_t count) {
  size_t written = 0;
  while (written < count && samples_ != nullptr) {
    const size_t run = std::min(count - written, count_ - position_);
    std::memcpy(out + written, samples_ + position_, run * sizeof(int16_t));
    written += run;
    position_ += run;
    if (position_ == count_) {
      if (loop_) {
        position_ = 0;
      } else {
        Stop();
      }
    }
  }
  std::fill(out + written, out + count, int16_t{0});
  return written;
}
