// Hands sound requests from the user-interface thread to the sound thread without a
// lock and without waiting. Every request replaces the one before it (the game has
// one voice), so the sound thread needs only the latest: one atomic word holds it
// with a generation count, which also tells a repeated request (the same note again,
// which restarts it) from no request at all.
#pragma once

#include <atomic>
#include <cstdint>

struct SoundRequest {
  enum Kind : uint32_t { Stop = 0, Once = 1, Loop = 2 };
  Kind kind = Stop;
  uint32_t sound = 0;  // the sound's id (sound/sounds.h); 0 for a stop

  static constexpr uint32_t kMaxSound = 1023;
};

class RequestSlot {
 public:
  // Publishes a request (`sound` at most kMaxSound). Returns whether the sound thread
  // must be woken: false only for a stop when the latest request was already a stop,
  // which leaves the word untouched and costs one atomic load.
  bool Post(SoundRequest request);

  // The latest request, if one was posted since the generation in `seen`; updates
  // `seen`. Requests posted in between are superseded and never seen.
  bool Take(uint32_t& seen, SoundRequest& request) const;

  // Generation of the latest request (0 before the first).
  uint32_t Generation() const { return word_.load(std::memory_order_acquire) >> kGenerationShift; }

 private:
  // Bits 0-1 kind, 2-11 sound, 12-31 generation (wraps; only equality matters).
  static constexpr uint32_t kKindMask = 0x3;
  static constexpr uint32_t kSoundShift = 2;
  static constexpr uint32_t kGenerationShift = 12;
  std::atomic<uint32_t> word_{0};
};
