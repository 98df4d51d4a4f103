// The sound thread's side of the streaming sound service: it takes the latest request
// from the RequestSlot, starts or stops the one voice accordingly, and fills output
// buffers from it. The platform part owns the thread and the output device.
#pragma once

#include <cstddef>
#include <cstdint>

#include "sound/sound_library.h"
#include "streaming/request_slot.h"
#include "streaming/voice.h"

class StreamFeeder {
 public:
  StreamFeeder(const SoundLibrary& library, const RequestSlot& slot)
      : library_(library), slot_(slot) {}

  // The voice's release (see Voice::SetRelease); 0, the default, for none.
  void SetRelease(size_t samples) { voice_.SetRelease(samples); }

  // Applies the latest request if one came since the last call: a play starts its
  // sound from the first sample (the same sound again restarts it), a stop silences,
  // each after the release of what played. Returns true when it applied one; without
  // a release, whatever the output still holds from before is then out of date and
  // must be discarded at once.
  bool Update();

  bool Playing() const { return voice_.Playing(); }

  // See Voice::Fill.
  size_t Fill(int16_t* out, size_t count) { return voice_.Fill(out, count); }

 private:
  const SoundLibrary& library_;
  const RequestSlot& slot_;
  Voice voice_;
  uint32_t seen_ = 0;
};
