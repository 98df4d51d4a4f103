// Reads a RIFF/WAVE image held in memory (a WAVE resource of the program) into the
// samples the output stream plays: signed 16-bit mono at 22050 Hz.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum class WaveReadStatus {
  Ok,
  NotRiffWave,        // no "RIFF" ... "WAVE" header
  RiffPastEnd,        // the RIFF size claims more bytes than the image holds
  TruncatedChunk,     // a chunk header cut off by the end of the RIFF form
  ChunkPastEnd,       // a chunk's size runs past the end of the RIFF form
  BadFormatChunk,     // "fmt " neither 16 nor 18 bytes long
  NoFormat,           // no "fmt " chunk
  NoData,             // no "data" chunk
  UnsupportedFormat,  // not PCM, not mono, not 22050 Hz, or neither 8 nor 16 bits
  Empty,              // a data chunk without a single whole sample
};

struct WaveReadResult {
  WaveReadStatus status = WaveReadStatus::NotRiffWave;
  std::vector<int16_t> samples;  // empty unless status is Ok
};

// Walks the chunks by id and size: the format comes from "fmt " (16 or 18 bytes),
// chunks it does not know ("fact", "LIST", ...) are skipped, the first "data" chunk is
// played. Chunks are padded to even length, except a final chunk of odd length that
// ends exactly at the end of the form. Every size is checked against `size` before a
// byte is read, so a malformed image is refused, never read past its end. Bytes after
// the end of the RIFF form are ignored. Unsigned 8-bit samples become 16-bit
// ((v - 128) * 256); a trailing half sample of 16-bit data is dropped.
WaveReadResult ReadWaveImage(const uint8_t* bytes, size_t size);

const char* WaveReadStatusName(WaveReadStatus status);
