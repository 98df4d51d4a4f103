#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "tests/soundgen/dft.h"
#include "tests/support/riff_reader.h"

namespace {

struct Effect {
  const char* file;
  uint32_t samples, bytes;
  int peak;
  double peakSeconds;
};
const Effect kBuzz = {"buzz.wav", 9698, 19454, 6437, 0.10};
const Effect kDing = {"ding.wav", 1483, 3012, 10976, 0.005};
const Effect kWin = {"win.wav", 40241, 80528, 7353, 0.43};

const std::vector<int>& SamplesOf(const Effect& e) {
  static std::map<std::string, std::vector<int>> cache;
  std::vector<int>& samples = cache[e.file];
  if (samples.empty()) samples = ReadWave(ReadFileBytes(SoundFilePath(e.file))).samples;
  return samples;
}

size_t At(double seconds) { return static_cast<size_t>(seconds * kRate + 0.5); }

// The B-flat major pentatonic scale: B flat, C, D, F and G.
const std::vector<int> kPentatonic = {10, 0, 2, 5, 7};

}  // namespace

TEST(EffectSound, FileLayoutIsExact) {
  for (const Effect& e : {kBuzz, kDing, kWin}) {
    SCOPED_TRACE(e.file);
    const std::vector<uint8_t> f = ReadFileBytes(SoundFilePath(e.file));
    ASSERT_EQ(f.size(), e.bytes);
    // Only the buzz has a "fact" chunk (its sample count) before its data.
    const bool buzz = std::string(e.file) == "buzz.wav";
    EXPECT_EQ(HeaderLine(ReadWave(f)),
              "RIFF " + std::to_string(e.bytes - 8) +
                  ", fmt 18: tag 1, 1 ch, 22050 Hz, 44100 B/s, align 2, 16 bit, extra 0, " +
                  (buzz ? "chunks fmt fact data, fact 9698" : "chunks fmt data, fact 0") +
                  ", data " + std::to_string(2 * e.samples) + " at " + (buzz ? "58" : "46"));
    EXPECT_EQ(f.size(), (buzz ? 58 : 46) + 2 * e.samples);
    EXPECT_EQ(SamplesOf(e).size(), e.samples);
  }
}

TEST(EffectSound, PeakLevelAndTimeAsIntended) {
  for (const Effect& e : {kBuzz, kDing, kWin}) {
    const std::vector<int>& s = SamplesOf(e);
    size_t loudest = 0;
    for (size_t i = 0; i < s.size(); ++i)
      if (std::abs(s[i]) > std::abs(s[loudest])) loudest = i;
    EXPECT_NEAR(Db(std::abs(s[loudest]) / double(e.peak)), 0.0, 1.5) << e.file;
    EXPECT_NEAR(static_cast<double>(loudest) / kRate, e.peakSeconds, 0.020) << e.file;
  }
}

// A harsh buzz: a harmonic tone on about 65.3 Hz with most of its energy in
// harmonics 9 to 18.
TEST(BuzzSound, IsAHarmonicToneOn65HzWithItsEnergyInHarmonics9To18) {
  const std::vector<int>& s = SamplesOf(kBuzz);
  const size_t begin = At(0.12), length = At(0.20);
  // Period by autocorrelation over the steady part.
  auto correlation = [&](size_t lag) {
    double xy = 0, xx = 0, yy = 0;
    for (size_t i = begin; i < begin + length; ++i) {
      xy += double(s[i]) * s[i + lag];
      xx += double(s[i]) * s[i];
      yy += double(s[i + lag]) * s[i + lag];
    }
    return xy / std::sqrt(xx * yy);
  };
  size_t bestLag = 0;
  double best = -1;
  for (size_t lag = 250; lag <= 450; ++lag) {
    const double c = correlation(lag);
    if (c > best) best = c, bestLag = lag;
  }
  const double l = correlation(bestLag - 1), r = correlation(bestLag + 1);
  const double period = static_cast<double>(bestLag) + 0.5 * (l - r) / (l - 2 * best + r);
  EXPECT_GT(best, 0.95) << "the tone repeats with its period";
  const double f0 = kRate / period;
  EXPECT_NEAR(f0, 65.3, 0.5);

  const size_t fft = 32768;
  const std::vector<double> m = Spectrum(s, At(0.10), At(0.24), fft);
  const double binHz = kRate / fft;
  auto bandEnergy = [&](double lo, double hi) {
    double e = 0;
    for (size_t i = static_cast<size_t>(lo / binHz);
         i <= static_cast<size_t>(hi / binHz) && i < m.size(); ++i)
      e += m[i] * m[i];
    return e;
  };
  double total = 0, harmonic = 0, band = 0;
  total = bandEnergy(0, kRate / 2);
  for (int k = 1; k * f0 < kRate / 2 - 20; ++k) {
    const double e = bandEnergy(k * f0 - 12, k * f0 + 12);
    harmonic += e;
    if (k >= 9 && k <= 18) band += e;
  }
  EXPECT_GT(harmonic / total, 0.95) << "energy lies on the harmonics of the fundamental";
  EXPECT_GT(band / total, 0.6) << "most energy in harmonics 9 to 18 (590 to 1180 Hz)";
  EXPECT_GT(bandEnergy(1.5 * f0, 8.5 * f0), 0.005 * total) << "a body below the band";
  EXPECT_GT(bandEnergy(18.5 * f0, kRate / 2), 0.03 * total) << "a rasp above the band";
}

