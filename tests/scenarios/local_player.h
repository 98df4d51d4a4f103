// A scenario player in the test's own process (the Linux window's test, the browser's
// driver): the tests' monotonic clock, waits that look every `pollMs`, and a failure
// thrown as ScenarioFailure.
#pragma once

#include "tests/scenarios/scenarios.h"
#include "tests/support/clock.h"

namespace scenario {

class LocalPlayer : public ScenarioPlayer {
 public:
  double NowMs() final { return test_clock::MonotonicMs(); }
  bool WaitUntil(int limitMs, const std::function<bool()>& condition, int pollMs) final {
    const double end = NowMs() + limitMs;
    for (;;) {
      if (condition()) return true;
      if (NowMs() >= end) return condition();
      Pause(pollMs);
    }
  }
  // WaitUntil with the condition last, where a lambda reads best.
  bool Await(int limitMs, int pollMs, const std::function<bool()>& condition) {
    return WaitUntil(limitMs, condition, pollMs);
  }
  [[noreturn]] void Fail(const std::string& what) final { throw ScenarioFailure(what); }

 protected:
  ~LocalPlayer() = default;
  // Lets the game run on for `ms`.
  virtual void Pause(int ms) = 0;
};

}  // namespace scenario
