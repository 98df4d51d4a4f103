// What the game shows, put in words for a player who cannot see the screen: the status
// panel as one line and a board's keys row by row. Plain text, the same for every shell
// that tells assistive technology.
#pragma once

#include <cstdint>

#include "engine/game.h"

constexpr int kSpokenTextCapacity = 64;

// The status word and the panel's four figures, as the panel shows them:
// "Your turn. Skill 2, board 2, length 3, target 10", "Wrong! Skill 2, ..."; empty while
// the panel is blank.
void StatusLine(const GameSession& game, char (&line)[kSpokenTextCapacity]);

// The board's keys, each row left to right, rows from the top: "keys: e r, d f".
void BoardKeysText(int16_t board, char (&text)[kSpokenTextCapacity]);
