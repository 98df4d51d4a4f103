#include "win32/playsound_output.h"

#include "win32/wave_resource.h"
#include "win32/winmm.h"

// A sound that cannot be played is ignored: the game goes on the same without it.

void PlaySoundOutput::Play(SoundId sound, bool loop) {
  const LPCSTR resource = WaveResource(sound);
  if (resource == nullptr) return Stop();
  Winmm().PlaySoundA(resource, module_, SND_RESOURCE | SND_ASYNC | (loop ? SND_LOOP : 0));
}

void PlaySoundOutput::Stop() { Winmm().PlaySoundA(nullptr, nullptr, SND_PURGE); }
