#include "app/playsound_backend.h"

#include "app/winmm.h"

void PlaySoundBackend::Play(const char* name, bool fromModule, uint32_t flags) {
  // A sound that cannot be played is ignored: the game goes on the same without it.
  Winmm().PlaySoundA(name, fromModule ? module_ : nullptr, flags);
}
