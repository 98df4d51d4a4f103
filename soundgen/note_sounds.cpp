#include "soundgen/sound_set.h"
#include "soundgen/wave_file.h"

// The period lengths put every note within 14 cents of equal temperament. For odd
// lengths the upper plateau takes the extra sample, except on note 68, where the
// lower one does.
constexpr NoteShape kNoteShapes[kHighestNote - kLowestNote + 1] = {
    {53, 127, 44, 43}, {54, 120, 40, 40}, {55, 112, 36, 36}, {56, 106, 33, 33}, {57, 100, 30, 30},
    {58, 95, 28, 27},  {59, 89, 25, 24},  {60, 84, 22, 22},  {61, 80, 20, 20},  {62, 75, 18, 17},
    {63, 71, 16, 15},  {64, 67, 14, 13},  {65, 63, 12, 11},  {66, 60, 10, 10},  {67, 56, 8, 8},
    {68, 53, 6, 7},    {69, 50, 5, 5},    {70, 47, 4, 3},    {71, 45, 3, 2},    {72, 42, 1, 1},
};

// A note added to the boards' range needs its shape here, in order.
constexpr bool OneShapeForEveryNote() {
  for (int16_t i = 0; i <= kHighestNote - kLowestNote; ++i) {
    const NoteShape& shape = kNoteShapes[i];
    if (shape.note != kLowestNote + i || shape.samples != 40 + shape.upper + shape.lower)
      return false;
  }
  return true;
}
static_assert(OneShapeForEveryNote(),
              "kNoteShapes: one shape for each note from kLowestNote to kHighestNote, in "
              "order, each 40 + upper + lower samples long");

const NoteShape* FindNoteShape(int16_t note) {
  if (note < kLowestNote || note > kHighestNote) return nullptr;
  return &kNoteShapes[note - kLowestNote];
}

WaveBytes MakeNoteSound(int16_t note) {
  const NoteShape* shape = FindNoteShape(note);
  if (!shape) return {};
  // Distance from the centre line of the ten edge samples: a soft edge that never
  // touches 128, so the wave crosses the centre between samples and the period joins
  // itself without a step when looped.
  static const int kEdge[10] = {4, 8, 12, 16, 20, 24, 26, 28, 30, 31};
  const int kCentre = 128, kAmplitude = 32;
  std::vector<uint8_t> samples;
  samples.reserve(static_cast<size_t>(shape->samples));
  auto put = [&samples](int value) { samples.push_back(static_cast<uint8_t>(value)); };
  for (int i = 0; i < 10; ++i) put(kCentre + kEdge[i]);
  for (int i = 0; i < shape->upper; ++i) put(kCentre + kAmplitude);
  for (int i = 9; i >= 0; --i) put(kCentre + kEdge[i]);
  for (int i = 0; i < 10; ++i) put(kCentre - kEdge[i]);
  for (int i = 0; i < shape->lower; ++i) put(kCentre - kAmplitude);
  for (int i = 9; i >= 0; --i) put(kCentre - kEdge[i]);
  return EightBitWaveFile(samples);
}
