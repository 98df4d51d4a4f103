// Whether the program runs under wine: wine's ntdll exports wine_get_version, the
// system's does not.
#pragma once

#include <windows.h>

inline bool RunningUnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
