#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "soundgen/sound_set.h"
#include "tests/support/riff_reader.h"

using namespace wave_image;

namespace {

const std::vector<NamedSound>& Set() {
  static const std::vector<NamedSound> set = MakeSoundSet();
  return set;
}

}  // namespace

TEST(CommittedSoundFiles, EqualTheGeneratorsOutputByteForByte) {
  ASSERT_EQ(Set().size(), 23u) << "twenty notes and three effects";
  for (const NamedSound& sound : Set()) {
    const std::vector<uint8_t> committed = ReadFileBytes(SoundFilePath(sound.fileName));
    ASSERT_EQ(committed.size(), sound.bytes.size()) << sound.fileName;
    const auto diff = std::mismatch(committed.begin(), committed.end(), sound.bytes.begin());
    EXPECT_TRUE(diff.first == committed.end())
        << sound.fileName << " differs at byte " << (diff.first - committed.begin())
        << "; regenerate with write_sounds";
  }
}

TEST(CommittedSoundFiles, AllReadByWalkingTheirChunks) {
  for (const NamedSound& sound : Set()) {
    SCOPED_TRACE(sound.fileName);
    const WaveFile w = ReadWave(ReadFileBytes(SoundFilePath(sound.fileName)));
    ASSERT_EQ(w.error, "");
    EXPECT_EQ(w.formatTag, 1);
    EXPECT_EQ(w.channels, 1);
    EXPECT_EQ(w.samplesPerSecond, 22050u);
    const bool note = sound.fileName[0] == 'a';
    EXPECT_EQ(w.fmtSize, note ? 16u : 18u);
    EXPECT_EQ(w.bitsPerSample, note ? 8 : 16);
    EXPECT_EQ(w.blockAlign, note ? 1 : 2);
    EXPECT_EQ(w.bytesPerSecond, note ? 22050u : 44100u);
    EXPECT_EQ(w.extraFormatBytes, 0);
    const std::vector<std::string> expectedChunks =
        sound.fileName == "buzz.wav" ? std::vector<std::string>{"fmt ", "fact", "data"}
                                     : std::vector<std::string>{"fmt ", "data"};
    EXPECT_EQ(w.chunks, expectedChunks);
    EXPECT_EQ(w.samples.size(), w.dataSize / w.blockAlign);
  }
}

TEST(RiffReader, WalksChunksAndRejectsDamagedFiles) {
  const std::string data = Chunk("data", "\x84\x7C\x84");  // odd, final, no pad
  WaveFile ok = ReadWave(Bytes(Riff(Fmt() + data)));
  EXPECT_EQ(ok.error, "");
  EXPECT_EQ(ok.samples, (std::vector<int>{0x84, 0x7C, 0x84}));

  WaveFile skipped =
      ReadWave(Bytes(Riff(Fmt() + Chunk("LIST", "abc") + std::string(1, '\0') + data)));
  EXPECT_EQ(skipped.error, "") << "an unknown odd chunk is skipped with its pad byte";
  EXPECT_EQ(skipped.samples.size(), 3u);

  EXPECT_NE(ReadWave(Bytes(Riff(Fmt()))).error, "") << "no data chunk";
  EXPECT_NE(ReadWave(Bytes(Riff(data))).error, "") << "no fmt chunk";
  std::string truncated = Riff(Fmt() + data);
  truncated.pop_back();
  EXPECT_NE(ReadWave(Bytes(truncated)).error, "") << "RIFF size too large";
  std::string shortData = Riff(Fmt() + data.substr(0, data.size() - 1));
  EXPECT_NE(ReadWave(Bytes(shortData)).error, "") << "data chunk runs past the end";
}

// The resource script must embed every sound numbered by its id + 1 (the set's order),
// as type WAVE, in English (United Kingdom), from a path relative to resources/.
TEST(SoundResourceScript, EmbedsEverySoundOnceUnderUkEnglish) {
  std::ifstream lines(std::string(ZIRIRAR_SOURCE_DIR) + "/win32/resources/sounds.rc");
  ASSERT_TRUE(lines) << "win32/resources/sounds.rc is missing";
  bool languageSet = false;
  std::map<std::string, std::string> entries;
  for (std::string line; std::getline(lines, line);) {
    std::istringstream words(line);
    std::string first, second, third, rest;
    words >> first >> second >> third;
    std::getline(words, rest);
    if (first == "LANGUAGE") {
      EXPECT_EQ(second + " " + third, "LANG_ENGLISH, SUBLANG_ENGLISH_UK");
      EXPECT_TRUE(entries.empty()) << "the language must be set before the first sound";
      languageSet = true;
    } else if (second == "WAVE") {
      ASSERT_GE(third.size(), 2u) << line;
      EXPECT_EQ(third.front(), '"') << line;
      EXPECT_EQ(third.back(), '"') << line;
      EXPECT_EQ(rest.find_first_not_of(" \t\r"), std::string::npos) << line;
      EXPECT_TRUE(entries.emplace(first, third.substr(1, third.size() - 2)).second)
          << "duplicate " << first;
    }
  }
  EXPECT_TRUE(languageSet);
  EXPECT_EQ(entries.size(), Set().size());
  for (size_t id = 0; id < Set().size(); ++id) {
    const std::string number = std::to_string(id + 1);
    ASSERT_EQ(entries.count(number), 1u) << number;
    const std::string& path = entries[number];
    EXPECT_EQ(path, "sounds/" + Set()[id].fileName);
    EXPECT_FALSE(ReadFileBytes(std::string(ZIRIRAR_SOURCE_DIR) + "/resources/" + path).empty());
  }
}
