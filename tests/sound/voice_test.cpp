#include "sound/voice.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "sound/wave_reader.h"
#include "tests/sound/wave_image.h"

using namespace wave_image;

namespace {

std::vector<int16_t> SamplesOf(const std::string& name) {
  for (const SoundFile& file : CommittedSounds()) {
    if (file.name == name) return ReadWaveImage(file.bytes.data(), file.bytes.size()).samples;
  }
  ADD_FAILURE() << "no sound " << name;
  return {};
}

// `length` samples of `period` repeated back to back from its first sample.
std::vector<int16_t> Repeated(const std::vector<int16_t>& period, size_t length) {
  std::vector<int16_t> out(length);
  for (size_t i = 0; i < length; ++i) out[i] = period[i % period.size()];
  return out;
}

}  // namespace

TEST(VoiceLoop, EveryNoteRepeatsExactlyForEveryBufferSizeUpTo4096) {
  constexpr size_t kLargest = 4096;
  for (int note = 53; note <= 72; ++note) {
    const std::vector<int16_t> period = SamplesOf("A" + std::to_string(note));
    ASSERT_GE(period.size(), 42u);
    ASSERT_LE(period.size(), 127u);
    // Enough for three buffers of the largest size and a few periods after them.
    const std::vector<int16_t> expected = Repeated(period, 3 * kLargest + 4 * period.size());
    std::vector<int16_t> out(expected.size());
    for (size_t size = 1; size <= kLargest; ++size) {
      Voice voice;
      voice.Start(period.data(), period.size(), true);
      // At least two buffer boundaries and two joins of the period.
      const size_t total = std::max(3 * size, size * ((2 * period.size() + size) / size + 1));
      for (size_t at = 0; at < total; at += size) {
        ASSERT_EQ(voice.Fill(out.data() + at, size), size) << "a looped note never ends";
      }
      ASSERT_TRUE(std::equal(out.begin(), out.begin() + total, expected.begin()))
          << "note " << note << ", buffers of " << size;
      ASSERT_TRUE(voice.Playing());
    }
  }
}

TEST(VoiceLoop, BuffersOfChangingSizesContinueWhereTheLastEnded) {
  const std::vector<int16_t> period = SamplesOf("A68");  // 53 samples, plateaus 6 and 7
  const size_t sizes[] = {1, 52, 53, 54, 2, 105, 106, 107, 4096, 3, 17, 220, 441, 1};
  size_t total = 0;
  for (size_t size : sizes) total += size;
  std::vector<int16_t> out(total);
  Voice voice;
  voice.Start(period.data(), period.size(), true);
  size_t at = 0;
  for (size_t size : sizes) {
    voice.Fill(out.data() + at, size);
    at += size;
  }
  EXPECT_EQ(out, Repeated(period, total));
  // The joins: no sample at the centre line and no step larger than 8 (x 256).
  for (size_t i = 1; i < out.size(); ++i) {
    ASSERT_NE(out[i], 0) << i;
    ASSERT_LE(std::abs(out[i] - out[i - 1]), 8 * 256) << i;
  }
}

TEST(VoiceOnce, AnEffectPlaysOnceThenSilenceForEveryBufferSize) {
  const std::vector<int16_t> ding = SamplesOf("DING");
  ASSERT_EQ(ding.size(), 1483u);
  std::vector<int16_t> expected = ding;
  expected.resize(ding.size() + 2 * 4096 + 4096, 0);
  std::vector<int16_t> out(expected.size());
  for (size_t size = 1; size <= 4096; ++size) {
    Voice voice;
    voice.Start(ding.data(), ding.size(), false);
    size_t sound = 0, at = 0;
    // Fill until two buffers after the end.
    while (at < ding.size() + 2 * size) {
      const size_t written = voice.Fill(out.data() + at, size);
      ASSERT_LE(written, size);
      if (at + size <= ding.size()) {
        ASSERT_EQ(written, size);
      }
      sound += written;
      at += size;
    }
    ASSERT_EQ(sound, ding.size()) << size;
    ASSERT_TRUE(std::equal(out.begin(), out.begin() + at, expected.begin())) << size;
    ASSERT_FALSE(voice.Playing()) << size;
  }
}

TEST(VoiceControl, StartReplacesAndRestartsStopSilences) {
  const std::vector<int16_t> low = SamplesOf("A53");
  const std::vector<int16_t> high = SamplesOf("A72");
  std::vector<int16_t> out(300);
  Voice voice;
  EXPECT_FALSE(voice.Playing());
  EXPECT_EQ(voice.Fill(out.data(), out.size()), 0u) << "nothing plays at first";
  EXPECT_EQ(out, std::vector<int16_t>(300, 0));

  voice.Start(low.data(), low.size(), true);
  voice.Fill(out.data(), 70);
  voice.Start(high.data(), high.size(), true);  // replaces, from its first sample
  voice.Fill(out.data(), 100);
  EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 100), Repeated(high, 100));

  voice.Start(high.data(), high.size(), true);  // the same again restarts
  voice.Fill(out.data(), 10);
  EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 10), Repeated(high, 10));

  voice.Stop();
  EXPECT_FALSE(voice.Playing());
  out.assign(out.size(), 1);
  EXPECT_EQ(voice.Fill(out.data(), out.size()), 0u);
  EXPECT_EQ(out, std::vector<int16_t>(300, 0)) << "a stop silences at once";

  voice.Start(low.data(), 0, true);
  EXPECT_FALSE(voice.Playing()) << "an empty sound plays nothing and cannot loop forever";
  voice.Start(nullptr, 5, false);
  EXPECT_FALSE(voice.Playing());
  EXPECT_EQ(voice.Fill(out.data(), 10), 0u);
}
