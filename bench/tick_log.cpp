// Benchmark builds only (CMake option ZIRIRAR_TICK_LOG): linked into the game to
// record, without any change to the game's own code, the QueryPerformanceCounter time
// at which every tick (WM_TIMER with wParam and lParam 0) reaches the main window, and
// how long start-up took up to the end of the first paint.
//
// Two message hooks on the user-interface thread do it; they are installed by a
// static object before WinMain runs. WH_GETMESSAGE sees each posted tick as the
// message loop takes it; WH_CALLWNDPROCRET sees the window's first WM_PAINT (sent by
// UpdateWindow during start-up) once it has been handled. The times go to a fixed
// buffer and are written out when the program exits, to the file named by the
// environment variable ZIRIRAR_TICK_LOG_FILE (default zirirar-ticks.log in the
// current folder):
//
//   frequency <QueryPerformanceFrequency>
//   created_to_init_us <process creation to this object's construction>
//   created_to_create_us <process creation to the main window's WM_CREATE>
//   created_to_first_paint_us <process creation to the end of the first paint>
//   first_create_handling_us, first_size_handling_us, first_paint_handling_us
//                              <how long the window took to handle the first of each>
//   ticks <count>
//   <QueryPerformanceCounter value of each tick, one a line>
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "win32/window_class.h"

namespace {

constexpr int kCapacity = 1 << 16;  // 54 minutes of ticks

LONGLONG g_ticks[kCapacity];
int g_tickCount = 0;
LONGLONG g_createdToInitUs = -1, g_createdToCreateUs = -1, g_createdToFirstPaintUs = -1;
// How long the main window took to handle its first WM_CREATE, WM_SIZE and WM_PAINT.
struct FirstHandling {
  UINT message;
  const char* name;
  LONGLONG startUs, endUs;
};
FirstHandling g_first[] = {
    {WM_CREATE, "create", -1, -1}, {WM_SIZE, "size", -1, -1}, {WM_PAINT, "paint", -1, -1}};
HWND g_mainWindow = nullptr;
HHOOK g_getMessageHook = nullptr, g_callWndProcHook = nullptr, g_callWndProcRetHook = nullptr;

// Microseconds since the process was created, on the system clock.
LONGLONG SinceCreationUs() {
  FILETIME created, exited, kernel, user, now;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  GetSystemTimePreciseAsFileTime(&now);
  auto value = [](const FILETIME& t) {
    return static_cast<LONGLONG>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) |
                                 t.dwLowDateTime);
  };
  return (value(now) - value(created)) / 10;
}

bool IsMainWindow(HWND window) {
  if (window == nullptr) return false;
  if (window == g_mainWindow) return true;
  if (g_mainWindow != nullptr) return false;
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, kMainWindowClass) != 0) return false;
  g_mainWindow = window;
  return true;
}

LRESULT CALLBACK OnGetMessage(int code, WPARAM removal, LPARAM message) {
  if (code == HC_ACTION && removal == PM_REMOVE) {
    const MSG* m = reinterpret_cast<const MSG*>(message);
    if (m->message == WM_TIMER && m->wParam == 0 && m->lParam == 0 && IsMainWindow(m->hwnd) &&
        g_tickCount < kCapacity) {
      LARGE_INTEGER now;
      QueryPerformanceCounter(&now);
      g_ticks[g_tickCount++] = now.QuadPart;
    }
  }
  return CallNextHookEx(g_getMessageHook, code, removal, message);
}

LRESULT CALLBACK OnCallWndProc(int code, WPARAM sent, LPARAM message) {
  const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(message);
  if (code == HC_ACTION && m->message == WM_CREATE && g_createdToCreateUs < 0 &&
      IsMainWindow(m->hwnd))
    g_createdToCreateUs = SinceCreationUs();
  if (code == HC_ACTION && IsMainWindow(m->hwnd)) {
    for (FirstHandling& f : g_first)
      if (f.message == m->message && f.startUs < 0) f.startUs = SinceCreationUs();
  }
  return CallNextHookEx(g_callWndProcHook, code, sent, message);
}

LRESULT CALLBACK OnCallWndProcRet(int code, WPARAM sent, LPARAM message) {
  const CWPRETSTRUCT* m = reinterpret_cast<const CWPRETSTRUCT*>(message);
  if (code == HC_ACTION && m->message == WM_PAINT && g_createdToFirstPaintUs < 0 &&
      IsMainWindow(m->hwnd))
    g_createdToFirstPaintUs = SinceCreationUs();
  if (code == HC_ACTION && IsMainWindow(m->hwnd)) {
    for (FirstHandling& f : g_first)
      if (f.message == m->message && f.startUs >= 0 && f.endUs < 0) f.endUs = SinceCreationUs();
  }
  return CallNextHookEx(g_callWndProcRetHook, code, sent, message);
}

struct TickLog {
  TickLog() {
    g_createdToInitUs = SinceCreationUs();
    const DWORD thread = GetCurrentThreadId();
    g_getMessageHook = SetWindowsHookExA(WH_GETMESSAGE, &OnGetMessage, nullptr, thread);
    g_callWndProcHook = SetWindowsHookExA(WH_CALLWNDPROC, &OnCallWndProc, nullptr, thread);
    g_callWndProcRetHook = SetWindowsHookExA(WH_CALLWNDPROCRET, &OnCallWndProcRet, nullptr, thread);
  }
  ~TickLog() {
    const char* path = std::getenv("ZIRIRAR_TICK_LOG_FILE");
    FILE* out = std::fopen(path != nullptr && *path ? path : "zirirar-ticks.log", "w");
    if (out == nullptr) return;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::fprintf(out, "frequency %lld\n", static_cast<long long>(frequency.QuadPart));
    std::fprintf(out, "created_to_init_us %lld\n", static_cast<long long>(g_createdToInitUs));
    std::fprintf(out, "created_to_create_us %lld\n", static_cast<long long>(g_createdToCreateUs));
    std::fprintf(out, "created_to_first_paint_us %lld\n",
                 static_cast<long long>(g_createdToFirstPaintUs));
    for (const FirstHandling& f : g_first)
      std::fprintf(
          out, "first_%s_handling_us %lld\n", f.name,
          static_cast<long long>(f.startUs >= 0 && f.endUs >= 0 ? f.endUs - f.startUs : -1));
    std::fprintf(out, "ticks %d\n", g_tickCount);
    for (int i = 0; i < g_tickCount; ++i)
      std::fprintf(out, "%lld\n", static_cast<long long>(g_ticks[i]));
    std::fclose(out);
  }
};

const TickLog g_tickLog;

}  // namespace
