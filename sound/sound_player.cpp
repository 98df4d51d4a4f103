#include "sound/sound_player.h"

#include <cstdio>

namespace {

const char* EffectName(SoundEffect effect) {
  switch (effect) {
    case SoundEffect::Buzz:
      return "buzz";
    case SoundEffect::Ding:
      return "ding";
    case SoundEffect::Win:
      return "win";
  }
  return "buzz";
}

}  // namespace

void GatedSoundPlayer::PlayNote(int16_t note) {
  if (game_.soundOn == 0) return;
  // The sound's resource name: "a53" for note 53 (lookup ignores case).
  char name[20];
  std::snprintf(name, sizeof name, "a%02hd", note);
  backend_.Play(name, true, kNoteFlags);
}

void GatedSoundPlayer::PlayEffect(SoundEffect effect) {
  if (game_.soundOn == 0) return;
  backend_.Play(EffectName(effect), true, kEffectFlags);
}

void GatedSoundPlayer::StopSound() {
  if (game_.soundOn == 0) return;
  backend_.Play(nullptr, false, kPurgeFlags);
}

void ToggleSound(GameSession& game, SoundBackend& backend) {
  game.soundOn ^= 1;
  // Switching off cuts off whatever plays; switching on resumes nothing.
  if (game.soundOn == 0) backend.Play(nullptr, false, kPurgeFlags);
}

void ShutdownSound(SoundBackend& backend) {
  backend.Play(nullptr, false, kPurgeFlags);
  backend.Close();
}
