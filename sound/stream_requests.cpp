#include "sound/stream_requests.h"

namespace {

constexpr uint32_t kResourceFlag = 0x40004;  // SND_RESOURCE
constexpr uint32_t kLoopFlag = 0x8;          // SND_LOOP

}  // namespace

void StreamRequests::Play(const char* name, bool fromModule, uint32_t flags) {
  SoundRequest request;
  if (name != nullptr && fromModule && (flags & kResourceFlag) == kResourceFlag) {
    const int index = library_.Lookup(name);
    if (index >= 0 && static_cast<uint32_t>(index) <= SoundRequest::kMaxSound) {
      request.kind = (flags & kLoopFlag) != 0 ? SoundRequest::Loop : SoundRequest::Once;
      request.sound = static_cast<uint32_t>(index);
    }
  }
  if (slot_.Post(request)) waker_.Wake();
}
