// The user-interface side of the streaming sound service: it takes the three request
// patterns of the game's SoundBackend, finds the sound, and hands the request to the
// sound thread through a RequestSlot, waking the thread only when something changed.
#pragma once

#include <cstdint>

#include "sound/request_slot.h"
#include "sound/sound_library.h"
#include "sound/sound_player.h"

class Waker {
 public:
  virtual void Wake() = 0;

 protected:
  ~Waker() = default;
};

class StreamRequests final : public SoundBackend {
 public:
  StreamRequests(SoundLibrary& library, RequestSlot& slot, Waker& waker)
      : library_(library), slot_(slot), waker_(waker) {}

  // A null name is the silence request. A resource name in the program's module
  // plays that sound, looped with the loop flag, once without. Any other request
  // (an unknown name, a sound that cannot be read, a file name) stops what plays and
  // plays nothing: every new sound replaces the old one, and none is substituted.
  void Play(const char* name, bool fromModule, uint32_t flags) override;

 private:
  SoundLibrary& library_;
  RequestSlot& slot_;
  Waker& waker_;
};
