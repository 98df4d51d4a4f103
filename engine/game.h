// The game state machine: one GameSession record moved by ticks, presses and menu
// operations. It asks a GameView for repaints and a SoundPlayer for sounds.
#pragma once

#include <cstdint>

#include "engine/tables.h"

// One tick of the game's clock, in milliseconds: every duration of the game is counted
// in ticks, and each shell's timer delivers one every period.
constexpr int kTickMs = 50;

constexpr int kSequenceCapacity = 128;
constexpr int16_t kThinkingTicks = 100;  // the 101st idle tick in YourTurn loses
constexpr int16_t kSequenceOkTicks = 10;

struct GameSession {
  int16_t boardIndex = 1;
  int16_t skillIndex = 1;
  GameState state = GameState::Idle;
  int8_t sequence[kSequenceCapacity] = {};
  int16_t sequenceLength = 0;
  int16_t targetLength = 0;  // 0 in free play
  int16_t playPosition = 0;  // next square to play back or to check
  int16_t litSquare = -1;    // square shown in its colour, or -1
  // Paces every timed phase: in Watch it counts from -1 up to flashTicks for each
  // square played back; after a press it counts from -(flashTicks + 1) up to 0, the
  // press's flash; then, in YourTurn, it counts the idle ticks up to kThinkingTicks.
  int16_t tickCounter = 0;
  int16_t flashTicks = 0;  // 1..9 once set by FlashPacing
  int16_t squareCount = 0;
  bool soundOn = true;  // sounds play only while on
  uint32_t randomState = 0;
};

// Repaint requests, carried out by the shell on the main window.
class GameView {
 public:
  virtual void InvalidateSquare(int16_t square) = 0;
  virtual void InvalidateStatusPanel() = 0;
  virtual void RedrawAll() = 0;  // invalidate everything and paint before returning

 protected:
  ~GameView() = default;
};

enum class SoundEffect { Buzz, Ding, Win };

// The game's one voice. Implementations do nothing while soundOn is off.
class SoundPlayer {
 public:
  virtual void PlayNote(int16_t note) = 0;  // loops until stopped or replaced
  virtual void PlayEffect(SoundEffect effect) = 0;
  virtual void StopSound() = 0;

 protected:
  ~SoundPlayer() = default;
};

// 32-bit linear congruential generator; returns 0..32767.
int16_t Random(GameSession& game);
void SeedRandom(GameSession& game, uint32_t secondsSince1970);

// The flash length by sequence length: FlashPacing sets flashTicks to `ticks` when the
// sequence is `length` long and keeps it at every other length, so a sequence grown
// one square at a time flashes for the ticks of the last step it has reached.
struct FlashStep {
  int16_t length, ticks;
};
inline constexpr FlashStep kFlashPacing[] = {{0, 9},  {1, 9},  {5, 8},  {9, 7},  {12, 6},
                                             {16, 5}, {20, 4}, {29, 3}, {40, 2}, {50, 1}};

void FlashPacing(GameSession& game);

void NewGame(GameSession& game, GameView& view, SoundPlayer& sound);
void StartFreePlay(GameSession& game, GameView& view, SoundPlayer& sound);
// Takes a new board and skill (ignored when either index is outside the tables)
// and returns to Idle. A flash still showing is ended so that no note loops on
// and the lit square never names a square of the previous board.
void ApplyLevel(GameSession& game, SoundPlayer& sound, int16_t board, int16_t skill);
void OnTick(GameSession& game, GameView& view, SoundPlayer& sound);
// Ignored outside YourTurn and FreePlay and for squares the board does not have.
void PressSquare(GameSession& game, GameView& view, SoundPlayer& sound, int16_t square);

// States in which clicks and keys reach PressSquare.
inline bool AcceptsPresses(const GameSession& game) {
  return game.state == GameState::YourTurn || game.state == GameState::FreePlay;
}

// States of a game in progress, in which Level, Free play and Instructions are refused.
inline bool IsGameRunning(const GameSession& game) {
  return game.state == GameState::Watch || game.state == GameState::YourTurn ||
         game.state == GameState::SequenceOk;
}

// Whether a tick can change anything now: while a game runs (a playback, the player's
// thinking time, the pause after "OK") and while the flash of a free-play press shows.
// At rest (no game, a game over, free play between presses) ticks do nothing.
inline bool GameNeedsTicks(const GameSession& game) {
  return IsGameRunning(game) || (game.state == GameState::FreePlay && game.tickCounter < 0);
}
