#include "streaming/request_slot.h"

static_assert(std::atomic<uint32_t>::is_always_lock_free, "the hand-over must never block");

bool RequestSlot::Post(SoundRequest request) {
  uint32_t old = word_.load(std::memory_order_relaxed);
  if (request.kind == SoundRequest::Stop && (old & kKindMask) == SoundRequest::Stop) return false;
  const uint32_t sound = request.kind == SoundRequest::Stop ? 0 : request.sound & 0x3FF;
  uint32_t word;
  do {
    const uint32_t generation = (old >> kGenerationShift) + 1;
    word = generation << kGenerationShift | sound << kSoundShift | request.kind;
    // Release: the sound the index names is fully read before the sound thread sees it.
  } while (!word_.compare_exchange_weak(old, word, std::memory_order_release,
                                        std::memory_order_relaxed));
  return true;
}

bool RequestSlot::Take(uint32_t& seen, SoundRequest& request) const {
  const uint32_t word = word_.load(std::memory_order_acquire);
  const uint32_t generation = word >> kGenerationShift;
  if (generation == seen) return false;
  seen = generation;
  request.kind = static_cast<SoundRequest::Kind>(word & kKindMask);
  request.sound = (word >> kSoundShift) & 0x3FF;
  return true;
}
