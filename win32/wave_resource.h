// The sounds' WAVE resources (win32/resources/sounds.rc) are numbered by id: a sound's
// number is its id (sound/sounds.h) + 1, as no resource is numbered 0.
#pragma once

#include <windows.h>

#include "sound/sounds.h"

// The resource name of `sound`'s WAVE resource, or null for an id outside the table.
inline LPCSTR WaveResource(SoundId sound) {
  return IsSoundId(sound) ? MAKEINTRESOURCEA(sound + 1) : nullptr;
}
