// The benchmark's driver: acts on the game's window from outside, as the end-to-end
// driver does, for bench/run.sh. It runs under wine64 beside the game.
//
//   bench_driver watch-launch   prints "ready", waits for a new game window, prints
//                               the Unix time in microseconds at which it became visible
//                               and at which its grid was painted, then closes it
//   bench_driver resize W H     sets the game window's client area to W x H
//   bench_driver play SECONDS   sets 640 x 480, prints "playing", then plays whole
//                               games for SECONDS (watching each playback and
//                               repeating it), and prints what it played
//   bench_driver ticks EXE SECONDS LOG
//                               starts the game EXE with the game probe on its thread
//                               (tests/probe/) from its first message, sets 640 x 480,
//                               leaves it alone for SECONDS, closes it and writes what
//                               the probe saw to the file LOG:
//     frequency <QueryPerformanceFrequency>
//     created_to_first_paint_us <process creation to the end of the first paint, less
//                                the time the driver held the process to place the probe>
//     first_create_handling_us, first_size_handling_us, first_paint_handling_us
//                               <how long the main window took to handle the first of each>
//     ticks <count>
//     <QueryPerformanceCounter value of each tick, one a line>
//   bench_driver close          closes the game window and waits until it is gone
//
// Exit code 0 on success, 1 when the game window is not there or does not behave.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/e2e/outside.h"
#include "tests/support/clock.h"

using namespace e2e;

