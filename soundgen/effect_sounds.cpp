// The three effect sounds, synthesised additively in integer arithmetic: each voice
// is a sum of sine partials with its own envelope, the voices are mixed in Q30 and
// the mix is scaled so that its loudest sample has the wanted peak level.
#include <algorithm>
#include <vector>

#include "soundgen/fixed_point.h"
#include "soundgen/sound_set.h"
#include "soundgen/wave_file.h"

namespace {

using fixed::kOne;

constexpr int64_t Abs(int64_t v) { return v < 0 ? -v : v; }

constexpr int64_t Milliseconds(int64_t ms) { return ms * kSoundRate / 1000; }

// Scales a Q30 mix so that its largest magnitude becomes exactly `peak`, rounding
// every sample to the nearest integer (halves away from zero).
std::vector<int16_t> ScaleToPeak(const std::vector<int64_t>& mix, int64_t peak) {
  int64_t loudest = 1;
  for (int64_t v : mix) loudest = std::max(loudest, Abs(v));
  std::vector<int16_t> out(mix.size());
  for (size_t i = 0; i < mix.size(); ++i) {
    const int64_t scaled = mix[i] * peak * 2;
    const int64_t rounded = (Abs(scaled) + loudest) / (2 * loudest);
    out[i] = static_cast<int16_t>(mix[i] < 0 ? -rounded : rounded);
  }
  return out;
}

// One sine partial: frequency, level (Q30), and the time its level takes to halve.
struct Partial {
  uint32_t step;
  int64_t level;
  int64_t halfLife;  // samples; 0 for a steady partial
};

// Adds a struck voice to the mix: its partials start together at `start`, rise
// linearly over `attack` samples and then decay, each at its own rate.
void AddVoice(std::vector<int64_t>& mix, int64_t start, int64_t attack,
              const std::vector<Partial>& partials) {
  const int64_t end = static_cast<int64_t>(mix.size());
  for (const Partial& p : partials) {
    uint32_t phase = 0;
    for (int64_t t = start; t < end; ++t, phase += p.step) {
      const int64_t age = t - start;
      int64_t level = p.level;
      if (p.halfLife > 0) {
        const int64_t decay = fixed::Exp2Neg((age << 16) / p.halfLife);
        if (decay == 0) break;
        level = fixed::Mul(level, decay);
      }
      if (age < attack) level = level * age / attack;
      mix[static_cast<size_t>(t)] += fixed::Mul(level, fixed::Sine(phase));
    }
  }
}

// Frequency in millihertz of a MIDI note, from the equal-tempered octave above
// middle C (exact to a microhertz) shifted by whole octaves.
uint64_t NoteMilliHertz(int note) {
  static const uint64_t kMicroHertz[12] = {261625565, 277182631, 293664768, 311126984,
                                           329627557, 349228231, 369994423, 391995436,
                                           415304698, 440000000, 466163762, 493883301};
  const int octave = note / 12 - 5;
  uint64_t microHertz = kMicroHertz[note % 12];
  microHertz = octave >= 0 ? microHertz << octave : microHertz >> -octave;
  return (microHertz + 500) / 1000;
}

}  // namespace

