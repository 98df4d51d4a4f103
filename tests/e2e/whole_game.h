// Playing a whole game from outside, shared by the cases that need one (defined in
// cases_play.cpp).
#pragma once

#include "tests/e2e/e2e.h"

namespace e2e {

// Plays a whole game on board index 1 by watching each playback and repeating it,
// round after round up to the target of the skill shown as `skill` (1-based), and
// checks the won board.
void PlayWholeGame(const Game& game, const Geometry& g, int skill, int target);

}  // namespace e2e
