// The game's 23 sounds, one table by id: the 20 notes the boards use, lowest first,
// then the three effects. Every sound output finds a sound by its id: the Linux and
// browser games build the files in by it (sound/CMakeLists.txt), and the Windows
// program numbers its WAVE resources by it (win32/resources/sounds.rc).
#pragma once

#include <cstdint>

#include "engine/game.h"
#include "engine/tables.h"

using SoundId = int16_t;
constexpr SoundId kSoundCount = 23;
constexpr SoundId kNoSound = -1;

// Whether `sound` is an id of the table.
constexpr bool IsSoundId(SoundId sound) { return sound >= 0 && sound < kSoundCount; }

// The sound of a note the boards use (kLowestNote..kHighestNote), or kNoSound.
constexpr SoundId NoteSound(int16_t note) {
  return note >= kLowestNote && note <= kHighestNote ? static_cast<SoundId>(note - kLowestNote)
                                                     : kNoSound;
}

// After the notes, in the order of SoundEffect: buzz, ding, win.
constexpr SoundId EffectSound(SoundEffect effect) {
  return static_cast<SoundId>(NoteSound(kHighestNote) + 1 + static_cast<int>(effect));
}

static_assert(kLowestNote == 53 && kHighestNote == 72 &&
                  EffectSound(SoundEffect::Win) == kSoundCount - 1,
              "sound/CMakeLists.txt and win32/resources/sounds.rc list notes 53 to 72, then the "
              "effects");
