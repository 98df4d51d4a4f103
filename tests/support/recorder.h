// A recording stand-in for every output of the game, and a small harness that drives
// one game record through it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/game.h"
#include "sound/sound_player.h"
#include "tests/support/perfect_player.h"

using Events = std::vector<std::string>;

// Every request made of it, in one log in the order they came, as short words:
// repaints ("square 2", "panel", "redraw"), the engine's sound requests ("note 58",
// "effect ding", "stop") and the calls that reach a sound backend
// ("sound a58 module 0x4000D", "sound (null) - 0x40", "close sound"). A test may add
// words of its own with Add.
class Recorder final : public GameView, public SoundPlayer, public SoundBackend {
 public:
  Events events;

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
  void Play(const char* name, bool fromModule, uint32_t flags) override {
    char text[64];
    std::snprintf(text, sizeof text, "sound %s %s 0x%X", name ? name : "(null)",
                  fromModule ? "module" : "-", static_cast<unsigned>(flags));
    Add(text);
  }
  void Close() override { Add("close sound"); }

  void Add(std::string event) { events.push_back(std::move(event)); }

  // The events since the last call.
  Events Take() {
    Events taken;
    taken.swap(events);
    return taken;
  }
};

// The backend calls of the three request patterns, as the Recorder words them.
inline std::string NoteCall(int note) {
  char name[20];
  std::snprintf(name, sizeof name, "a%02d", note);
  return std::string("sound ") + name + " module 0x4000D";
}
inline std::string EffectCall(const char* name) {
  return std::string("sound ") + name + " module 0x40005";
}
inline const std::string kPurgeCall = "sound (null) - 0x40";

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
};