namespace {

// The newest visible game window of any process.
HWND WaitForGameWindow(DWORD limitMs) {
  HWND found = nullptr;
  WaitUntil(
      limitMs,
      [&] {
        for (HWND w : GameWindows())
          if (IsWindowVisible(w)) found = w;
        return found != nullptr;
      },
      1);
  return found;
}

// Board index 1, the start-up board, on the window's client area.
Geometry GeometryOf(HWND window) {
  RECT client = {};
  GetClientRect(window, &client);
  return Geometry::For(1, client.right, client.bottom);
}

// The first paint, caught as early as possible: the middle vertical grid line carries
// dots of the text colour. Only that column is copied, so each look is quick.
bool GridPainted(HWND window) {
  const Geometry g = GeometryOf(window);
  if (g.width < 8 || g.height < 8) return false;
  const Frame column = CaptureClient(window, Box{g.LineX(1), 0, g.LineX(1) + 1, g.height});
  return !column.Empty() &&
         column.Count(Box{0, 0, 1, g.height}, WindowTextColour()) * 5 >= g.height;
}

bool SetClientSize(HWND window, int width, int height) {
  if (!SetClientArea(window, POINT{0, 0}, width, height)) return false;
  const Geometry g = GeometryOf(window);
  return WaitUntil(5000, [&] { return ShowsGrid(CaptureClient(window), g); });
}

int WatchLaunch() {
  std::printf("ready\n");
  std::fflush(stdout);
  HWND window = WaitForGameWindow(60000);
  if (window == nullptr) return 1;
  const long long visible = test_clock::UnixMicroseconds();
  const double end = NowMs() + 10000;
  while (!GridPainted(window)) {
    if (NowMs() > end) return 1;
  }
  const long long painted = test_clock::UnixMicroseconds();
  std::printf("visible_unix_us %lld\npainted_unix_us %lld\n", visible, painted);
  std::fflush(stdout);
  PostMessageA(window, WM_CLOSE, 0, 0);
  const double gone = NowMs() + 10000;
  while (IsWindow(window) && NowMs() < gone) Sleep(5);
  return IsWindow(window) ? 1 : 0;
}

// Plays whole games on board index 1 at the start-up skill, as a player who watches and
// repeats, one after another until the time is up.
int Play(HWND window, double seconds) {
  WindowPlayer player(window);
  const double end = NowMs() + seconds * 1000.0;
  int rounds = 0, wins = 0, losses = 0, games = 0;
  while (NowMs() < end) {
    const double asked = NowMs();
    PostMessageA(window, WM_COMMAND, CommandNumber(kNewGame), 0);
    const GamePlayed played = PlayWholeGame(player, PlayChecks{}, asked, 0, 10, end);
    ++games;
    rounds += played.rounds;
    wins += played.won ? 1 : 0;
    losses += played.lost ? 1 : 0;
  }
  std::printf("played %d games, %d rounds repeated, %d won, %d lost\n", games, rounds, wins,
              losses);
  return rounds > 0 ? 0 : 1;
}

int Close(HWND window) {
  PostMessageA(window, WM_CLOSE, 0, 0);
  const double end = NowMs() + 10000;
  while (IsWindow(window) && NowMs() < end) Sleep(5);
  return IsWindow(window) ? 1 : 0;
}

int Ticks(const char* exe, double seconds, const char* logPath) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  std::string commandLine = std::string("\"") + exe + "\"";
  if (!CreateProcessA(exe, &commandLine[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                      nullptr, &startup, &process)) {
    std::fprintf(stderr, "bench_driver: cannot start %s (error %lu)\n", exe, GetLastError());
    return 1;
  }
  // The probe sees the game from its first message on.
  const LONG64 heldFrom = ProbeSystemTime();
  int result = 1;
  {
    GameProbe probe(process.dwProcessId, process.dwThreadId, true);
    const LONG64 heldFor = ProbeSystemTime() - heldFrom;
    ResumeThread(process.hThread);
    HWND window = nullptr;
    WaitUntil(20000, [&] {
      const std::vector<HWND> windows = GameWindows(process.dwProcessId);
      window = windows.empty() ? nullptr : windows.front();
      return window != nullptr && IsWindowVisible(window);
    });
    if (!probe.Error().empty()) {
      std::fprintf(stderr, "bench_driver: %s\n", probe.Error().c_str());
    } else if (window == nullptr || !SetClientSize(window, 640, 480)) {
      std::fprintf(stderr, "bench_driver: no game window of 640 x 480\n");
    } else {
      Sleep(static_cast<DWORD>(seconds * 1000.0));
      FILETIME created, exited, kernel, user;
      GetProcessTimes(process.hProcess, &created, &exited, &kernel, &user);
      const GameProbeBlock& block = probe.Block();
      LARGE_INTEGER frequency;
      QueryPerformanceFrequency(&frequency);
      if (FILE* out = std::fopen(logPath, "w")) {
        std::fprintf(out, "frequency %lld\n", static_cast<long long>(frequency.QuadPart));
        const LONG64 painted = block.firstEnded[kFirstPaint];
        std::fprintf(out, "created_to_first_paint_us %lld\n",
                     painted != 0 ? (painted - FileTimeValue(created) - heldFor) / 10 : -1LL);
        static const char* const kNames[kFirstMessages] = {"create", "size", "paint"};
        for (int m = 0; m < kFirstMessages; ++m) {
          const LONG64 began = block.firstBegan[m], ended = block.firstEnded[m];
          std::fprintf(out, "first_%s_handling_us %lld\n", kNames[m],
                       began != 0 && ended != 0 ? (ended - began) / 10 : -1LL);
        }
        const LONG64 taken = block.ticks;
        const LONG64 ticks = std::min<LONG64>(taken, kProbeTickTimes);
        std::fprintf(out, "ticks %lld\n", static_cast<long long>(ticks));
        for (LONG64 i = 0; i < ticks; ++i)
          std::fprintf(out, "%lld\n", static_cast<long long>(block.tickTimes[i]));
        result = std::fclose(out) == 0 ? 0 : 1;
      }
    }
    if (window != nullptr) PostMessageA(window, WM_CLOSE, 0, 0);
  }
  if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    result = 1;
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  const char* mode = argc > 1 ? argv[1] : "";
  if (std::strcmp(mode, "watch-launch") == 0) return WatchLaunch();
  if (std::strcmp(mode, "ticks") == 0 && argc == 5)
    return Ticks(argv[2], std::atof(argv[3]), argv[4]);
  HWND window = WaitForGameWindow(20000);
  if (window == nullptr) {
    std::fprintf(stderr, "bench_driver: no game window\n");
    return 1;
  }
  if (std::strcmp(mode, "resize") == 0 && argc == 4)
    return SetClientSize(window, std::atoi(argv[2]), std::atoi(argv[3])) ? 0 : 1;
  if (std::strcmp(mode, "play") == 0 && argc == 3) {
    if (!SetClientSize(window, 640, 480)) return 1;
    std::printf("playing\n");
    return Play(window, std::atof(argv[2]));
  }
  if (std::strcmp(mode, "close") == 0) return Close(window);
  std::fprintf(stderr,
               "usage: bench_driver watch-launch | ticks EXE SECONDS LOG | resize W H | "
               "play SECONDS | close\n");
  return 2;
}
