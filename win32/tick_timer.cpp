#include "win32/tick_timer.h"

#include <windows.h>

#include "win32/shell.h"
#include "win32/winmm.h"

namespace {

// Runs on the timer service's thread: touches no game state. MainWindow() is an
// atomic load; before the window exists there is no one to tick, so nothing is posted
// (a null window would post to this thread's own queue instead).
void CALLBACK OnTimerEvent(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
  if (HWND window = MainWindow()) PostMessageA(window, WM_TIMER, 0, 0);
}

}  // namespace

void TickTimer::Start() {
  Winmm().timeBeginPeriod(kSystemResolutionMs);
  eventId_ = Winmm().timeSetEvent(kPeriodMs, kEventResolutionMs, &OnTimerEvent, 0, TIME_PERIODIC);
}

void TickTimer::Stop() {
  Winmm().timeKillEvent(eventId_);
  Winmm().timeEndPeriod(kSystemResolutionMs);
}

TickTimer& MainTicks() {
  static TickTimer ticks;
  return ticks;
}
