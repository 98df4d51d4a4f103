#include "sound/sound_player.h"

void GatedSoundPlayer::PlayNote(int16_t note) {
  if (game_.soundOn != 0) output_.Play(NoteSound(note), true);
}

void GatedSoundPlayer::PlayEffect(SoundEffect effect) {
  if (game_.soundOn != 0) output_.Play(EffectSound(effect), false);
}

void GatedSoundPlayer::StopSound() {
  if (game_.soundOn != 0) output_.Stop();
}

void ToggleSound(GameSession& game, SoundOutput& output) {
  game.soundOn ^= 1;
  // Switching off cuts off whatever plays; switching on resumes nothing.
  if (game.soundOn == 0) output.Stop();
}

void ShutdownSound(SoundOutput& output) {
  output.Stop();
  output.Close();
}
