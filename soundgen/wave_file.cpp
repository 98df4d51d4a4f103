#include "soundgen/wave_file.h"

namespace {

class Writer {
 public:
  explicit Writer(WaveBytes& out) : out_(out) {}
  void Tag(const char (&id)[5]) { out_.insert(out_.end(), id, id + 4); }
  void U16(uint32_t value) {
    for (int i = 0; i < 2; ++i) out_.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  void U32(uint32_t value) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }

 private:
  WaveBytes& out_;
};

// RIFF header and the PCM "fmt " chunk; the caller appends the remaining chunks.
void WriteHeader(Writer& w, uint32_t riffSize, uint32_t fmtSize, uint32_t bytesPerSample) {
  w.Tag("RIFF");
  w.U32(riffSize);
  w.Tag("WAVE");
  w.Tag("fmt ");
  w.U32(fmtSize);
  w.U16(1);  // PCM
  w.U16(1);  // mono
  w.U32(kSoundRate);
  w.U32(kSoundRate * bytesPerSample);
  w.U16(bytesPerSample);
  w.U16(8 * bytesPerSample);
  if (fmtSize == 18) w.U16(0);  // no extra format bytes
}

}  // namespace

WaveBytes EightBitWaveFile(const std::vector<uint8_t>& samples) {
  const uint32_t count = static_cast<uint32_t>(samples.size());
  WaveBytes out;
  out.reserve(44 + count);
  Writer w(out);
  WriteHeader(w, 36 + count, 16, 1);
  w.Tag("data");
  w.U32(count);
  out.insert(out.end(), samples.begin(), samples.end());
  return out;
}

WaveBytes SixteenBitWaveFile(const std::vector<int16_t>& samples, bool withFact) {
  const uint32_t count = static_cast<uint32_t>(samples.size());
  const uint32_t factSize = withFact ? 12 : 0;
  WaveBytes out;
  out.reserve(46 + factSize + 2 * count);
  Writer w(out);
  WriteHeader(w, 38 + factSize + 2 * count, 18, 2);
  if (withFact) {
    w.Tag("fact");
    w.U32(4);
    w.U32(count);
  }
  w.Tag("data");
  w.U32(2 * count);
  for (int16_t sample : samples) w.U16(static_cast<uint16_t>(sample));
  return out;
}
