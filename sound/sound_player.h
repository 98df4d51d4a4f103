// The game's SoundPlayer: gates every request on soundOn and hands it to the sound
// output the shell provides.
#pragma once

#include "engine/game.h"
#include "sound/sounds.h"

// What a shell provides for sound: one voice that plays one of the game's sounds, looped
// or once. A sound it cannot play (an id outside the table, a sound it cannot read)
// stops what plays and plays nothing.
class SoundOutput {
 public:
  virtual void Play(SoundId sound, bool loop) = 0;  // replaces whatever plays; returns at once
  virtual void Stop() = 0;                          // silence
  virtual void Close() {}  // once, as the program ends, after the last Stop: release the output

 protected:
  ~SoundOutput() = default;
};

class GatedSoundPlayer final : public SoundPlayer {
 public:
  GatedSoundPlayer(const GameSession& game, SoundOutput& output) : game_(game), output_(output) {}
  void PlayNote(int16_t note) override;
  void PlayEffect(SoundEffect effect) override;
  void StopSound() override;

 private:
  const GameSession& game_;
  SoundOutput& output_;
};

// Flips soundOn; silences at once when it goes off.
void ToggleSound(GameSession& game, SoundOutput& output);
// Silences whatever plays, whatever soundOn holds, and closes the output.
void ShutdownSound(SoundOutput& output);
