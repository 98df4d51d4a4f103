// The sample rate of every sound of the game: the generators write their files at it,
// the reader accepts no other, and the output stream plays at it.
#pragma once

#include <cstdint>

constexpr uint32_t kSoundRate = 22050;  // samples per second

// How long a sound fades out where it stops or is replaced, on outputs that fade (the
// Linux game's stream, the browser's voice): short enough to sound like a stop, long
// enough that the cut does not click.
constexpr uint32_t kReleaseMs = 4;
