// Recording stand-ins for the repaint and sound sides of the engine, and a small
// harness that drives one game record through them.
#pragma once

#include <string>
#include <vector>

#include "engine/game.h"

// Every request of the engine, in order, as short words: "square 2", "panel",
// "redraw", "note 58", "effect ding", "stop".
class Recorder final : public GameView, public SoundPlayer {
 public:
  std::vector<std::string> events;

  void InvalidateSquare(int16_t square) override { Add("square " + std::to_string(square)); }
  void InvalidateStatusPanel() override { Add("panel"); }
  void RedrawAll() override { Add("redraw"); }
  void PlayNote(int16_t note) override { Add("note " + std::to_string(note)); }
  void PlayEffect(SoundEffect effect) override {
    Add(effect == SoundEffect::Buzz   ? "effect buzz"
        : effect == SoundEffect::Ding ? "effect ding"
                                      : "effect win");
  }
  void StopSound() override { Add("stop"); }

  // The events since the last call.
  std::vector<std::string> Take() {
    std::vector<std::string> taken;
    taken.swap(events);
    return taken;
  }

 private:
  void Add(std::string event) { events.push_back(std::move(event)); }
};

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
  void PlayBackCorrectly() {
    while (game.state == GameState::YourTurn) {
      Press(Expected());
      Tick(game.flashTicks + 1);  // the flash ends and the play position moves on
    }
  }
};
