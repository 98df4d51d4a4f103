// The game's clock: a periodic multimedia timer whose callback, on the timer
// service's own thread, only posts a tick (WM_TIMER, 0, 0) to the main window.
#pragma once

namespace TickTimer {

constexpr unsigned kPeriodMs = 50;
constexpr unsigned kResolutionMs = 10;

// Asks for a 50 ms timer resolution and starts the periodic event.
void Start();
// Kills the event and gives the 50 ms resolution back.
void Stop();

}  // namespace TickTimer