// About 5 ms of near-silence, an abrupt start at about two thirds of full level,
// full level from 0.1 s to 0.34 s, and a fall to about a quarter over the last 0.1 s
// that does not reach zero.
TEST(BuzzSound, EnvelopeStartsAbruptlyHoldsAndEndsUnfaded) {
  const std::vector<int>& s = SamplesOf(kBuzz);
  const size_t period = 338;
  size_t onset = 0;
  while (std::abs(s[onset]) < kBuzz.peak / 20) ++onset;
  EXPECT_NEAR(static_cast<double>(onset) / kRate, 0.005, 0.0015);
  EXPECT_LT(MaxAbs(s, 0, onset), kBuzz.peak / 100) << "near-silence before the onset";
  const double first = MaxAbs(s, onset, period) / double(kBuzz.peak);
  EXPECT_GT(first, 0.55);
  EXPECT_LT(first, 0.8);
  for (size_t t = At(0.10); t + period < At(0.34); t += period)
    EXPECT_GT(MaxAbs(s, t, period), 0.9 * kBuzz.peak) << "full level at " << t / kRate << " s";
  const double last = MaxAbs(s, s.size() - period, period) / double(kBuzz.peak);
  EXPECT_GT(last, 0.18);
  EXPECT_LT(last, 0.35);
  EXPECT_GT(MaxAbs(s, At(0.36), period), MaxAbs(s, At(0.40), period)) << "falling";
}

// A bell strike: partials near 1179 Hz and 1565 Hz and a weaker one near 7060 Hz.
TEST(DingSound, HasTwoStrongPartialsAFourthApartAndAWeakHighOne) {
  const std::vector<int>& s = SamplesOf(kDing);
  const std::vector<Peak> peaks = Peaks(Spectrum(s, 0, s.size(), 16384), 100, 10000, 30);
  ASSERT_GE(peaks.size(), 3u);
  const double a = std::min(peaks[0].hz, peaks[1].hz), b = std::max(peaks[0].hz, peaks[1].hz);
  EXPECT_NEAR(a, 1179, 20);
  EXPECT_NEAR(b, 1565, 20);
  EXPECT_NEAR(Db(peaks[1].level / peaks[0].level), 0, 4) << "both partials strong";
  EXPECT_NEAR(peaks[2].hz, 7060, 50);
  EXPECT_NEAR(Db(peaks[2].level / peaks[0].level), -13, 3);
  for (size_t i = 3; i < peaks.size(); ++i)
    EXPECT_LT(Db(peaks[i].level / peaks[0].level), -20) << "stray partial at " << peaks[i].hz;
}

// About 1.7 ms of near-silence, then the strike, 30 dB down 60 ms later, not faded
// to zero at its end.
TEST(DingSound, StrikesAfterAShortSilenceAndDecaysAbout30DbIn60Ms) {
  const std::vector<int>& s = SamplesOf(kDing);
  size_t onset = 0;
  while (std::abs(s[onset]) < kDing.peak / 20) ++onset;
  EXPECT_LT(MaxAbs(s, 0, At(0.0013)), kDing.peak / 50);
  EXPECT_NEAR(static_cast<double>(onset) / kRate, 0.0022, 0.0012);
  const double strike = Rms(s, At(0.003), At(0.004));
  const double later = Rms(s, At(0.061), At(0.004));
  EXPECT_NEAR(Db(later / strike), -30, 5);
  EXPECT_GT(Rms(s, s.size() - At(0.001), At(0.001)), 0.01 * strike) << "no fade to zero";
}

