#include "win32/tick_timer.h"

#include "win32/winmm.h"

namespace {

// Runs on the timer service's thread: touches no game state, only posts to the window
// it was started for.
void CALLBACK OnTimerEvent(UINT, UINT, DWORD_PTR window, DWORD_PTR, DWORD_PTR) {
  PostMessageA(reinterpret_cast<HWND>(window), WM_TIMER, 0, 0);
}

}  // namespace

void TickTimer::Start(HWND window) {
  Winmm().timeBeginPeriod(kSystemResolutionMs);
  eventId_ = Winmm().timeSetEvent(kPeriodMs, kEventResolutionMs, &OnTimerEvent,
                                  reinterpret_cast<DWORD_PTR>(window), TIME_PERIODIC);
}

void TickTimer::Stop() {
  Winmm().timeKillEvent(eventId_);
  Winmm().timeEndPeriod(kSystemResolutionMs);
}
