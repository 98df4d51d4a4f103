// The rules a game record keeps whatever is done to it, for the random tests that drive
// the engine alone or through the host.
#pragma once

#include <cstdint>
#include <string>

#include "engine/game.h"

// States of a game started and not left: running, or over and still showing.
inline bool InGame(GameState s) {
  return s == GameState::Watch || s == GameState::YourTurn || s == GameState::SequenceOk ||
         s == GameState::Wrong || s == GameState::YouWin;
}

// Flash ticks for a sequence grown one square at a time up to `length`: those of the
// last pacing step it has reached.
inline int16_t FlashTicksFor(int length) {
  int16_t ticks = 0;
  for (const FlashStep& step : kFlashPacing) {
    if (step.length <= length) ticks = step.ticks;
  }
  return ticks;
}

// The first rule the record breaks, described; "" while it keeps them all.
inline std::string RecordProblem(const GameSession& g) {
  const auto state = static_cast<int>(g.state);
  if (state < 0 || state > 6) return "state " + std::to_string(state);
  if (!IsBoardIndex(g.boardIndex) || !IsSkillIndex(g.skillIndex)) return "board or skill index";
  // Only before the first game or level is there no square at all.
  if ((g.state != GameState::Idle || g.squareCount != 0) &&
      g.squareCount != BoardSquares(g.boardIndex))
    return "square count does not fit the board";
  if (g.litSquare != -1 && (g.litSquare < 0 || g.litSquare >= g.squareCount))
    return "lit square " + std::to_string(g.litSquare) + " is not on the board";
  const int16_t len = g.sequenceLength, tc = g.tickCounter, ft = g.flashTicks;
  const bool lit = g.litSquare != -1;
  if (lit && g.state != GameState::Watch && g.state != GameState::YourTurn &&
      g.state != GameState::FreePlay)
    return "a square is lit outside playback and presses";
  if (InGame(g.state)) {
    if (g.targetLength != TargetLength(g.skillIndex)) return "target differs from the skill's";
    if (len < 1 || len > g.targetLength || g.targetLength > 100) return "sequence length";
    for (int i = 0; i < len; ++i)
      if (g.sequence[i] < 0 || g.sequence[i] >= g.squareCount)
        return "sequence entry off the board";
    if (ft != FlashTicksFor(len))
      return "flash ticks " + std::to_string(ft) + " for length " + std::to_string(len);
  }
  switch (g.state) {
    case GameState::Watch:
      if (g.playPosition < 0 || g.playPosition > len) return "play position in Watch";
      if (tc < -1 || tc >= ft) return "tick counter in Watch";
      if (lit != (tc >= 0)) return "lit square and tick counter disagree in Watch";
      if (lit && g.litSquare != g.sequence[g.playPosition - 1])
        return "Watch shows a square off the sequence";
      break;
    case GameState::YourTurn:
      if (g.playPosition < 0 || g.playPosition >= len) return "play position in YourTurn";
      if (tc < -(ft + 1) || tc > kThinkingTicks) return "tick counter in YourTurn";
      if (lit != (tc < 0)) return "lit square and tick counter disagree in YourTurn";
      if (lit && g.litSquare != g.sequence[g.playPosition]) return "a wrong press is showing";
      break;
    case GameState::SequenceOk:
      if (g.playPosition != len) return "play position in SequenceOk";
      if (tc < 0 || tc >= kSequenceOkTicks) return "tick counter in SequenceOk";
      break;
    case GameState::YouWin:
      if (len != g.targetLength) return "won before the target";
      break;
    case GameState::FreePlay:
      if (len != 0 || g.targetLength != 0 || g.playPosition != 0)
        return "free play keeps a sequence";
      if (ft != 9) return "flash ticks in free play";
      if (tc < -10 || tc > 0) return "tick counter in free play";
      if (lit != (tc < 0)) return "lit square and tick counter disagree in free play";
      break;
    case GameState::Idle:
    case GameState::Wrong:
      break;
  }
  return "";
}