TEST(WinSound, EndsWith174SamplesOfExactSilence) {
  const std::vector<int>& s = SamplesOf(kWin);
  for (size_t i = s.size() - 174; i < s.size(); ++i) ASSERT_EQ(s[i], 0) << "sample " << i;
  EXPECT_GT(MaxAbs(s, s.size() - At(0.4), At(0.2)), 0) << "still ringing 0.4 s before the end";
}

TEST(WinSound, OpensOnBFlatInThreeOctaves) {
  const std::vector<int>& s = SamplesOf(kWin);
  const std::vector<Peak> peaks = Peaks(Spectrum(s, 0, At(0.09), 16384), 50, 1000, 30);
  ASSERT_GE(peaks.size(), 3u);
  std::vector<double> top = {peaks[0].hz, peaks[1].hz, peaks[2].hz};
  std::sort(top.begin(), top.end());
  EXPECT_NEAR(top[0], 117, 5);
  EXPECT_NEAR(top[1], 235, 5);
  EXPECT_NEAR(top[2], 470, 6);
}

TEST(WinSound, EveryNoteIsOnTheBFlatPentatonicScale) {
  const std::vector<int>& s = SamplesOf(kWin);
  double onScale = 0, all = 0;
  for (double t = 0.0; t < 1.2; t += 0.05) {
    for (const Peak& p : Peaks(Spectrum(s, At(t), 2048, 16384), 80, 9000, 30)) {
      const double e = p.level * p.level;
      all += e;
      if (CentsFromScale(p.hz, kPentatonic) < 35) onScale += e;
    }
  }
  EXPECT_GT(onScale / all, 0.95);
}

// From 0.1 s to 0.85 s the highest note climbs the scale from about D5 to about B-flat 7.
TEST(WinSound, HighestNotesClimbFromD5ToBFlat7) {
  const std::vector<int>& s = SamplesOf(kWin);
  // The highest note of a window: its highest peak within 12 dB of the loudest that is
  // not the octave or twelfth of a stronger one.
  auto highestNote = [&](double t) {
    const std::vector<Peak> peaks = Peaks(Spectrum(s, At(t), 1024, 16384), 100, 6000, 12);
    double highest = 0;
    for (const Peak& p : peaks) {
      bool overtone = false;
      for (const Peak& q : peaks)
        if (q.level > p.level)
          for (int k = 2; k <= 3; ++k)
            if (std::fabs(p.hz / (k * q.hz) - 1) < 0.015) overtone = true;
      if (!overtone) highest = std::max(highest, p.hz);
    }
    return highest;
  };
  std::vector<double> climb;
  for (double t = 0.11; t < 0.86; t += 0.05) climb.push_back(highestNote(t));
  EXPECT_NEAR(climb.front(), 587.3, 25) << "starts about D5";
  EXPECT_NEAR(highestNote(0.86), 3729.3, 100) << "reaches about B-flat 7";
  for (size_t i = 0; i < climb.size(); ++i) {
    EXPECT_LT(CentsFromScale(climb[i], kPentatonic), 35) << climb[i] << " Hz";
    if (i > 0) {
      // Onsets inside a window blur its peaks by a few tenths of a semitone; a step
      // back to a lower note would be two semitones or more.
      EXPECT_GE(climb[i], climb[i - 1] * 0.97) << "falls back at window " << i;
    }
  }
  EXPECT_GT(climb.back(), 4 * climb.front()) << "climbs over about three octaves";
}

// The level swells to its loudest around 0.43 s and then decays smoothly.
TEST(WinSound, SwellsThenDecaysSmoothly) {
  const std::vector<int>& s = SamplesOf(kWin);
  const size_t window = At(0.05);
  std::vector<double> level;
  for (size_t t = 0; t + window <= s.size() - 174; t += window) level.push_back(Rms(s, t, window));
  const size_t loudest =
      static_cast<size_t>(std::max_element(level.begin(), level.end()) - level.begin());
  EXPECT_NEAR(loudest * 0.05, 0.4, 0.06);
  EXPECT_GT(Db(level[loudest] / level[2]), 6) << "a clear swell from 0.1 s";
  for (size_t i = loudest + 1; i < level.size(); ++i)
    EXPECT_LE(level[i], level[i - 1] * 1.06) << "no new swell at " << i * 0.05 << " s";
  EXPECT_LT(Db(level.back() / level[loudest]), -40) << "rings away to nothing";
}
