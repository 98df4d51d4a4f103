// The generators of the game's sound set: a looped note sound for every note the
// boards may use (kLowestNote to kHighestNote) and three effects, each a complete
// RIFF/WAVE file. The write_sounds tool writes them to resources/sounds/, which the
// Windows game's win32/resources/sounds.rc embeds; the game itself never links them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/tables.h"
#include "sound/sound_rate.h"

using WaveBytes = std::vector<uint8_t>;

// One period of a note's soft-edged square wave: 40 edge samples plus an upper
// plateau of `upper` samples and a lower plateau of `lower` samples. The lengths are
// chosen by hand per note (tuning within 14 cents), not derived from the pitch.
struct NoteShape {
  int16_t note;     // MIDI note number
  int16_t samples;  // 40 + upper + lower
  int16_t upper;
  int16_t lower;
};

extern const NoteShape kNoteShapes[kHighestNote - kLowestNote + 1];

// The shape of a note, or null for a note the set has no sound for.
const NoteShape* FindNoteShape(int16_t note);

// The whole file of a note sound: 44-byte header and one period of unsigned 8-bit
// samples, no pad byte after an odd data chunk. Empty for a note outside the set.
WaveBytes MakeNoteSound(int16_t note);

// The effect sounds: signed 16-bit mono files with an 18-byte format chunk.
WaveBytes MakeBuzzSound();  // wrong square or timeout: a harsh low buzz
WaveBytes MakeDingSound();  // matched sequence: a short bell strike
WaveBytes MakeWinSound();   // won game: a rising, ringing pentatonic run

constexpr uint32_t kBuzzSamples = 9698;
constexpr uint32_t kDingSamples = 1483;
constexpr uint32_t kWinSamples = 40241;

struct NamedSound {
  std::string fileName;  // "a53.wav" ... "win.wav"
  WaveBytes bytes;
};

// All 23 sounds in the order of their ids (sound/sounds.h): notes first in rising
// order, then buzz, ding and win.
std::vector<NamedSound> MakeSoundSet();
