// Names of any length and any bytes reach the streaming service's sound library
// safely: a name it cannot keep plays nothing, takes no place and is never looked up
// in the program; every other name is found without regard to case.
#include "sound/sound_library.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "soundgen/sound_set.h"

namespace {

// Serves one note sound under every name it is asked for, and counts the requests.
class AnyNameSource final : public WaveSource {
 public:
  bool Find(const char* name, const uint8_t*& bytes, size_t& size) override {
    ++finds[name];
    bytes = image_.data();
    size = image_.size();
    return true;
  }
  std::map<std::string, int> finds;

 private:
  WaveBytes image_ = MakeNoteSound(60);
};

TEST(SoundLibraryNames, LongestKeptNameWorksAndLongerOnesPlayNothing) {
  AnyNameSource source;
  SoundLibrary library(source);
  const std::string longest(SoundLibrary::kLongestName, 'q');
  const int kept = library.Lookup(longest.c_str());
  ASSERT_GE(kept, 0);
  EXPECT_EQ(library.Lookup(std::string(SoundLibrary::kLongestName, 'Q').c_str()), kept)
      << "case is ignored over the whole name";
  for (size_t length : {size_t{SoundLibrary::kLongestName + 1}, size_t{1000}, size_t{100000}}) {
    const std::string tooLong(length, 'a');
    EXPECT_EQ(library.Lookup(tooLong.c_str()), -1) << length;
    EXPECT_EQ(source.finds.count(tooLong), 0u) << "a name it cannot keep is not looked up";
  }
  EXPECT_EQ(library.Size(), 1) << "names it cannot keep take no place";
}

TEST(SoundLibraryNames, NamesThatDifferOnlyAfterManyCharactersAreDistinct) {
  AnyNameSource source;
  SoundLibrary library(source);
  const std::string stem(SoundLibrary::kLongestName - 1, 'x');
  const int a = library.Lookup((stem + "a").c_str());
  const int b = library.Lookup((stem + "b").c_str());
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  EXPECT_NE(a, b);
  EXPECT_EQ(library.Lookup((stem + "A").c_str()), a);
}

TEST(SoundLibraryNames, EveryByteValueInANameIsHandled) {
  AnyNameSource source;
  SoundLibrary library(source);
  for (char c = 'a'; c <= 'z'; ++c) ASSERT_GE(library.Lookup((std::string("n") + c).c_str()), 0);
  int found = 0;
  for (int c = 1; c < 256; ++c) {
    const std::string name = std::string("n") + static_cast<char>(c);
    if (library.Lookup(name.c_str()) >= 0) ++found;
  }
  // Both cases of the 26 letters find their sounds; the other bytes are names of their
  // own, kept until the table is full.
  EXPECT_EQ(library.Size(), SoundLibrary::kCapacity);
  EXPECT_EQ(found, 52 + (SoundLibrary::kCapacity - 26));
}

}  // namespace
