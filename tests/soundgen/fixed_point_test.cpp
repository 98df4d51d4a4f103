#include "soundgen/fixed_point.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
double Real(int64_t q30) { return static_cast<double>(q30) / static_cast<double>(fixed::kOne); }
}  // namespace

TEST(FixedPoint, SineFollowsTheCircleInEveryQuadrant) {
  const double pi = std::acos(-1.0);
  for (uint64_t phase = 0; phase < (uint64_t{1} << 32); phase += 0x00FFF1F3) {
    const double turn = static_cast<double>(phase) / 4294967296.0;
    EXPECT_NEAR(Real(fixed::Sine(static_cast<uint32_t>(phase))), std::sin(2 * pi * turn), 1e-8)
        << "phase " << phase;
  }
  EXPECT_EQ(fixed::Sine(0), 0);
  EXPECT_EQ(fixed::Sine(0x80000000u), 0);
  EXPECT_NEAR(Real(fixed::Sine(0x40000000u)), 1.0, 1e-8);
  EXPECT_NEAR(Real(fixed::Sine(0xC0000000u)), -1.0, 1e-8);
  EXPECT_NEAR(Real(fixed::CosHalfTurn(0)), 1.0, 1e-8);
  EXPECT_NEAR(Real(fixed::CosHalfTurn(fixed::kOne)), -1.0, 1e-8);
}

TEST(FixedPoint, Exp2NegHalvesPerUnitAndReachesZero) {
  for (int64_t x = 0; x < (int64_t{40} << 16); x += 7919) {
    EXPECT_NEAR(Real(fixed::Exp2Neg(x)), std::exp2(-static_cast<double>(x) / 65536.0), 2e-9)
        << "x " << x / 65536.0;
  }
  EXPECT_EQ(fixed::Exp2Neg(0), fixed::kOne);
  EXPECT_EQ(fixed::Exp2Neg(int64_t{31} << 16), 0);
}

TEST(FixedPoint, ProductsOfLargeMixesAndPhaseSteps) {
  // A mix well above 1.0 scales without overflow, truncating toward zero.
  const int64_t big = 40 * fixed::kOne + 12345;
  EXPECT_EQ(fixed::Mul(big, fixed::kOne / 2), big / 2);
  EXPECT_EQ(fixed::Mul(-big, fixed::kOne / 2), -(big / 2));
  EXPECT_EQ(fixed::Mul(3, fixed::kOne / 4), 0);
  // 22050 Hz / 4 is a quarter turn per sample; 1 Hz turns once per 22050 samples.
  EXPECT_EQ(fixed::PhaseStep(5512500, 22050), 0x40000000u);
  EXPECT_EQ(fixed::PhaseStep(1000, 22050), 194783u);
}
