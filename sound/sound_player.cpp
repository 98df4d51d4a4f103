#include "sound/sound_player.h"

void GatedSoundPlayer::PlayNote(int16_t note) {
  if (game_.soundOn) output_.Play(NoteSound(note), true);
}

void GatedSoundPlayer::PlayEffect(SoundEffect effect) {
  if (game_.soundOn) output_.Play(EffectSound(effect), false);
}

void GatedSoundPlayer::StopSound() {
  if (game_.soundOn) output_.Stop();
}

void ToggleSound(GameSession& game, SoundOutput& output) {
  game.soundOn = !game.soundOn;
  // Switching off cuts off whatever plays; switching on resumes nothing.
  if (!game.soundOn) output.Stop();
}

void ShutdownSound(SoundOutput& output) {
  output.Stop();
  output.Close();
}
