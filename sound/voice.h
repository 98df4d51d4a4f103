// The one voice of the streaming sound service: which sound plays, whether it loops,
// and where it stands. It fills output buffers of any length; nothing else.
#pragma once

#include <cstddef>
#include <cstdint>

class Voice {
 public:
  // Starts `samples` from its first sample, replacing whatever played. A looped sound
  // is repeated back to back without end; an empty sound plays nothing.
  void Start(const int16_t* samples, size_t count, bool loop);
  void Stop();
  bool Playing() const { return samples_ != nullptr; }

  // Writes `count` output samples: the sound from where it stands, its samples
  // repeated with no gap and nothing added between repetitions when it loops, then
  // silence (0) once a one-shot sound has played its last sample or when nothing
  // plays. Returns how many of them are sound; the rest, at the end, are silence.
  size_t Fill(int16_t* out, size_t count);

 private:
  const int16_t* samples_ = nullptr;
  size_t count_ = 0;
  size_t position_ = 0;  // next sample to play, always < count_ while playing
  bool loop_ = false;
};
