// The sound thread's side of the streaming sound service: it takes the latest request
// from the RequestSlot, starts or stops the one voice accordingly, and fills output
// buffers from it. The platform part owns the thread and the output device.
//
// A sound that is stopped can end with a fade: it goes on for a few milliseconds from
// where it stands, down to silence, instead of breaking off mid-wave, which is heard
// as a click. That holds where the output plays out what was written before the
// fade, without a break (see app/audio_stream_backend.cpp).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "sound/request_slot.h"
#include "sound/sound_library.h"
#include "sound/voice.h"

class StreamFeeder {
 public:
  static constexpr size_t kFadeSamples = 88;  // 4 ms at the sounds' rate

  StreamFeeder(const SoundLibrary& library, const RequestSlot& slot)
      : library_(library), slot_(slot) {}

  // Takes the latest request, if one came since the last; false when none did.
  bool Take(SoundRequest& request) { return slot_.Take(seen_, request); }

  // Applies a request: a play starts its sound from the first sample (the same sound
  // again restarts it), a stop silences. With `fadeOut`, the sound that plays fades
  // out from the next sample Fill gives, mixed under the start of a new sound.
  void Apply(const SoundRequest& request, bool fadeOut);

  // Takes and applies the latest request, if one came; returns whether one did.
  bool Update(bool fadeOut = false) {
    SoundRequest request;
    if (!Take(request)) return false;
    Apply(request, fadeOut);
    return true;
  }

  // True while a sound plays or a fade has samples left.
  bool Playing() const { return voice_.Playing() || fadeLeft_ > 0; }

  // Writes `count` output samples: the voice's (see Voice::Fill) with what remains of
  // a fade added. Returns how many of them are sound; the rest, at the end, are silence.
  size_t Fill(int16_t* out, size_t count);

 private:
  const SoundLibrary& library_;
  const RequestSlot& slot_;
  Voice voice_;
  uint32_t seen_ = 0;
  bool voiceGivenOut_ = false;  // some of the voice's sound given out since it started
  std::array<int16_t, kFadeSamples> fade_ = {};
  size_t fadeAt_ = 0, fadeLeft_ = 0;
};
