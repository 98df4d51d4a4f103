// How long the sound requests of a driver held their caller, printed as check_sound.py
// and the sound benchmark's report read it: "calls N longest X ms mean Y ms".
#pragma once

#include <algorithm>
#include <cstdio>

#include "tests/support/clock.h"

struct RequestTimes {
  int calls = 0;
  double totalMs = 0, longestMs = 0;

  void Add(double ms) {
    ++calls;
    totalMs += ms;
    longestMs = std::max(longestMs, ms);
  }
  // Makes the request `call`, printed as "<event> <unix time in microseconds> <name>"
  // for alignment with a capture of the output, and adds how long it took.
  template <typename Call>
  void Time(const char* event, const char* name, Call call) {
    const long long at = test_clock::UnixMicroseconds();
    const double before = test_clock::MonotonicMs();
    call();
    Add(test_clock::MonotonicMs() - before);
    std::printf("%s %lld %s\n", event, at, name);
    std::fflush(stdout);
  }
  void Report(const char* where = "") const {
    std::printf("calls %d longest %.3f ms mean %.3f ms%s\n", calls, longestMs,
                calls > 0 ? totalMs / calls : 0.0, where);
  }
};
