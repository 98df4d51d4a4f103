// Libraries the game loads at run time, from the system folder only: a DLL that is not
// one of Windows' KnownDLLs, found by name, could be a file of that name placed beside
// the executable.
#pragma once

#include <windows.h>

// The library `name` ("winmm.dll") of the system folder, or null.
HMODULE LoadSystemLibrary(const char* name);

// `slot` becomes the function `name` of `module`, or `fallback` when there is none.
template <typename Function>
void Resolve(HMODULE module, const char* name, Function& slot, Function fallback) {
  FARPROC found = module ? GetProcAddress(module, name) : nullptr;
  slot = found ? reinterpret_cast<Function>(reinterpret_cast<void*>(found)) : fallback;
}
