#include "sound/embedded_sounds.h"

#include <gtest/gtest.h>

#include <vector>

#include "sound/sound_library.h"
#include "tests/sound/wave_image.h"

using namespace wave_image;

TEST(EmbeddedSounds, EverySoundIsItsFileAndPlaysWholeAndNoOtherIdIsFound) {
  EmbeddedSounds sounds;
  SoundLibrary library(sounds);
  const uint8_t* bytes = nullptr;
  size_t size = 0;
  ASSERT_EQ(CommittedSounds().size(), size_t{kSoundCount});
  for (SoundId sound = 0; sound < kSoundCount; ++sound) {
    const SoundFile& file = CommittedSounds()[sound];
    ASSERT_TRUE(sounds.Find(sound, bytes, size)) << file.name;
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + size), file.bytes) << file.name;
    ASSERT_TRUE(library.Load(sound)) << file.name;
    EXPECT_EQ(library.Samples(sound).size(), ReadWave(file.bytes).samples.size()) << file.name;
  }
  for (SoundId sound : {kNoSound, kSoundCount, SoundId{-32768}, SoundId{32767}}) {
    EXPECT_FALSE(sounds.Find(sound, bytes, size)) << sound;
  }
}
