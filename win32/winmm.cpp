#include "win32/winmm.h"

namespace {

// Stand-ins for functions that could not be loaded: each fails and does nothing.
MMRESULT WINAPI NoTimePeriod(UINT) { return TIMERR_NOCANDO; }
MMRESULT WINAPI NoSetEvent(UINT, UINT, LPTIMECALLBACK, DWORD_PTR, UINT) { return 0; }
MMRESULT WINAPI NoKillEvent(UINT) { return TIMERR_NOCANDO; }
BOOL WINAPI NoPlaySound(LPCSTR, HMODULE, DWORD) { return FALSE; }

HMODULE LoadFromSystemFolder() {
  // LOAD_LIBRARY_SEARCH_SYSTEM32 is refused where the loader predates it; the full
  // path of the system folder has the same effect there.
  HMODULE module = LoadLibraryExA("winmm.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (module) return module;
  char path[MAX_PATH + 16];
  const UINT length = GetSystemDirectoryA(path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  lstrcpyA(path + length, "\\winmm.dll");
  return LoadLibraryA(path);
}

template <typename Function>
void Resolve(HMODULE module, const char* name, Function& slot, Function fallback) {
  FARPROC found = module ? GetProcAddress(module, name) : nullptr;
  slot = found ? reinterpret_cast<Function>(reinterpret_cast<void*>(found)) : fallback;
}

WinmmApi Load() {
  const HMODULE module = LoadFromSystemFolder();
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
