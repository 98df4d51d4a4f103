// The game's 23 sounds, one table by id: the 20 notes the boards use, lowest first,
// then the three effects. Every sound output finds a sound by its id.
#pragma once

#include <cstdint>

#include "engine/game.h"
#include "engine/tables.h"

using SoundId = int16_t;
constexpr SoundId kSoundCount = 23;
constexpr SoundId kNoSound = -1;

// Each sound's name: its file in resources/sounds/ (name + ".wav") and the Windows
// program's WAVE resource (resources/sounds.rc).
inline constexpr const char* kSoundNames[kSoundCount] = {
    "a53", "a54", "a55", "a56", "a57", "a58", "a59", "a60", "a61",  "a62",  "a63", "a64",
    "a65", "a66", "a67", "a68", "a69", "a70", "a71", "a72", "buzz", "ding", "win"};

// The sound of a note the boards use (kLowestNote..kHighestNote), or kNoSound.
constexpr SoundId NoteSound(int16_t note) {
  return note >= kLowestNote && note <= kHighestNote ? static_cast<SoundId>(note - kLowestNote)
                                                     : kNoSound;
}

// After the notes, in the order of SoundEffect: buzz, ding, win.
constexpr SoundId EffectSound(SoundEffect effect) {
  return static_cast<SoundId>(NoteSound(kHighestNote) + 1 + static_cast<int>(effect));
}

// The sound's name, or null for an id outside the table.
constexpr const char* SoundName(SoundId sound) {
  return sound >= 0 && sound < kSoundCount ? kSoundNames[sound] : nullptr;
}

namespace sound_table_check {

// Whether `name` is "a" and the two digits of `note`.
constexpr bool NamesNote(const char* name, int note) {
  return name[0] == 'a' && name[1] == '0' + note / 10 && name[2] == '0' + note % 10 &&
         name[3] == '\0';
}

constexpr bool EveryNoteNamed() {
  for (int note = kLowestNote; note <= kHighestNote; ++note) {
    if (!NamesNote(SoundName(NoteSound(static_cast<int16_t>(note))), note)) return false;
  }
  return true;
}

constexpr bool Same(const char* a, const char* b) {
  for (; *a != '\0' && *a == *b; ++a, ++b) {
  }
  return *a == *b;
}

static_assert(EveryNoteNamed(), "each note's sound is named after it");
static_assert(Same(SoundName(EffectSound(SoundEffect::Buzz)), "buzz") &&
                  Same(SoundName(EffectSound(SoundEffect::Ding)), "ding") &&
                  Same(SoundName(EffectSound(SoundEffect::Win)), "win") &&
                  EffectSound(SoundEffect::Win) == kSoundCount - 1,
              "the effects follow the notes and end the table");

}  // namespace sound_table_check