// A buzzer on C2 (65.3 Hz): a band of harmonics centred on the 9th to 18th, all in
// sine phase, so each period is one sharp, nasal burst. It cuts in at two thirds of
// its level after 5 ms of silence, swells to full at 0.1 s, holds, and falls to about
// a quarter over the last 0.1 s, ending unfaded.
WaveBytes MakeBuzzSound() {
  static const int kHarmonicLevel[49] = {
      0,                                                     // (no harmonic 0)
      180, 160, 150,  160,  180,  220,  300, 450,            // 1..8: weak body
      800, 950, 1000, 1000, 1000, 1000, 950, 900, 850, 750,  // 9..18: the buzz
      450, 417, 387,  361,  338,  317,  298, 281, 266, 252,  // 19..48: the rasp,
      239, 227, 216,  206,  197,  188,  180, 173, 166, 159,  // falling as k^-1.5
      153, 147, 142,  137,  132,  128,  123, 119, 116, 112};
  const uint32_t base = fixed::PhaseStep(65300, kSoundRate);
  const int64_t onset = Milliseconds(5);

  std::vector<int64_t> tone(kBuzzSamples);
  for (int k = 1; k <= 48; ++k) {
    const int64_t level = fixed::Ratio(kHarmonicLevel[k], 1000);
    const uint32_t step = base * static_cast<uint32_t>(k);
    // Phase 0 of every harmonic at the onset: the tone starts on a burst.
    uint32_t phase = static_cast<uint32_t>(-onset) * step;
    for (int64_t& v : tone) {
      v += fixed::Mul(level, fixed::Sine(phase));
      phase += step;
    }
  }

  const int64_t full = Milliseconds(100), hold = Milliseconds(340);
  const int64_t end = kBuzzSamples;
  const int64_t startLevel = fixed::Ratio(67, 100), holdEnd = fixed::Ratio(96, 100);
  // The fall from 0.96 to 0.25 of full halves the level every 1134 samples.
  const int64_t fallHalfLife = 1134;
  for (int64_t t = 0; t < end; ++t) {
    int64_t level;
    if (t < onset) {
      level = 0;
    } else if (t < full) {
      level = startLevel + (kOne - startLevel) * (t - onset) / (full - onset);
    } else if (t < hold) {
      level = kOne - (kOne - holdEnd) * (t - full) / (hold - full);
    } else {
      level = fixed::Mul(holdEnd, fixed::Exp2Neg(((t - hold) << 16) / fallHalfLife));
    }
    tone[static_cast<size_t>(t)] = fixed::Mul(tone[static_cast<size_t>(t)], level);
  }
  return SixteenBitWaveFile(ScaleToPeak(tone, 6437), true);
}

// A small bell: two strong partials a fourth apart (1179 Hz and 1565 Hz, near D6 and
// G6) and a bright one near 7060 Hz that dies away faster. Struck 1.7 ms in, loudest
// at 5 ms, then 30 dB down 60 ms later.
WaveBytes MakeDingSound() {
  std::vector<int64_t> mix(kDingSamples);
  const int64_t strike = 37;     // 1.7 ms
  const int64_t halfLife = 250;  // 6 dB per 11.3 ms: about 30 dB in 60 ms
  AddVoice(mix, strike, 0,
           {{fixed::PhaseStep(1179000, kSoundRate), fixed::Ratio(100, 100), halfLife},
            {fixed::PhaseStep(1565000, kSoundRate), fixed::Ratio(90, 100), halfLife},
            {fixed::PhaseStep(7060000, kSoundRate), fixed::Ratio(38, 100), 180}});
  // The strike swells over 3.3 ms (a quadratic ease-out) so the ring is loudest at 5 ms.
  const int64_t rise = Milliseconds(5) - strike;
  for (int64_t t = strike; t < strike + rise; ++t) {
    const int64_t u = fixed::Ratio(t - strike, rise);
    const int64_t left = kOne - u;
    mix[static_cast<size_t>(t)] =
        fixed::Mul(mix[static_cast<size_t>(t)], kOne - fixed::Mul(left, left));
  }
  return SixteenBitWaveFile(ScaleToPeak(mix, 10976), false);
}

