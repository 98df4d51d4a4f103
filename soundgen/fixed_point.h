// Integer signal maths for the effect generators. Everything is exact integer
// arithmetic, so a generator gives the same bytes on every machine and compiler.
// Values marked Q30 are fixed-point numbers with 30 fraction bits (1.0 = 2^30).
#pragma once

#include <cstdint>

namespace fixed {

constexpr int64_t kOne = int64_t{1} << 30;
constexpr int64_t kHalfPi = 1686629713;  // pi / 2 in Q30
constexpr int64_t kLn2 = 744261118;      // ln 2 in Q30

// Product of two Q30 numbers, truncated toward zero; |b| < 2^32, |a| < 2^61 / |b|.
// Split so that a mix far above 1.0 can still be scaled without overflow.
inline int64_t Mul(int64_t a, int64_t b) { return a / kOne * b + a % kOne * b / kOne; }

// A ratio as Q30: numerator / denominator, both small non-negative integers.
inline int64_t Ratio(int64_t numerator, int64_t denominator) {
  return numerator * kOne / denominator;
}

// sin(2 pi phase / 2^32) in Q30. A phase of 2^32 is one full turn, so an unsigned
// phase accumulator wraps exactly once per period.
inline int64_t Sine(uint32_t phase) {
  const uint32_t quadrant = phase >> 30;
  int64_t within = phase & 0x3FFFFFFF;        // position in the quarter turn, Q30
  if (quadrant & 1) within = kOne - within;   // sin(pi - x) = sin(x)
  const int64_t x = within * kHalfPi / kOne;  // radians, 0 .. pi/2
  const int64_t x2 = x * x / kOne;
  // sin x = x (1 - x^2/(2*3) (1 - x^2/(4*5) (1 - ...))), seven terms: error < 1e-9.
  int64_t r = kOne;
  for (int64_t k = 7; k >= 1; --k) r = kOne - x2 * r / kOne / ((2 * k) * (2 * k + 1));
  const int64_t s = x * r / kOne;
  return quadrant >= 2 ? -s : s;
}

// cos(pi u) for u in Q30 from 0 to 1, in Q30.
inline int64_t CosHalfTurn(int64_t u) {
  return Sine(static_cast<uint32_t>((int64_t{1} << 30) + u * 2));
}

// 2^(-x) in Q30 for x >= 0 given with 16 fraction bits.
inline int64_t Exp2Neg(int64_t xQ16) {
  const int64_t whole = xQ16 >> 16;
  if (whole >= 31) return 0;
  const int64_t y = (xQ16 & 0xFFFF) * kLn2 >> 16;  // fraction of x times ln 2, < 0.7
  // e^-y = 1 - y (1 - y/2 (1 - y/3 (1 - ...))), twelve terms: error < 1e-9.
  int64_t r = kOne;
  for (int64_t k = 12; k >= 1; --k) r = kOne - y * r / kOne / k;
  return r >> whole;
}

// Phase advance per sample of a tone of the given frequency in millihertz, at a
// sample rate of `rate`.
inline uint32_t PhaseStep(uint64_t milliHertz, uint32_t rate) {
  const uint64_t denominator = uint64_t{rate} * 1000;
  return static_cast<uint32_t>(((milliHertz << 32) + denominator / 2) / denominator);
}

}  // namespace fixed
