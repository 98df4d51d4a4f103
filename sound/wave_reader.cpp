#include "sound/wave_reader.h"

#include <cstring>

#include "sound/sound_rate.h"

namespace {

uint32_t U16(const uint8_t* p) { return uint32_t{p[0]} | uint32_t{p[1]} << 8; }
uint32_t U32(const uint8_t* p) { return U16(p) | U16(p + 2) << 16; }
bool IdIs(const uint8_t* p, const char (&id)[5]) { return std::memcmp(p, id, 4) == 0; }

struct Format {
  uint32_t formatTag, channels, rate, blockAlign, bits;
};

WaveReadResult Refuse(WaveReadStatus status) {
  WaveReadResult result;
  result.status = status;
  return result;
}

}  // namespace

WaveReadResult ReadWaveImage(const uint8_t* bytes, size_t size) {
  if (bytes == nullptr || size < 12 || !IdIs(bytes, "RIFF") || !IdIs(bytes + 8, "WAVE"))
    return Refuse(WaveReadStatus::NotRiffWave);
  // The form ends where its size says; it may not claim more than the image holds.
  const uint64_t formEnd = uint64_t{U32(bytes + 4)} + 8;
  if (formEnd > size) return Refuse(WaveReadStatus::RiffPastEnd);
  const size_t end = static_cast<size_t>(formEnd);

  bool haveFormat = false, haveData = false;
  Format format = {};
  size_t dataAt = 0, dataSize = 0;
  size_t at = 12;
  while (at < end) {
    if (end - at < 8) return Refuse(WaveReadStatus::TruncatedChunk);
    const uint8_t* header = bytes + at;
    const size_t chunkSize = U32(header + 4);
    const size_t body = at + 8;
    if (chunkSize > end - body) return Refuse(WaveReadStatus::ChunkPastEnd);
    if (IdIs(header, "fmt ") && !haveFormat) {
      if (chunkSize != 16 && chunkSize != 18) return Refuse(WaveReadStatus::BadFormatChunk);
      const uint8_t* f = bytes + body;
      format = {U16(f), U16(f + 2), U32(f + 4), U16(f + 12), U16(f + 14)};
      haveFormat = true;
    } else if (IdIs(header, "data") && !haveData) {
      dataAt = body;
      dataSize = chunkSize;
      haveData = true;
    }
    // A pad byte follows an odd chunk unless that chunk ends the form.
    at = body + chunkSize;
    if ((chunkSize & 1) != 0 && at < end) ++at;
  }
  if (!haveFormat) return Refuse(WaveReadStatus::NoFormat);
  if (!haveData) return Refuse(WaveReadStatus::NoData);
  const bool eightBit = format.bits == 8 && format.blockAlign == 1;
  const bool sixteenBit = format.bits == 16 && format.blockAlign == 2;
  if (format.formatTag != 1 || format.channels != 1 || format.rate != kSoundRate ||
      !(eightBit || sixteenBit))
    return Refuse(WaveReadStatus::UnsupportedFormat);

  const size_t count = dataSize / format.blockAlign;
  if (count == 0) return Refuse(WaveReadStatus::Empty);
  WaveReadResult result;
  result.status = WaveReadStatus::Ok;
  result.samples.resize(count);
  const uint8_t* data = bytes + dataAt;
  for (size_t i = 0; i < count; ++i) {
    result.samples[i] = eightBit ? static_cast<int16_t>((int{data[i]} - 128) * 256)
                                 : static_cast<int16_t>(U16(data + 2 * i));
  }
  return result;
}

const char* WaveReadStatusName(WaveReadStatus status) {
  switch (status) {
    case WaveReadStatus::Ok:
      return "Ok";
    case WaveReadStatus::NotRiffWave:
      return "NotRiffWave";
    case WaveReadStatus::RiffPastEnd:
      return "RiffPastEnd";
    case WaveReadStatus::TruncatedChunk:
      return "TruncatedChunk";
    case WaveReadStatus::ChunkPastEnd:
      return "ChunkPastEnd";
    case WaveReadStatus::BadFormatChunk:
      return "BadFormatChunk";
    case WaveReadStatus::NoFormat:
      return "NoFormat";
    case WaveReadStatus::NoData:
      return "NoData";
    case WaveReadStatus::UnsupportedFormat:
      return "UnsupportedFormat";
    case WaveReadStatus::Empty:
      return "Empty";
  }
  return "?";
}