// A fanfare run on the B-flat major pentatonic scale. A low B-flat in three octaves
// (Bb2, Bb3, Bb4) is struck first; from 0.1 s to 0.85 s a melody climbs fourteen
// scale notes from D5 to Bb7, each doubled two scale steps lower, every note ringing
// on under the next. The run swells into its accented note at 0.41 s and then thins
// out; the ring dies away and fades to silence for the last 174 samples.
WaveBytes MakeWinSound() {
  std::vector<int64_t> mix(kWinSamples);

  // A plucked, bell-like note: the fundamental rings longest, the octave and the
  // twelfth fade faster. Lower notes ring longer.
  auto strike = [&mix](int note, int64_t start, int level) {
    const uint64_t milliHertz = NoteMilliHertz(note);
    const int64_t ring = 9000 * 1000 / (1000 + static_cast<int64_t>(milliHertz / 2000));
    std::vector<Partial> partials;
    static const int kPartialLevel[4] = {0, 1000, 300, 100};
    for (int k = 1; k <= 3; ++k) {
      if (milliHertz * static_cast<uint64_t>(k) > 9000000) break;  // keep clear of aliasing
      partials.push_back({fixed::PhaseStep(milliHertz * static_cast<uint64_t>(k), kSoundRate),
                          fixed::Ratio(static_cast<int64_t>(level) * kPartialLevel[k], 1000000),
                          ring / k});
    }
    AddVoice(mix, start, Milliseconds(2), partials);
  };

  strike(46, 0, 800);  // Bb2
  strike(58, 0, 650);  // Bb3
  strike(70, 0, 500);  // Bb4

  // Scale notes from Bb4 upward; the melody starts on D5 (index 2). Its onsets
  // broaden slightly towards the top, and its loudest note falls at 0.41 s.
  static const int kScale[] = {70, 72, 74, 77, 79, 82, 84, 86, 89, 91, 94, 96, 98, 101, 103, 106};
  static const int kOnsetMs[14] = {100, 140, 188, 240, 295, 352, 410,
                                   470, 531, 593, 656, 720, 784, 850};
  static const int kMelodyLevel[14] = {420, 480, 550, 630, 720, 820, 1250,
                                       760, 680, 620, 570, 530, 500, 520};
  for (int i = 0; i < 14; ++i) {
    const int64_t start = Milliseconds(kOnsetMs[i]);
    strike(kScale[i + 2], start, kMelodyLevel[i]);
    strike(kScale[i], start, kMelodyLevel[i] * 4 / 10);
  }
  // The low B-flat and F sound again under the loudest note.
  strike(46, Milliseconds(kOnsetMs[6]), 400);
  strike(53, Milliseconds(kOnsetMs[6]), 280);

  // The whole run swells into its loudest note (from 0.6 of full at 0.1 s, easing
  // in) and recedes after it, halving every 0.7 s.
  const int64_t swell = Milliseconds(kOnsetMs[0]), crest = Milliseconds(kOnsetMs[6]);
  const int64_t recede = Milliseconds(700), quiet = fixed::Ratio(60, 100);
  const int64_t accent = Milliseconds(50), accentLift = fixed::Ratio(19, 100);
  for (int64_t t = 0; t < kWinSamples; ++t) {
    int64_t level;
    if (t < swell) {
      level = quiet;
    } else if (t < crest) {
      const int64_t u = fixed::Ratio(t - swell, crest - swell);
      level = quiet + fixed::Mul(kOne - quiet, fixed::Mul(u, u));
    } else {
      level = fixed::Exp2Neg(((t - crest) << 16) / recede);
    }
    // An accent of up to 1.5 dB over the first 50 ms of the loudest note.
    if (t >= crest && t < crest + accent) {
      const int64_t u = fixed::Ratio(2 * (t - crest) - accent, accent);  // -1 .. 1
      const int64_t lift = (kOne + fixed::CosHalfTurn(u < 0 ? -u : u)) / 2;
      level = fixed::Mul(level, kOne + fixed::Mul(accentLift, lift));
    }
    mix[static_cast<size_t>(t)] = fixed::Mul(mix[static_cast<size_t>(t)], level);
  }

  // Fade the tail to silence, then leave the last 174 samples at exactly zero.
  const int64_t silent = kWinSamples - 174, fade = Milliseconds(1400);
  for (int64_t t = fade; t < kWinSamples; ++t) {
    int64_t level = 0;
    if (t < silent) level = (kOne + fixed::CosHalfTurn(fixed::Ratio(t - fade, silent - fade))) / 2;
    mix[static_cast<size_t>(t)] = fixed::Mul(mix[static_cast<size_t>(t)], level);
  }
  return SixteenBitWaveFile(ScaleToPeak(mix, 7353), false);
}
