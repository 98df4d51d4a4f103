// The game's clock: a periodic multimedia timer whose callback, on the timer
// service's own thread, only posts a tick (WM_TIMER, 0, 0) to the main window.
#pragma once

#include <windows.h>

#include "engine/game.h"

class TickTimer {
 public:
  static constexpr unsigned kPeriodMs = kTickMs;
  // Two different settings share the word "resolution": the system timer resolution
  // asked for while the clock runs (timeBeginPeriod), which is the period itself, and
  // the accuracy asked of each tick of the event (timeSetEvent).
  static constexpr unsigned kSystemResolutionMs = kPeriodMs;
  static constexpr unsigned kEventResolutionMs = 10;

  // Asks for the system timer resolution and starts the periodic event, which ticks
  // `window`.
  void Start(HWND window);
  // Kills the event and gives the system timer resolution back.
  void Stop();

 private:
  unsigned eventId_ = 0;  // written and read on the user-interface thread only
};
