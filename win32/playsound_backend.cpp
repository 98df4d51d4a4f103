#include "win32/playsound_backend.h"

#include "win32/winmm.h"

static_assert(SoundBackend::kAsync == SND_ASYNC && SoundBackend::kLoop == SND_LOOP &&
                  SoundBackend::kPurge == SND_PURGE && SoundBackend::kResource == SND_RESOURCE,
              "PlaySoundA flags");

void PlaySoundBackend::Play(const char* name, bool fromModule, uint32_t flags) {
  // A sound that cannot be played is ignored: the game goes on the same without it.
  Winmm().PlaySoundA(name, fromModule ? module_ : nullptr, flags);
}
