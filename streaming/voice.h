// The one voice of the streaming sound service: which sound plays, whether it loops,
// and where it stands. It fills output buffers of any length; nothing else.
//
// With a release, a sound that is stopped or replaced does not break off wherever its
// wave stands (a click): it goes on from there, faded linearly to silence over the
// release, and a sound that replaces it starts from its first sample right after.
// Two sounds never mix. Without one (the default), a stop silences at once and a new
// sound takes over at once.
#pragma once

#include <cstddef>
#include <cstdint>

class Voice {
 public:
  // Length of the fade-out in samples; 0 for none. A fade already under way is
  // shortened to it if it is longer.
  void SetRelease(size_t samples);

  // Starts `samples` from its first sample, replacing whatever played (after its
  // release). A looped sound is repeated back to back without end; an empty sound
  // plays nothing, like a stop.
  void Start(const int16_t* samples, size_t count, bool loop);
  // Silences (after the release). A stop during a release lets it go on from where
  // it stands and cancels the sound that was to follow it; a start during a release
  // does not lengthen it, and only the latest start follows it.
  void Stop();
  // Whether Fill still has sound to give: a sound, its release, or what follows it.
  bool Playing() const { return current_.samples != nullptr; }

  // Writes `count` output samples: the sound from where it stands, its samples
  // repeated with no gap and nothing added between repetitions when it loops, then
  // silence (0) once a one-shot sound has played its last sample or when nothing
  // plays. Returns how many of them are sound; the rest, at the end, are silence.
  size_t Fill(int16_t* out, size_t count);

 private:
  struct Sound {
    const int16_t* samples = nullptr;  // null when there is none
    size_t count = 0;
    size_t position = 0;  // next sample to play, always < count
    bool loop = false;
  };

  // Moves `sound` on by one sample; it becomes empty after a one-shot's last.
  static void Advance(Sound& sound);
  // The release has ended (or the released sound did): what follows it takes over.
  void EndRelease();

  Sound current_;
  Sound next_;  // starts when the release of current_ ends
  size_t release_ = 0;
  // Samples of current_'s release still to play; 0 when it is not being released.
  // Its gain is fading_ / (release_ + 1): below 1 from the first faded sample, above
  // 0 until the last, so the fade takes equal steps into the silence after it.
  size_t fading_ = 0;
};
