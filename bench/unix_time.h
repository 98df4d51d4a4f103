// The wall clock as microseconds since 1970, the one time base that the benchmark's
// programs under wine, its native programs and its shell scripts (date +%s%6N) share.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

inline long long UnixMicroseconds() {
#ifdef _WIN32
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  const long long ticks = static_cast<long long>(
      (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
  return (ticks - 116444736000000000LL) / 10;  // 100 ns since 1601 -> us since 1970
#else
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return now.tv_sec * 1000000LL + now.tv_nsec / 1000;
#endif
}
