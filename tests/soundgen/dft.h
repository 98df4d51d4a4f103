// Coarse spectral measurements for the effect-sound tests: a Hann-windowed,
// zero-padded FFT and a list of its peaks.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <vector>

constexpr double kRate = 22050.0;

inline double Db(double ratio) { return 20.0 * std::log10(ratio); }

// Magnitudes of the spectrum of samples[begin, begin + length), Hann-windowed and
// zero-padded to `size` (a power of two); bin i is i * kRate / size Hz.
inline std::vector<double> Spectrum(const std::vector<int>& samples, size_t begin, size_t length,
                                    size_t size) {
  const double pi = std::acos(-1.0);
  std::vector<std::complex<double>> a(size);
  for (size_t i = 0; i < length && begin + i < samples.size(); ++i) {
    const double hann = 0.5 - 0.5 * std::cos(2 * pi * static_cast<double>(i) / (length - 1));
    a[i] = hann * samples[begin + i];
  }
  for (size_t i = 1, j = 0; i < size; ++i) {  // bit-reversal permutation
    size_t bit = size >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (size_t len = 2; len <= size; len <<= 1) {
    const std::complex<double> turn = std::polar(1.0, -2 * pi / static_cast<double>(len));
    for (size_t i = 0; i < size; i += len) {
      std::complex<double> w = 1;
      for (size_t k = 0; k < len / 2; ++k, w *= turn) {
        const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * w;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
      }
    }
  }
  std::vector<double> magnitude(size / 2);
  for (size_t i = 0; i < magnitude.size(); ++i) magnitude[i] = std::abs(a[i]);
  return magnitude;
}

struct Peak {
  double hz;
  double level;  // magnitude
};

// Local maxima between lowHz and highHz no more than `rangeDb` below the strongest,
// strongest first; frequencies refined by a parabola through the three top bins.
inline std::vector<Peak> Peaks(const std::vector<double>& magnitude, double lowHz, double highHz,
                               double rangeDb) {
  const double binHz = kRate / (2.0 * static_cast<double>(magnitude.size()));
  std::vector<Peak> peaks;
  for (size_t i = 1; i + 1 < magnitude.size(); ++i) {
    const double hz = static_cast<double>(i) * binHz;
    if (hz < lowHz || hz > highHz) continue;
    const double l = magnitude[i - 1], c = magnitude[i], r = magnitude[i + 1];
    if (c <= l || c < r || c <= 0) continue;
    const double offset = 0.5 * (l - r) / (l - 2 * c + r);
    peaks.push_back({(static_cast<double>(i) + offset) * binHz, c});
  }
  std::sort(peaks.begin(), peaks.end(),
            [](const Peak& a, const Peak& b) { return a.level > b.level; });
  if (!peaks.empty()) {
    const double floor = peaks.front().level * std::pow(10.0, -rangeDb / 20.0);
    peaks.erase(std::remove_if(peaks.begin(), peaks.end(),
                               [floor](const Peak& p) { return p.level < floor; }),
                peaks.end());
  }
  return peaks;
}

inline double Rms(const std::vector<int>& samples, size_t begin, size_t length) {
  double sum = 0;
  for (size_t i = begin; i < begin + length; ++i) sum += double(samples[i]) * samples[i];
  return std::sqrt(sum / static_cast<double>(length));
}

inline int MaxAbs(const std::vector<int>& samples, size_t begin, size_t length) {
  int m = 0;
  for (size_t i = begin; i < begin + length && i < samples.size(); ++i)
    m = std::max(m, std::abs(samples[i]));
  return m;
}

// Cents from `hz` to the nearest equal-tempered pitch of the given pitch classes
// (0 = C, 1 = C sharp, ... 11 = B).
inline double CentsFromScale(double hz, const std::vector<int>& pitchClasses) {
  const double midi = 69 + 12 * std::log2(hz / 440.0);
  double best = 1e9;
  for (int pc : pitchClasses) {
    const double rel = std::fmod(midi - pc, 12.0);
    const double d = std::min(std::fabs(rel), 12 - std::fabs(rel));
    best = std::min(best, d * 100);
  }
  return best;
}
