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

static_assert(kLowestNote == 53 && kHighestNote == 72 &&
                  EffectSound(SoundEffect::Win) == kSoundCount - 1,
              "the names follow the notes, then the effects end the table");
