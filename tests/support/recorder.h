// A recording stand-in for every output of the game, and a small harness that drives
// one game record through it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/game.h"
#include "sound/sound_player.h"
#include "tests/support/perfect_player.h"

using Events = std::vector<std::string>;

inline const std::string kSilence = "silence";

inline const char* EffectWord(SoundEffect effect) {
  return effect == SoundEffect::Buzz ? "buzz" : effect == SoundEffect::Ding ? "ding" : "win";
}

// "a58" for note 58's sound, an effect's word for its sound, else the id.
inline std::string SoundWord(SoundId sound) {
  for (int16_t note = kLowestNote; note <= kHighestNote; ++note)
    if (NoteSound(note) == sound) return "a" + std::to_string(note);
  for (SoundEffect effect : {SoundEffect::Buzz, SoundEffect::Ding, SoundEffect::Win})
    if (EffectSound(effect) == sound) return EffectWord(effect);
  return std::to_string(sound);
}

// Every request made of it, in one log in the order they came, as short words:
// repaints ("square 2", "panel", "redraw"), the engine's sound requests ("note 58",
// "effect ding", "stop") and the calls that reach a sound output ("play a58 loop",
// "play ding once", "silence", "close sound"). A test may add words of its own with Add.
// Long runs keep no log (`keep` false) and read the count of requests. Either way a
// request no game makes (a note off the scale, a sound of no id in the table, a note's
// played once or an effect's looped; with `game` set, a square off its board or a sound
// while sound is off) is its fault.
class Recorder final : public GameView, public SoundPlayer, public SoundOutput {
 public:
  Events events;
  bool keep = true;
  long requests = 0;
  const GameSession* game = nullptr;
  std::string fault;               // the first such request
  std::string playing = kSilence;  // the output's last play call, until a stop

  void InvalidateSquare(int16_t square) override {
    if (game != nullptr && (square < 0 || square >= game->squareCount))
      Fault("repaint of square " + std::to_string(square) + ", which the board does not have");
    Add("square " + std::to_string(square));
  }
  void InvalidateStatusPanel() override { Add("panel"); }
  void RedrawAll() override { Add("redraw"); }
  void PlayNote(int16_t note) override {
    if (note < kLowestNote || note > kHighestNote) Fault("note " + std::to_string(note));
    Add("note " + std::to_string(note));
  }
  void PlayEffect(SoundEffect effect) override { Add(std::string("effect ") + EffectWord(effect)); }
  void StopSound() override { Add("stop"); }
  void Play(SoundId sound, bool loop) override {
    const std::string word = SoundWord(sound);
    const bool known = word != std::to_string(sound);
    if (!known || loop != (word[0] == 'a')) Fault(word + (loop ? " looped" : " played once"));
    if (game != nullptr && !game->soundOn) Fault("sound " + word + " requested with sound off");
    Add(playing = "play " + word + (loop ? " loop" : " once"));
  }
  void Stop() override { Add(playing = kSilence); }
  void Close() override { Add("close sound"); }

  void Add(std::string event) {
    ++requests;
    if (keep) events.push_back(std::move(event));
  }

  // The events since the last call.
  Events Take() { return std::exchange(events, {}); }

 private:
  void Fault(const std::string& what) {
    if (fault.empty()) fault = what;
  }
};

// The output calls of a note and an effect, as the Recorder words them.
inline std::string NoteCall(int note) { return "play a" + std::to_string(note) + " loop"; }
inline std::string EffectCall(const char* name) { return std::string("play ") + name + " once"; }

struct Harness {
  GameSession game;
  Recorder out;

  explicit Harness(uint32_t seed = 12345) { SeedRandom(game, seed); }
  void Tick(int count = 1) {
    for (int i = 0; i < count; ++i) OnTick(game, out, out);
  }
  void Press(int16_t square) { PressSquare(game, out, out, square); }
  void New() { NewGame(game, out, out); }
  void Free() { StartFreePlay(game, out, out); }
  int16_t Expected() const { return game.sequence[game.playPosition]; }

  // Ticks until the state changes away from `state`; returns the ticks taken.
  int TickWhile(GameState state, int limit = 10000) {
    int ticks = 0;
    while (game.state == state && ticks < limit) {
      Tick();
      ++ticks;
    }
    return ticks;
  }

  // Repeats the whole sequence correctly, letting each flash run out.
  void PlayBackCorrectly() { ::PlayBackCorrectly(game, out, out); }

  // Starts a new game and plays it without a mistake up to the player's turn in `round`.
  void ReachTurn(int round = 1) {
    New();
    TickWhile(GameState::Watch);
    for (int r = 1; r < round; ++r) {
      PlayBackCorrectly();
      TickWhile(GameState::SequenceOk);
      TickWhile(GameState::Watch);
    }
  }
};
