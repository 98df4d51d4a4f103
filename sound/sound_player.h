// The game's SoundPlayer: gates every request on soundOn and hands it to a backend
// that speaks PlaySoundA's three argument patterns.
#pragma once

#include <cstdint>

#include "engine/game.h"

// Flags of the three request patterns, as PlaySoundA takes them.
constexpr uint32_t kNoteFlags = 0x4000D;    // SND_RESOURCE | SND_LOOP | SND_ASYNC
constexpr uint32_t kEffectFlags = 0x40005;  // SND_RESOURCE | SND_ASYNC
constexpr uint32_t kPurgeFlags = 0x40;      // SND_PURGE

// One request: PlaySoundA(name, fromModule ? program module : null, flags).
// Silence is (null, false, kPurgeFlags).
class SoundBackend {
 public:
  virtual void Play(const char* name, bool fromModule, uint32_t flags) = 0;
  // Called once as the program ends, after the last silence: release the output and
  // whatever serves it. Nothing plays afterwards.
  virtual void Close() {}

 protected:
  ~SoundBackend() = default;
};

class GatedSoundPlayer final : public SoundPlayer {
 public:
  GatedSoundPlayer(const GameSession& game, SoundBackend& backend)
      : game_(game), backend_(backend) {}
  void PlayNote(int16_t note) override;
  void PlayEffect(SoundEffect effect) override;
  void StopSound() override;

 private:
  const GameSession& game_;
  SoundBackend& backend_;
};

// Flips soundOn; silences at once when it becomes 0.
void ToggleSound(GameSession& game, SoundBackend& backend);
// Silences whatever plays, whatever soundOn holds, and closes the backend.
void ShutdownSound(SoundBackend& backend);
