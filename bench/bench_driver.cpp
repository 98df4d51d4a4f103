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
//   bench_driver close          closes the game window and waits until it is gone
//
// Exit code 0 on success, 1 when the game window is not there or does not behave.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/e2e/outside.h"

using namespace e2e;

namespace {

long long UnixMicroseconds() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  const long long ticks = static_cast<long long>(
      (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
  return (ticks - 116444736000000000LL) / 10;  // 100 ns since 1601 -> us since 1970
}

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
  const long long visible = UnixMicroseconds();
  const double end = NowMs() + 10000;
  while (!GridPainted(window)) {
    if (NowMs() > end) return 1;
  }
  const long long painted = UnixMicroseconds();
  std::printf("visible_unix_us %lld\npainted_unix_us %lld\n", visible, painted);
  std::fflush(stdout);
  PostMessageA(window, WM_CLOSE, 0, 0);
  const double gone = NowMs() + 10000;
  while (IsWindow(window) && NowMs() < gone) Sleep(5);
  return IsWindow(window) ? 1 : 0;
}

// Plays whole games on board index 1 at the start-up skill: watches each playback
// (the square lit last is the one added), repeats the sequence, and starts a new game
// when one is won or lost.
int Play(HWND window, double seconds) {
  const Geometry g = GeometryOf(window);
  const double end = NowMs() + seconds * 1000.0;
  int rounds = 0, wins = 0, losses = 0, games = 0;
  std::vector<int> sequence;
  auto newGame = [&] {
    PostMessageA(window, WM_COMMAND, kNewGame, 0);
    sequence.clear();
    ++games;
  };
  newGame();
  while (NowMs() < end) {
    // The computer's playback, up to "Your turn".
    int last = -1;
    bool turn = false, over = false;
    while (NowMs() < end && !turn && !over) {
      const Frame f = CaptureClient(window);
      if (f.Empty()) break;
      const int lit = f.LitSquare(g);
      if (lit >= 0) last = lit;
      turn = f.ShowsStatus(g, kYourTurnColour) && last >= 0;
      over = f.ShowsStatus(g, kWrongColour) || f.ShowsStatus(g, kYouWinColour);
      Sleep(10);
    }
    if (!turn) {
      if (NowMs() >= end) break;
      if (over) ++losses;
      newGame();
      continue;
    }
    sequence.push_back(last);
    // The player's turn: each press shows its square.
    for (int square : sequence) {
      PostClick(window, g.CentreX(square), g.CentreY(square));
      WaitUntil(2000, [&] { return CaptureClient(window).LitSquare(g) == square; });
    }
    // OK (and the next playback), or the end of the game.
    const double limit = NowMs() + 3000;
    bool ok = false, won = false, lost = false;
    while (NowMs() < limit && !ok && !won && !lost) {
      const Frame f = CaptureClient(window);
      ok = f.ShowsStatus(g, kOkColour);
      won = f.ShowsStatus(g, kYouWinColour);
      lost = f.ShowsStatus(g, kWrongColour);
      Sleep(10);
    }
    ++rounds;
    if (won) ++wins;
    if (lost || (!ok && !won)) ++losses;
    if (won || lost || (!ok && !won)) newGame();
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

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IONBF, 0);
  const char* mode = argc > 1 ? argv[1] : "";
  if (std::strcmp(mode, "watch-launch") == 0) return WatchLaunch();
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
  std::fprintf(stderr, "usage: bench_driver watch-launch | resize W H | play SECONDS | close\n");
  return 2;
}
