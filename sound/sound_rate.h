// The sample rate of every sound of the game: the generators write their files at it,
// the reader accepts no other, and the output stream plays at it.
#pragma once

#include <cstdint>

constexpr uint32_t kSoundRate = 22050;  // samples per second
