#include "streaming/stream_feeder.h"

#include <vector>

bool StreamFeeder::Update() {
  SoundRequest request;
  if (!slot_.Take(seen_, request)) return false;
  if (request.kind == SoundRequest::Stop) {
    voice_.Stop();
  } else {
    const std::vector<int16_t>& samples = library_.Samples(static_cast<SoundId>(request.sound));
    voice_.Start(samples.data(), samples.size(), request.kind == SoundRequest::Loop);
  }
  return true;
}
