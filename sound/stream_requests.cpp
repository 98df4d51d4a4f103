#include "sound/stream_requests.h"

void StreamRequests::Play(const char* name, bool fromModule, uint32_t flags) {
  SoundRequest request;
  if (name != nullptr && fromModule && (flags & kResource) == kResource) {
    const int index = library_.Lookup(name);
    if (index >= 0 && static_cast<uint32_t>(index) <= SoundRequest::kMaxSound) {
      request.kind = (flags & kLoop) != 0 ? SoundRequest::Loop : SoundRequest::Once;
      request.sound = static_cast<uint32_t>(index);
    }
  }
  if (slot_.Post(request)) waker_.Wake();
}
