#include "sound/wave_reader.h"

#include <gtest/gtest.h>

#include <memory>

#include "soundgen/sound_set.h"
#include "tests/sound/wave_image.h"

using namespace wave_image;

namespace {

// Reads from a heap block of exactly the image's size, so that AddressSanitizer
// reports any read past its end.
WaveReadResult ReadExact(const std::vector<uint8_t>& image, size_t size) {
  std::unique_ptr<uint8_t[]> block(new uint8_t[size > 0 ? size : 1]);
  std::copy(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(size), block.get());
  return ReadWaveImage(block.get(), size);
}
WaveReadResult ReadExact(const std::vector<uint8_t>& image) {
  return ReadExact(image, image.size());
}
WaveReadResult ReadExact(const std::string& image) { return ReadExact(Bytes(image)); }

void SetU32(std::vector<uint8_t>& image, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) image[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

#define EXPECT_STATUS(result, expected) \
  EXPECT_STREQ(WaveReadStatusName((result).status), WaveReadStatusName(expected))

}  // namespace

TEST(WaveReaderOnTheSoundSet, ReadsEveryNoteAsItsPeriodIn16Bits) {
  for (const SoundFile& file : CommittedSounds()) {
    if (file.name[0] != 'A') continue;
    SCOPED_TRACE(file.name);
    const WaveReadResult read = ReadExact(file.bytes);
    ASSERT_EQ(read.status, WaveReadStatus::Ok);
    const NoteShape* shape = FindNoteShape(static_cast<int16_t>(std::stoi(file.name.substr(1))));
    ASSERT_NE(shape, nullptr);
    ASSERT_EQ(read.samples.size(), static_cast<size_t>(shape->samples));
    for (size_t i = 0; i < read.samples.size(); ++i) {
      ASSERT_EQ(read.samples[i], (file.bytes[44 + i] - 128) * 256) << "sample " << i;
    }
    // Plateaus at +-32 of the 8-bit centre line become +-8192.
    EXPECT_EQ(*std::max_element(read.samples.begin(), read.samples.end()), 8192);
    EXPECT_EQ(*std::min_element(read.samples.begin(), read.samples.end()), -8192);
  }
}

TEST(WaveReaderOnTheSoundSet, ReadsTheEffectsWithTheirFactChunkSkipped) {
  const std::pair<std::string, uint32_t> effects[] = {
      {"BUZZ", kBuzzSamples}, {"DING", kDingSamples}, {"WIN", kWinSamples}};
  for (const auto& effect : effects) {
    SCOPED_TRACE(effect.first);
    const std::vector<uint8_t>& bytes = Committed(effect.first).bytes;
    const WaveReadResult read = ReadExact(bytes);
    ASSERT_EQ(read.status, WaveReadStatus::Ok);
    ASSERT_EQ(read.samples.size(), effect.second);
    EXPECT_EQ(std::vector<int>(read.samples.begin(), read.samples.end()), ReadWave(bytes).samples);
  }
}

TEST(WaveReaderOnTheSoundSet, RefusesEveryTruncationOfEveryFile) {
  for (const SoundFile& file : CommittedSounds()) {
    SCOPED_TRACE(file.name);
    const size_t size = file.bytes.size();
    for (size_t cut = 0; cut < size; ++cut) {
      // Every cut of the short notes; of the long effects, the headers, a stride
      // through the samples and the last bytes.
      if (cut > 128 && cut < size - 16 && cut % 997 != 0) continue;
      SCOPED_TRACE(cut);
      // As cut off: the RIFF size claims more than there is.
      EXPECT_STATUS(ReadExact(file.bytes, cut),
                    cut < 12 ? WaveReadStatus::NotRiffWave : WaveReadStatus::RiffPastEnd);
      if (cut < 12) continue;
      // With a RIFF size that agrees with the cut, the chunk that is cut is refused.
      std::vector<uint8_t> patched(file.bytes.begin(), file.bytes.begin() + cut);
      SetU32(patched, 4, static_cast<uint32_t>(cut - 8));
      const WaveReadResult read = ReadExact(patched);
      EXPECT_NE(read.status, WaveReadStatus::Ok);
      if (cut > 12 && cut < 20) {
        EXPECT_STATUS(read, WaveReadStatus::TruncatedChunk);
      }
      if (cut > 20 && cut < 36) {
        EXPECT_STATUS(read, WaveReadStatus::ChunkPastEnd);
      }
      if (file.name[0] == 'A' && cut == 36) {
        EXPECT_STATUS(read, WaveReadStatus::NoData);
      }
      if (file.name[0] == 'A' && cut > 44) {
        EXPECT_STATUS(read, WaveReadStatus::ChunkPastEnd);
      }
    }
  }
}

TEST(WaveReaderOnTheSoundSet, IgnoresBytesAfterTheForm) {
  // A resource may be stored with padding after the file it holds.
  for (const SoundFile& file : CommittedSounds()) {
    std::vector<uint8_t> padded = file.bytes;
    padded.insert(padded.end(), {0xAA, 0xBB, 0xCC});
    const WaveReadResult read = ReadExact(padded);
    ASSERT_EQ(read.status, WaveReadStatus::Ok) << file.name;
    EXPECT_EQ(read.samples, ReadExact(file.bytes).samples) << file.name;
  }
}

TEST(WaveReaderChunks, OddFinalChunkWithoutPadIsAccepted) {
  const WaveReadResult read = ReadExact(Riff(Fmt() + Chunk("data", "\x84\x7C\x90")));
  ASSERT_EQ(read.status, WaveReadStatus::Ok);
  EXPECT_EQ(read.samples, (std::vector<int16_t>{0x04 * 256, -0x04 * 256, 0x10 * 256}));
  // An odd chunk after the data, ending the form, is fine too.
  EXPECT_EQ(ReadExact(Riff(Fmt() + Chunk("data", "\x84\x7C") + Chunk("junk", "abc"))).status,
            WaveReadStatus::Ok);
}

TEST(WaveReaderChunks, SkipsUnknownChunksAndTheirPadBytes) {
  const std::string data = Chunk("data", std::string("\x80\xA0", 2));
  const WaveReadResult read =
      ReadExact(Riff(Chunk("LIST", "abc") + '\0' + Fmt() + Chunk("fact", U32(2)) + data));
  ASSERT_EQ(read.status, WaveReadStatus::Ok);
  EXPECT_EQ(read.samples, (std::vector<int16_t>{0, 32 * 256}));
  // Without its pad byte, an odd chunk before others leaves the walk misaligned:
  // what follows is not read as a data chunk.
  EXPECT_NE(ReadExact(Riff(Fmt() + Chunk("LIST", "abc") + data)).status, WaveReadStatus::Ok);
}

TEST(WaveReaderChunks, TakesDataBeforeFormatAndTheFirstOfRepeatedChunks) {
  const WaveReadResult read =
      ReadExact(Riff(Chunk("data", "\x90\x70") + Fmt() + Fmt(16) + Chunk("data", "\x80\x80\x80")));
  ASSERT_EQ(read.status, WaveReadStatus::Ok);
  EXPECT_EQ(read.samples, (std::vector<int16_t>{0x10 * 256, -0x10 * 256}));
}

TEST(WaveReaderChunks, ReadsSixteenBitSamplesAndDropsAHalfSample) {
  const WaveReadResult read = ReadExact(
      Riff(Fmt(16, 1, 22050, 1, true) + Chunk("data", std::string("\x01\x80\xFF\x7F\x34", 5))));
  ASSERT_EQ(read.status, WaveReadStatus::Ok);
  EXPECT_EQ(read.samples, (std::vector<int16_t>{-32767, 32767}));
}

TEST(WaveReaderRefuses, ChunksThatClaimMoreThanTheFormHolds) {
  const std::string fmt = Fmt();
  std::vector<uint8_t> image = Bytes(Riff(fmt + Chunk("data", "\x84\x7C\x84\x7C")));
  const size_t dataSizeAt = 12 + fmt.size() + 4;
  for (uint32_t claimed : {5u, 6u, 1000u, 0x7FFFFFFFu, 0xFFFFFFF8u, 0xFFFFFFFFu}) {
    SetU32(image, dataSizeAt, claimed);
    EXPECT_STATUS(ReadExact(image), WaveReadStatus::ChunkPastEnd) << claimed;
  }
  SetU32(image, dataSizeAt, 4);
  EXPECT_EQ(ReadExact(image).status, WaveReadStatus::Ok);
  for (uint32_t claimed : {0xFFFFFFF7u, 0xFFFFFFFFu, static_cast<uint32_t>(image.size() - 7)}) {
    SetU32(image, 4, claimed);
    EXPECT_STATUS(ReadExact(image), WaveReadStatus::RiffPastEnd) << claimed;
  }
  // A form too short for a chunk header after its last chunk.
  EXPECT_STATUS(ReadExact(Riff(Fmt() + Chunk("data", "\x84") + "dat")),
                WaveReadStatus::TruncatedChunk);
}

TEST(WaveReaderRefuses, MissingOrMalformedChunks) {
  EXPECT_STATUS(ReadExact(std::string("RIFX") + U32(4) + "WAVE"), WaveReadStatus::NotRiffWave);
  EXPECT_STATUS(ReadExact(std::string("RIFF") + U32(4) + "AVI "), WaveReadStatus::NotRiffWave);
  EXPECT_STATUS(ReadExact(Riff("")), WaveReadStatus::NoFormat);
  EXPECT_STATUS(ReadExact(Riff(Chunk("data", "\x80"))), WaveReadStatus::NoFormat);
  EXPECT_STATUS(ReadExact(Riff(Fmt())), WaveReadStatus::NoData);
  EXPECT_STATUS(ReadExact(Riff(Fmt() + Chunk("data", ""))), WaveReadStatus::Empty);
  EXPECT_STATUS(ReadExact(Riff(Fmt(16) + Chunk("data", "\x01"))), WaveReadStatus::Empty);
  for (size_t length : {0u, 14u, 17u, 20u, 40u}) {
    EXPECT_STATUS(
        ReadExact(Riff(Chunk("fmt ", std::string(length, '\x01')) + Chunk("data", "\x80"))),
        WaveReadStatus::BadFormatChunk)
        << length;
  }
}

TEST(WaveReaderRefuses, FormatsTheOutputDoesNotPlay) {
  const std::string data = Chunk("data", std::string(8, '\x80'));
  for (const std::string& fmt :
       {Fmt(8, 2), Fmt(8, 1, 44100), Fmt(8, 1, 11025), Fmt(24), Fmt(16, 1, 22050, 3)})
    EXPECT_STATUS(ReadExact(Riff(fmt + data)), WaveReadStatus::UnsupportedFormat)
        << testing::PrintToString(fmt);
  // A block alignment that disagrees with the sample size.
  std::vector<uint8_t> image = Bytes(Riff(Fmt(8) + data));
  image[12 + 8 + 12] = 2;
  EXPECT_STATUS(ReadExact(image), WaveReadStatus::UnsupportedFormat);
}

TEST(WaveReaderRefuses, DamagedHeadersWithoutReadingOutOfBounds) {
  // Random damage to the header fields of real sounds: every image is read or
  // refused, never read past its end (AddressSanitizer watches), and what is read
  // fits in the image.
  uint32_t state = 12345;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };
  int read = 0, refused = 0;
  for (const char* name : {"A53", "A72", "BUZZ", "DING"}) {
    for (int round = 0; round < 3000; ++round) {
      std::vector<uint8_t> image = Committed(name).bytes;
      const int damage = 1 + static_cast<int>(next() % 3);
      for (int d = 0; d < damage; ++d) {
        const size_t at = next() % 64;
        if (next() % 2) {
          image[at] = static_cast<uint8_t>(next());
        } else if (at + 4 <= image.size()) {
          const uint32_t small = next() % 512;
          SetU32(image, at & ~size_t{3}, next() % 4 ? small : next());
        }
      }
      const size_t cut = next() % 4 == 0 ? next() % image.size() : image.size();
      const WaveReadResult result = ReadExact(image, cut);
      if (result.status == WaveReadStatus::Ok) {
        ++read;
        EXPECT_FALSE(result.samples.empty());
        EXPECT_LE(result.samples.size(), cut);
      } else {
        ++refused;
        EXPECT_TRUE(result.samples.empty());
      }
    }
  }
  // The damage is varied enough to reach both outcomes.
  EXPECT_GT(read, 100);
  EXPECT_GT(refused, 1000);
}
