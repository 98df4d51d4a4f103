// A player who watched the sequence and never makes a mistake, for any view and sound.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/game.h"

// The square the next press in YourTurn is judged against. A press during the flash
// of the previous one first ends that flash and moves on, so it is judged against the
// square after; when that ends the sequence, the press itself is not looked at and
// the last square of the sequence stands for any.
inline int16_t NextCorrectSquare(const GameSession& game) {
  int position = game.playPosition + (game.tickCounter < 0 ? 1 : 0);
  if (position >= game.sequenceLength) position = game.sequenceLength - 1;
  return game.sequence[position];
}

// How the player paces its presses: it lets the flash of each press run out, or it
// presses again one tick into the flash (which ends it early).
enum class Pace { WaitForFlashes, CutFlashes };

// Repeats the rest of the sequence without a mistake, until the turn ends. `step`, if
// given, runs after every press ("press <square>") and every tick ("tick").
inline void PlayBackCorrectly(GameSession& game, GameView& view, SoundPlayer& sound,
                              Pace pace = Pace::WaitForFlashes,
                              const std::function<void(const std::string&)>& step = nullptr) {
  // Each press moves the play position on or ends the sequence: the guard only stops
  // an engine that fails to.
  for (int presses = 0; game.state == GameState::YourTurn && presses <= kSequenceCapacity;
       ++presses) {
    const int16_t square = NextCorrectSquare(game);
    PressSquare(game, view, sound, square);
    if (step) step("press " + std::to_string(square));
    const int ticks = pace == Pace::WaitForFlashes ? game.flashTicks + 1 : 1;
    for (int i = 0; i < ticks; ++i) {
      OnTick(game, view, sound);
      if (step) step("tick");
    }
  }
}
