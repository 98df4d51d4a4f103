#include "win32/winmm.h"

#include "win32/system_library.h"

namespace {

// Stand-ins for functions that could not be loaded: each fails and does nothing.
MMRESULT WINAPI NoTimePeriod(UINT) { return TIMERR_NOCANDO; }
MMRESULT WINAPI NoSetEvent(UINT, UINT, LPTIMECALLBACK, DWORD_PTR, UINT) { return 0; }
MMRESULT WINAPI NoKillEvent(UINT) { return TIMERR_NOCANDO; }
BOOL WINAPI NoPlaySound(LPCSTR, HMODULE, DWORD) { return FALSE; }

WinmmApi Load() {
  const HMODULE module = LoadSystemLibrary("winmm.dll");
  WinmmApi api;
  Resolve(module, "timeBeginPeriod", api.timeBeginPeriod, &NoTimePeriod);
  Resolve(module, "timeEndPeriod", api.timeEndPeriod, &NoTimePeriod);
  Resolve(module, "timeSetEvent", api.timeSetEvent, &NoSetEvent);
  Resolve(module, "timeKillEvent", api.timeKillEvent, &NoKillEvent);
  Resolve(module, "PlaySoundA", api.PlaySoundA, &NoPlaySound);
  return api;
}

}  // namespace

const WinmmApi& Winmm() {
  // Loaded on the user-interface thread during window creation, before the timer
  // thread or a sound thread exists; a function-local static is thread-safe anyway.
  static const WinmmApi api = Load();
  return api;
}
