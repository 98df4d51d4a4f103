#include "sound/embedded_sounds.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "sound/sound_library.h"
#include "tests/sound/wave_image.h"

using namespace wave_image;

TEST(EmbeddedSounds, EverySoundInAnyCaseIsItsFileAndPlaysWholeAndNoOtherNameIsFound) {
  EmbeddedSounds sounds;
  SoundLibrary library(sounds);
  for (const SoundFile& file : CommittedSounds()) {
    std::string lower = file.name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string mixed = lower;
    mixed[0] = file.name[0];
    const size_t samples = ReadWave(file.bytes).samples.size();
    for (const std::string& name : {lower, file.name, mixed}) {
      const uint8_t* bytes = nullptr;
      size_t size = 0;
      ASSERT_TRUE(sounds.Find(name.c_str(), bytes, size)) << name;
      EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + size), file.bytes) << name;
      const int index = library.Lookup(name.c_str());
      ASSERT_GE(index, 0) << name << " is playable";
      EXPECT_EQ(library.Samples(index).size(), samples) << name;
    }
  }
  const uint8_t* bytes = nullptr;
  size_t size = 0;
  for (const char* name : {"a52", "a73", "a5", "a530", "", "buz", "buzzz", "win.wav", "ding "}) {
    EXPECT_FALSE(sounds.Find(name, bytes, size)) << '"' << name << '"';
  }
  EXPECT_FALSE(sounds.Find(nullptr, bytes, size));
}
