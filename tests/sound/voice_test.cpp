#include "streaming/voice.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "tests/sound/wave_image.h"

using namespace wave_image;

TEST(VoiceLoop, EveryNoteRepeatsExactlyForEveryBufferSizeUpTo4096) {
  constexpr size_t kLargest = 4096;
  for (int16_t note = 53; note <= 72; ++note) {
    const std::vector<int16_t> period = NoteSamples(note);
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
  const std::vector<int16_t> period = NoteSamples(68);  // 53 samples, plateaus 6 and 7
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
  const std::vector<int16_t> ding = SamplesOf(EffectSound(SoundEffect::Ding));
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
  const std::vector<int16_t> low = NoteSamples(53);
  const std::vector<int16_t> high = NoteSamples(72);
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

namespace {

constexpr size_t kRelease = 88;  // 4 ms, the Linux service's

int LargestStep(const std::vector<int16_t>& x) {
  int largest = 0;
  for (size_t i = 1; i < x.size(); ++i) largest = std::max(largest, std::abs(x[i] - x[i - 1]));
  return largest;
}

// Fills `count` samples in buffers of `size` (the last one shorter) onto `out`.
void FillIn(Voice& voice, size_t count, size_t size, std::vector<int16_t>& out) {
  for (size_t done = 0; done < count;) {
    const size_t n = std::min(size, count - done);
    out.resize(out.size() + n);
    voice.Fill(out.data() + out.size() - n, n);
    done += n;
  }
}

}  // namespace

TEST(VoiceRelease, NoStopOrReplacementAnywhereInAnyNoteStepsMoreThanTheNoteItself) {
  // A note stopped, restarted or replaced by the lowest or the highest note, at every
  // sample of its period, filled in buffers that split the release in various places.
  const std::vector<int16_t> lowest = NoteSamples(53), highest = NoteSamples(72);
  for (int16_t note = 53; note <= 72; ++note) {
    const std::vector<int16_t> period = NoteSamples(note);
    const size_t n = period.size();
    const int own = LargestStep(Repeated(period, 2 * n + 1));
    const std::vector<int16_t>* nexts[] = {nullptr, &period, &lowest, &highest};
    for (const std::vector<int16_t>* next : nexts) {
      const int allowed =
          next ? std::max(own, LargestStep(Repeated(*next, 2 * next->size()))) : own;
      for (size_t at = n; at < 2 * n; ++at) {
        for (size_t size : {size_t{1}, size_t{7}, size_t{64}, size_t{4096}}) {
          SCOPED_TRACE("note " + std::to_string(note) + ", request at " + std::to_string(at) +
                       ", buffers of " + std::to_string(size) +
                       (next ? ", replaced by " + std::to_string(next->size()) : ", stopped"));
          Voice voice;
          voice.SetRelease(kRelease);
          voice.Start(period.data(), n, true);
          std::vector<int16_t> out;
          FillIn(voice, at, size, out);
          if (next) {
            voice.Start(next->data(), next->size(), true);
          } else {
            voice.Stop();
          }
          ASSERT_TRUE(voice.Playing()) << "the release plays";
          FillIn(voice, kRelease + 3 * 64, size, out);
          ASSERT_LE(LargestStep(out), allowed);
          // The release continues the note where it stood, fading, and nothing else.
          for (size_t i = 0; i < kRelease; ++i) {
            const int was = period[(at + i) % n], now = out[at + i];
            ASSERT_TRUE(now * was >= 0 && std::abs(now) < std::abs(was)) << i;
          }
          const std::vector<int16_t> after(out.begin() + at + kRelease, out.end());
          ASSERT_EQ(after,
                    next ? Repeated(*next, after.size()) : std::vector<int16_t>(after.size()))
              << "then the next sound from its first sample, or silence";
          ASSERT_EQ(voice.Playing(), next != nullptr);
        }
      }
    }
  }
}

TEST(VoiceRelease, RequestsDuringAReleaseKeepFadingFromWhereItStands) {
  // Releases of 16 samples from sample 12 of A53's period stay on its upper plateau.
  const std::vector<int16_t> low = NoteSamples(53), high = NoteSamples(72);
  constexpr size_t kShort = 16;
  const auto releasing = [&low]() {
    Voice voice;
    voice.SetRelease(kShort);
    voice.Start(low.data(), low.size(), true);
    std::vector<int16_t> skip(12);
    voice.Fill(skip.data(), skip.size());
    return voice;
  };
  const auto faded = [](const std::vector<int16_t>& x, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      if (x[i] <= 0 || x[i] >= (i ? x[i - 1] : 8192)) return false;
    }
    return true;
  };
  std::vector<int16_t> out(kShort + 100);

  // A new sound during a stop's release neither lengthens nor restarts the release.
  Voice voice = releasing();
  voice.Stop();
  voice.Fill(out.data(), 5);
  voice.Start(high.data(), high.size(), true);
  voice.Start(high.data(), high.size(), true);
  EXPECT_EQ(voice.Fill(out.data() + 5, out.size() - 5), out.size() - 5);
  EXPECT_TRUE(faded(out, kShort));
  EXPECT_EQ(std::vector<int16_t>(out.begin() + kShort, out.end()), Repeated(high, 100));

  // A stop during a replacement's release cancels the sound that was to follow.
  voice = releasing();
  voice.Start(high.data(), high.size(), true);
  voice.Fill(out.data(), 9);
  voice.Stop();
  EXPECT_EQ(voice.Fill(out.data() + 9, out.size() - 9), kShort - 9) << "only the rest of the fade";
  EXPECT_TRUE(faded(out, kShort));
  EXPECT_EQ(std::vector<int16_t>(out.begin() + kShort, out.end()), std::vector<int16_t>(100, 0));
  EXPECT_FALSE(voice.Playing());

  // A one-shot that ends within its release hands over at its end.
  const int16_t tail[] = {4000, 4000, 4000};
  voice = Voice();
  voice.SetRelease(kShort);
  voice.Start(tail, 3, false);
  voice.Start(high.data(), high.size(), true);
  voice.Fill(out.data(), out.size());
  EXPECT_TRUE(faded(out, 3));
  EXPECT_EQ(std::vector<int16_t>(out.begin() + 3, out.end()), Repeated(high, out.size() - 3));

  // From silence, a sound starts at once; a shorter release takes effect at once.
  voice = Voice();
  voice.SetRelease(kShort);
  voice.Start(high.data(), high.size(), true);
  voice.Fill(out.data(), 10);
  EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 10), Repeated(high, 10));
  voice.Start(low.data(), low.size(), true);
  voice.SetRelease(0);
  voice.Fill(out.data(), 10);
  EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 10), Repeated(low, 10));
}
