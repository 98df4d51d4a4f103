// The game's SoundPlayer: gates every request on soundOn and hands it to a backend
// that speaks PlaySoundA's three argument patterns.
#pragma once

#include <cstdint>

#include "engine/game.h"

// One request: PlaySoundA(name, fromModule ? program module : null, flags).
// Silence is (null, false, kPurgeFlags).
class SoundBackend {
 public:
  // The bits of PlaySoundA's flags that the game uses, with the values Windows gives
  // them: SND_ASYNC, SND_LOOP, SND_PURGE and SND_RESOURCE.
  static constexpr uint32_t kAsync = 0x1, kLoop = 0x8, kPurge = 0x40, kResource = 0x40004;

  virtual void Play(const char* name, bool fromModule, uint32_t flags) = 0;
  // Called once as the program ends, after the last silence: release the output and
  // whatever serves it. Nothing plays afterwards.
  virtual void Close() {}

 protected:
  ~SoundBackend() = default;
};

// Flags of the three request patterns.
constexpr uint32_t kNoteFlags =
    SoundBackend::kResource | SoundBackend::kLoop | SoundBackend::kAsync;
constexpr uint32_t kEffectFlags = SoundBackend::kResource | SoundBackend::kAsync;
constexpr uint32_t kPurgeFlags = SoundBackend::kPurge;

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

// The interface a shell provides for sound, under the name the shared rules use.
using SoundOutput = SoundBackend;

// Flips soundOn; silences at once when it becomes 0.
void ToggleSound(GameSession& game, SoundBackend& backend);
// Silences whatever plays, whatever soundOn holds, and closes the backend.
void ShutdownSound(SoundBackend& backend);
