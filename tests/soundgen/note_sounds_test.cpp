#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/tables.h"
#include "soundgen/sound_set.h"
#include "tests/support/riff_reader.h"

namespace {

// Period length and plateaus of every note, as the sound set must have them.
struct ExpectedNote {
  int note, samples, upper, lower;
};
const ExpectedNote kExpected[20] = {
    {53, 127, 44, 43}, {54, 120, 40, 40}, {55, 112, 36, 36}, {56, 106, 33, 33}, {57, 100, 30, 30},
    {58, 95, 28, 27},  {59, 89, 25, 24},  {60, 84, 22, 22},  {61, 80, 20, 20},  {62, 75, 18, 17},
    {63, 71, 16, 15},  {64, 67, 14, 13},  {65, 63, 12, 11},  {66, 60, 10, 10},  {67, 56, 8, 8},
    {68, 53, 6, 7},    {69, 50, 5, 5},    {70, 47, 4, 3},    {71, 45, 3, 2},    {72, 42, 1, 1}};

std::vector<int> Samples(int16_t note) { return ReadWave(MakeNoteSound(note)).samples; }

int CountOf(const std::vector<int>& samples, int value) {
  return static_cast<int>(std::count(samples.begin(), samples.end(), value));
}

// The samples off the two plateaus.
std::vector<int> Edges(std::vector<int> s) {
  s.erase(std::remove_if(s.begin(), s.end(), [](int v) { return v == 0xA0 || v == 0x60; }),
          s.end());
  return s;
}

}  // namespace

TEST(NoteSound, A72IsTheShortestPeriodSampleForSample) {
  const std::vector<int> expected = {
      0x84, 0x88, 0x8C, 0x90, 0x94, 0x98, 0x9A, 0x9C, 0x9E, 0x9F, 0xA0, 0x9F, 0x9E, 0x9C,
      0x9A, 0x98, 0x94, 0x90, 0x8C, 0x88, 0x84, 0x7C, 0x78, 0x74, 0x70, 0x6C, 0x68, 0x66,
      0x64, 0x62, 0x61, 0x60, 0x61, 0x62, 0x64, 0x66, 0x68, 0x6C, 0x70, 0x74, 0x78, 0x7C};
  const WaveBytes file = MakeNoteSound(72);
  ASSERT_EQ(file.size(), 86u);
  EXPECT_EQ(std::vector<int>(file.begin() + 44, file.end()), expected);
}

TEST(NoteSound, A53IsOddAndEndsWithoutAPadByte) {
  const WaveBytes file = MakeNoteSound(53);
  ASSERT_EQ(file.size(), 171u);
  const WaveFile w = ReadWave(file);
  EXPECT_EQ(w.riffSize, 163u) << "RIFF size counts no pad byte";
  EXPECT_EQ(w.dataSize, 127u);
  EXPECT_EQ(file.back(), 0x7C) << "the file ends with the last sample";
  const std::vector<int> samples = Samples(53);
  EXPECT_EQ(samples.size(), 127u);
  EXPECT_EQ(CountOf(samples, 0xA0), 44);
  EXPECT_EQ(CountOf(samples, 0x60), 43);
}

TEST(NoteSound, A68AloneHasTheLongerLowerPlateau) {
  const std::vector<int> a68 = Samples(68);
  EXPECT_EQ(CountOf(a68, 0xA0), 6);
  EXPECT_EQ(CountOf(a68, 0x60), 7);
  for (int16_t note = kLowestNote; note <= kHighestNote; ++note) {
    if (note == 68) continue;
    const std::vector<int> s = Samples(note);
    EXPECT_GE(CountOf(s, 0xA0), CountOf(s, 0x60)) << "note " << note;
  }
}

TEST(NoteSound, EveryHeaderFieldAndLengthOfAllTwenty) {
  for (const ExpectedNote& e : kExpected) {
    SCOPED_TRACE("note " + std::to_string(e.note));
    const WaveBytes f = MakeNoteSound(static_cast<int16_t>(e.note));
    const uint32_t n = static_cast<uint32_t>(e.samples);
    ASSERT_EQ(f.size(), 44u + n);
    const WaveFile w = ReadWave(f);
    EXPECT_EQ(HeaderLine(w), "RIFF " + std::to_string(36 + n) +
                                 ", fmt 16: tag 1, 1 ch, 22050 Hz, 22050 B/s, align 1, 8 bit, "
                                 "extra 0, chunks fmt data, fact 0, data " +
                                 std::to_string(n) + " at 44");
    const std::vector<int>& s = w.samples;
    EXPECT_EQ(CountOf(s, 0xA0), e.upper);
    EXPECT_EQ(CountOf(s, 0x60), e.lower);
    EXPECT_EQ(e.samples, 40 + e.upper + e.lower);
    // Without its plateaus every note is the same 40 edge samples, in order.
    EXPECT_EQ(Edges(s), Edges(Samples(72)));
    // Each plateau is one unbroken run right after the rising or falling edge.
    EXPECT_EQ(s[10], 0xA0);
    EXPECT_EQ(s[static_cast<size_t>(9 + e.upper)], 0xA0);
    EXPECT_EQ(s[static_cast<size_t>(30 + e.upper)], 0x60);
    EXPECT_EQ(s[static_cast<size_t>(29 + e.upper + e.lower)], 0x60);
  }
}

TEST(NoteSound, EveryPitchIsWithin14CentsOfEqualTemperament) {
  for (const ExpectedNote& e : kExpected) {
    const double pitch =
        22050.0 / static_cast<double>(Samples(static_cast<int16_t>(e.note)).size());
    const double tempered = 440.0 * std::pow(2.0, (e.note - 69) / 12.0);
    EXPECT_LT(std::fabs(1200.0 * std::log2(pitch / tempered)), 14.0) << "note " << e.note;
  }
}

TEST(NoteSound, LoopsBackToBackWithoutCentreSamplesOrSteps) {
  for (int16_t note = kLowestNote; note <= kHighestNote; ++note) {
    const std::vector<int> period = Samples(note);
    std::vector<int> looped;
    for (int i = 0; i < 3; ++i) looped.insert(looped.end(), period.begin(), period.end());
    int largestStep = 0;
    for (size_t i = 0; i < looped.size(); ++i) {
      EXPECT_NE(looped[i], 128) << "note " << note << " sample " << i;
      if (i > 0) largestStep = std::max(largestStep, std::abs(looped[i] - looped[i - 1]));
    }
    EXPECT_EQ(largestStep, 8) << "note " << note << ": only the centre crossings step by 8";
  }
}

TEST(NoteSound, OnlyNotes53To72HaveSounds) {
  for (int16_t note : {52, 73, 0, -1}) EXPECT_TRUE(MakeNoteSound(note).empty()) << note;
  EXPECT_EQ(FindNoteShape(52), nullptr);
  EXPECT_EQ(FindNoteShape(73), nullptr);
  // Every square of every board has a sound.
  for (int16_t board = 0; board < kBoardCount; ++board)
    for (int16_t square = 0; square < BoardSquares(board); ++square)
      EXPECT_FALSE(MakeNoteSound(SquareNote(board, square)).empty())
          << "board " << board << " square " << square;
}
