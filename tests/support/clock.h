// The clocks of the tests and the benchmark programs: a monotonic one for how long
// things take, and the wall clock as microseconds since 1970, the time base a
// measurement shares with another process's log (a sound server's, a script's
// date +%s%6N, a program under wine).
#pragma once

#include <chrono>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#endif

namespace test_clock {

inline double MonotonicMs() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// As long long, which printf takes as %lld on every platform.
inline long long UnixMicroseconds() {
#ifdef _WIN32
  // The system clock to the microsecond (the C++ library's may be much coarser).
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  const auto ticks =
      static_cast<long long>((uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime);
  return (ticks - 116444736000000000LL) / 10;  // 100 ns since 1601 -> us since 1970
#else
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
#endif
}

}  // namespace test_clock
