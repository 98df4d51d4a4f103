// The user-interface side of the streaming sound service: a SoundOutput that finds the
// sound and hands the request to the sound thread through a RequestSlot, waking the
// thread only when something changed.
#pragma once

#include "sound/sound_library.h"
#include "sound/sound_player.h"
#include "streaming/request_slot.h"

class Waker {
 public:
  virtual void Wake() = 0;

 protected:
  ~Waker() = default;
};

class StreamRequests final : public SoundOutput {
 public:
  StreamRequests(SoundLibrary& library, RequestSlot& slot, Waker& waker)
      : library_(library), slot_(slot), waker_(waker) {}

  // A sound that cannot be played stops what plays and plays nothing: every new sound
  // replaces the old one, and none is substituted.
  void Play(SoundId sound, bool loop) override;
  void Stop() override;

 private:
  void Post(SoundRequest request);

  SoundLibrary& library_;
  RequestSlot& slot_;
  Waker& waker_;
};
