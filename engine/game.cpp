#include "engine/game.h"

namespace {

// A changed pacing step must keep free play (length 0) paced, the steps in order, and
// every flash at least a tick long.
constexpr bool PacingRisesFromLengthZero() {
  int previous = -1;
  for (const FlashStep& step : kFlashPacing) {
    if (step.length <= previous || step.ticks < 1) return false;
    previous = step.length;
  }
  return kFlashPacing[0].length == 0;
}
static_assert(PacingRisesFromLengthZero(),
              "kFlashPacing: lengths rising from 0, each flash at least one tick");

void LightSquare(GameSession& game, GameView& view, SoundPlayer& sound) {
  view.InvalidateSquare(game.litSquare);
  sound.PlayNote(SquareNote(game.boardIndex, game.litSquare));
}

void EndFlash(GameSession& game, GameView& view, SoundPlayer& sound) {
  const int16_t dark = game.litSquare;
  game.litSquare = -1;
  if (dark != -1) view.InvalidateSquare(dark);
  if (game.state == GameState::Watch) game.tickCounter = -1;
  sound.StopSound();
}

// A round ends: the new state counts its ticks from zero, the status panel shows it
// (a win repaints the whole window) and its effect sounds.
void EndRound(GameSession& game, GameView& view, SoundPlayer& sound, GameState state,
              SoundEffect effect) {
  game.state = state;
  game.tickCounter = 0;
  if (state == GameState::YouWin) {
    view.RedrawAll();
  } else {
    view.InvalidateStatusPanel();
  }
  sound.PlayEffect(effect);
}

void ExtendSequence(GameSession& game, GameView& view, SoundPlayer& sound) {
  if (game.sequenceLength == game.targetLength) {
    EndRound(game, view, sound, GameState::YouWin, SoundEffect::Win);
    return;
  }
  game.sequence[game.sequenceLength] = static_cast<int8_t>(Random(game) % game.squareCount);
  game.sequenceLength += 1;
  game.playPosition = 0;
  game.tickCounter = -1;
  game.state = GameState::Watch;
  view.InvalidateStatusPanel();
  FlashPacing(game);
}

// The flash of the player's last press is over, by its last tick or by the next press:
// the square goes dark and the play position moves on. Returns true when that
// completed the sequence, which enters SequenceOk.
bool EndPressFlash(GameSession& game, GameView& view, SoundPlayer& sound) {
  EndFlash(game, view, sound);
  game.playPosition += 1;
  if (game.playPosition != game.sequenceLength) return false;
  EndRound(game, view, sound, GameState::SequenceOk, SoundEffect::Ding);
  return true;
}

void AdvancePlayback(GameSession& game, GameView& view, SoundPlayer& sound) {
  game.playPosition += 1;
  if (game.playPosition > game.sequenceLength) {
    game.state = GameState::YourTurn;
    game.tickCounter = 0;
    game.playPosition = 0;
    view.InvalidateStatusPanel();
  } else {
    game.litSquare = game.sequence[game.playPosition - 1];
    LightSquare(game, view, sound);
  }
}

}  // namespace

int16_t Random(GameSession& game) {
  game.randomState = game.randomState * 214013u + 2531011u;
  return static_cast<int16_t>((game.randomState >> 16) & 0x7FFF);
}

void SeedRandom(GameSession& game, uint32_t secondsSince1970) {
  game.randomState = secondsSince1970;
}

void FlashPacing(GameSession& game) {
  for (const FlashStep& step : kFlashPacing) {
    if (step.length == game.sequenceLength) game.flashTicks = step.ticks;
  }
}

void NewGame(GameSession& game, GameView& view, SoundPlayer& sound) {
  game.state = GameState::Idle;
  game.litSquare = -1;
  sound.StopSound();
  view.RedrawAll();
  game.playPosition = 0;
  game.sequenceLength = 0;
  game.targetLength = TargetLength(game.skillIndex);
  game.squareCount = BoardSquares(game.boardIndex);
  ExtendSequence(game, view, sound);
}

void StartFreePlay(GameSession& game, GameView& view, SoundPlayer& sound) {
  game.state = GameState::FreePlay;
  game.litSquare = -1;
  sound.StopSound();
  game.playPosition = 0;
  game.sequenceLength = 0;
  game.targetLength = 0;
  game.squareCount = BoardSquares(game.boardIndex);
  game.tickCounter = 0;
  FlashPacing(game);
  view.RedrawAll();
}

void ApplyLevel(GameSession& game, SoundPlayer& sound, int16_t board, int16_t skill) {
  if (!IsBoardIndex(board) || !IsSkillIndex(skill)) return;
  game.boardIndex = board;
  game.skillIndex = skill;
  game.state = GameState::Idle;
  game.squareCount = BoardSquares(board);
  if (game.litSquare != -1) {
    game.litSquare = -1;
    sound.StopSound();
  }
}

void OnTick(GameSession& game, GameView& view, SoundPlayer& sound) {
  switch (game.state) {
    case GameState::Watch:
      game.tickCounter += 1;
      if (game.tickCounter == 0) AdvancePlayback(game, view, sound);
      if (game.tickCounter == game.flashTicks) EndFlash(game, view, sound);
      break;
    case GameState::YourTurn:
      game.tickCounter += 1;
      if (game.tickCounter == 0) EndPressFlash(game, view, sound);
      if (game.tickCounter > kThinkingTicks)
        EndRound(game, view, sound, GameState::Wrong, SoundEffect::Buzz);
      break;
    case GameState::SequenceOk:
      game.tickCounter += 1;
      if (game.tickCounter == kSequenceOkTicks) ExtendSequence(game, view, sound);
      break;
    case GameState::FreePlay:
      if (game.tickCounter < 0) game.tickCounter += 1;
      if (game.tickCounter == 0) EndFlash(game, view, sound);
      break;
    case GameState::Idle:
    case GameState::Wrong:
    case GameState::YouWin:
      break;
  }
}

void PressSquare(GameSession& game, GameView& view, SoundPlayer& sound, int16_t square) {
  if (!AcceptsPresses(game) || square < 0 || square >= game.squareCount) return;
  // The flash of the previous press still shows: it ends first. When that completes
  // the sequence, this press is not looked at.
  if (game.tickCounter < 0) {
    if (game.state != GameState::YourTurn) {
      EndFlash(game, view, sound);
    } else if (EndPressFlash(game, view, sound)) {
      return;
    }
  }
  if (game.state == GameState::YourTurn && game.sequence[game.playPosition] != square) {
    EndRound(game, view, sound, GameState::Wrong, SoundEffect::Buzz);
    return;
  }
  game.litSquare = square;
  game.tickCounter = static_cast<int16_t>(-(game.flashTicks + 1));
  LightSquare(game, view, sound);
}
