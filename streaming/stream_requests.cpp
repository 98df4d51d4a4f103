#include "streaming/stream_requests.h"

void StreamRequests::Play(SoundId sound, bool loop) {
  SoundRequest request;  // a stop, unless the sound can be played
  if (library_.Load(sound)) {
    request.kind = loop ? SoundRequest::Loop : SoundRequest::Once;
    request.sound = static_cast<uint32_t>(sound);
  }
  Post(request);
}

void StreamRequests::Stop() { Post(SoundRequest{}); }

void StreamRequests::Post(SoundRequest request) {
  if (slot_.Post(request)) waker_.Wake();
}
