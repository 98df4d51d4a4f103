// A chunk-walking RIFF/WAVE reader for the tests: it takes the format from "fmt "
// (16 or 18 bytes), skips chunks it does not know, finds "data" and accepts a final
// chunk of odd length that ends at the end of the file without a pad byte. And the
// builders of small images for the tests of readers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct WaveFile {
  std::string error;  // empty when the file was read
  uint32_t riffSize = 0;
  uint32_t fmtSize = 0;
  uint16_t formatTag = 0, channels = 0, blockAlign = 0, bitsPerSample = 0;
  uint32_t samplesPerSecond = 0, bytesPerSecond = 0;
  uint16_t extraFormatBytes = 0;    // cbSize of an 18-byte "fmt "
  std::vector<std::string> chunks;  // ids in file order
  uint32_t factSamples = 0;         // value of a "fact" chunk, if any
  size_t dataOffset = 0;            // of the first sample
  uint32_t dataSize = 0;
  std::vector<int> samples;  // 8-bit as stored (0..255), 16-bit signed
};

inline uint32_t LittleEndian(const std::vector<uint8_t>& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<size_t>(i)];
  return v;
}

inline WaveFile ReadWave(const std::vector<uint8_t>& b) {
  WaveFile w;
  auto id = [&b](size_t at) { return std::string(b.begin() + at, b.begin() + at + 4); };
  auto refused = [&w](const std::string& why) {
    w.error = why;
    return w;
  };
  if (b.size() < 12 || id(0) != "RIFF" || id(8) != "WAVE") return refused("not a RIFF/WAVE file");
  w.riffSize = LittleEndian(b, 4, 4);
  if (uint64_t{w.riffSize} + 8 != b.size())
    return refused("RIFF size does not match the file length");
  bool haveFormat = false, haveData = false;
  size_t at = 12;
  while (at < b.size()) {
    if (at + 8 > b.size()) return refused("truncated chunk header");
    const std::string chunk = id(at);
    const uint32_t size = LittleEndian(b, at + 4, 4);
    const size_t body = at + 8;
    if (body + size > b.size()) return refused("chunk " + chunk + " runs past the end");
    w.chunks.push_back(chunk);
    if (chunk == "fmt ") {
      if (size != 16 && size != 18) return refused("unexpected fmt size");
      w.fmtSize = size;
      w.formatTag = static_cast<uint16_t>(LittleEndian(b, body, 2));
      w.channels = static_cast<uint16_t>(LittleEndian(b, body + 2, 2));
      w.samplesPerSecond = LittleEndian(b, body + 4, 4);
      w.bytesPerSecond = LittleEndian(b, body + 8, 4);
      w.blockAlign = static_cast<uint16_t>(LittleEndian(b, body + 12, 2));
      w.bitsPerSample = static_cast<uint16_t>(LittleEndian(b, body + 14, 2));
      if (size == 18) w.extraFormatBytes = static_cast<uint16_t>(LittleEndian(b, body + 16, 2));
      haveFormat = true;
    } else if (chunk == "fact" && size >= 4) {
      w.factSamples = LittleEndian(b, body, 4);
    } else if (chunk == "data" && !haveData) {
      haveData = true;
      w.dataOffset = body;
      w.dataSize = size;
    }
    // Chunks are padded to even length, except a final one that ends the file.
    at = body + size;
    if ((size & 1) && at < b.size()) ++at;
  }
  if (!haveFormat || !haveData) return refused("no fmt or no data chunk");
  if (w.bitsPerSample == 8) {
    for (uint32_t i = 0; i < w.dataSize; ++i) w.samples.push_back(b[w.dataOffset + i]);
  } else if (w.bitsPerSample == 16) {
    for (uint32_t i = 0; i + 1 < w.dataSize; i += 2)
      w.samples.push_back(static_cast<int16_t>(LittleEndian(b, w.dataOffset + i, 2)));
  } else {
    w.error = "unexpected sample size";
  }
  return w;
}

// The header as read, in one line for a test to compare whole: "RIFF 163, fmt 16: tag 1,
// 1 ch, 22050 Hz, 22050 B/s, align 1, 8 bit, extra 0, chunks fmt data, fact 0, data 127
// at 44"; or why it could not be read.
inline std::string HeaderLine(const WaveFile& w) {
  if (!w.error.empty()) return w.error;
  std::string chunks;
  for (const std::string& chunk : w.chunks)
    chunks += (chunks.empty() ? "" : " ") + chunk.substr(0, chunk.find(' '));
  char line[200];
  std::snprintf(line, sizeof line,
                "RIFF %u, fmt %u: tag %u, %u ch, %u Hz, %u B/s, align %u, %u bit, extra %u, "
                "chunks %s, fact %u, data %u at %zu",
                w.riffSize, w.fmtSize, w.formatTag, w.channels, w.samplesPerSecond,
                w.bytesPerSecond, w.blockAlign, w.bitsPerSample, w.extraFormatBytes, chunks.c_str(),
                w.factSamples, w.dataSize, w.dataOffset);
  return line;
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline std::string SoundFilePath(const std::string& fileName) {
  return std::string(ZIRIRAR_SOURCE_DIR) + "/resources/sounds/" + fileName;
}

namespace wave_image {

inline std::string U16(uint32_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
inline std::string U32(uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }

inline std::string Chunk(const std::string& id, const std::string& body) {
  return id + U32(static_cast<uint32_t>(body.size())) + body;
}

// A "fmt " chunk of 16 bytes, or 18 with a zero extra-bytes count.
inline std::string Fmt(uint32_t bits = 8, uint32_t channels = 1, uint32_t rate = 22050,
                       uint32_t tag = 1, bool eighteen = false) {
  const uint32_t align = channels * bits / 8;
  std::string body =
      U16(tag) + U16(channels) + U32(rate) + U32(rate * align) + U16(align) + U16(bits);
  if (eighteen) body += U16(0);
  return Chunk("fmt ", body);
}

inline std::string Riff(const std::string& chunks) {
  return "RIFF" + U32(static_cast<uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

inline std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

}  // namespace wave_image
