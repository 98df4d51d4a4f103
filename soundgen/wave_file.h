// Writers of the two RIFF/WAVE layouts the sound set uses.
#pragma once

#include <cstdint>
#include <vector>

#include "soundgen/sound_set.h"

// 8-bit unsigned mono: "fmt " of 16 bytes, then "data". An odd data chunk ends the
// file without a pad byte, and the RIFF size counts none.
WaveBytes EightBitWaveFile(const std::vector<uint8_t>& samples);

// 16-bit signed mono: "fmt " of 18 bytes (no extra format bytes), an optional "fact"
// chunk holding the sample count, then "data".
WaveBytes SixteenBitWaveFile(const std::vector<int16_t>& samples, bool withFact);
