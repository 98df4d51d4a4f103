// Every id, in the table or not, reaches the streaming service's sound library safely:
// an id outside the table plays nothing and is never looked up in the program.
#include "sound/sound_library.h"

#include <gtest/gtest.h>

#include "soundgen/sound_set.h"
#include "tests/support/wave_source.h"

namespace {

TEST(SoundLibraryIds, OnlyTheTablesIdsAreReadAndEachOnce) {
  CountingWaveSource source({MakeNoteSound(60)}, true);  // one note sound for every id
  SoundLibrary library(source);
  for (int pass = 0; pass < 2; ++pass) {
    for (int id = -32768; id <= 32767; ++id) {
      const SoundId sound = static_cast<SoundId>(id);
      ASSERT_EQ(library.Load(sound), sound >= 0 && sound < kSoundCount) << id;
    }
  }
  ASSERT_EQ(source.finds.size(), size_t{kSoundCount});
  for (const auto& [sound, finds] : source.finds) {
    EXPECT_TRUE(sound >= 0 && sound < kSoundCount) << sound;
    EXPECT_EQ(finds, 1) << sound;
  }
}

}  // namespace
