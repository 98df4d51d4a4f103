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

#include "app/window_class.h"

namespace {

constexpr uint16_t kNewGame = 521;
// Board index 1, the start-up board: 2 x 2 squares.
constexpr int kColumns = 2, kRows = 2;
constexpr uint32_t kSquareColours[4] = {0xFF0000, 0x00FF00, 0xFFE000, 0x0040FF};
constexpr uint32_t kYourTurn = 0xFFFF00, kOk = 0x0080FF, kWrong = 0xFF0000, kYouWin = 0xFF40C0;

double NowMs() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / ticksPerMs;
}

long long UnixMicroseconds() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  const long long ticks = static_cast<long long>(
      (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime);
  return (ticks - 116444736000000000LL) / 10;  // 100 ns since 1601 -> us since 1970
}

HWND FindGameWindow(bool visibleOnly) {
  HWND found = nullptr;
  for (HWND w = FindWindowExA(nullptr, nullptr, kMainWindowClass, nullptr); w != nullptr;
       w = FindWindowExA(nullptr, w, kMainWindowClass, nullptr)) {
    if (!visibleOnly || IsWindowVisible(w)) found = w;
  }
  return found;
}

HWND WaitForGameWindow(DWORD limitMs, bool visibleOnly) {
  const double end = NowMs() + limitMs;
  for (;;) {
    if (HWND w = FindGameWindow(visibleOnly)) return w;
    if (NowMs() > end) return nullptr;
    Sleep(1);
  }
}

// The client area as shown: 0x00RRGGBB pixels, row by row.
struct Frame {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Copies a rectangle of the client area (the whole of it when w or h is 0).
Frame Capture(HWND window, int x = 0, int y = 0, int w = 0, int h = 0) {
  Frame frame;
  RECT client = {};
  GetClientRect(window, &client);
  if (w == 0 || h == 0) w = client.right, h = client.bottom;
  if (w <= 0 || h <= 0) return frame;
  HDC windowDc = GetDC(window);
  HDC memoryDc = CreateCompatibleDC(windowDc);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(memoryDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr) {
    HGDIOBJ previous = SelectObject(memoryDc, bitmap);
    if (BitBlt(memoryDc, 0, 0, w, h, windowDc, x, y, SRCCOPY)) {
      GdiFlush();
      const auto* source = static_cast<const uint32_t*>(bits);
      frame.width = w;
      frame.height = h;
      frame.pixels.assign(source, source + static_cast<size_t>(w) * h);
      for (uint32_t& p : frame.pixels) p &= 0xFFFFFF;
    }
    SelectObject(memoryDc, previous);
    DeleteObject(bitmap);
  }
  DeleteDC(memoryDc);
  ReleaseDC(window, windowDc);
  return frame;
}

uint32_t WindowTextColour() {
  const COLORREF c = GetSysColor(COLOR_WINDOWTEXT);
  return (static_cast<uint32_t>(GetRValue(c)) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// Geometry of board index 1 on a client area, by the game's layout rules.
struct Geometry {
  int width, height;
  int BoardWidth() const { return (width * 3) / 4; }
  int LineX(int i) const { return (BoardWidth() * i) / kColumns; }
  int CentreX(int s) const {
    const int c = s % kColumns;
    return ((c * BoardWidth()) / kColumns + 5 + ((c + 1) * BoardWidth()) / kColumns - 5) / 2;
  }
  int CentreY(int s) const {
    const int r = s / kColumns, h = height - 1;
    return ((r * h) / kRows + 5 + ((r + 1) * h) / kRows - 5) / 2;
  }
  RECT StatusWord() const {
    return RECT{BoardWidth() + 5, (4 * height) / 8, width, (5 * height) / 8};
  }
};

Geometry GeometryOf(HWND window) {
  RECT client = {};
  GetClientRect(window, &client);
  return Geometry{client.right, client.bottom};
}

// The grid is painted once the middle vertical line carries dots of the text colour.
bool GridPainted(HWND window) {
  const Geometry g = GeometryOf(window);
  if (g.width < 8 || g.height < 8) return false;
  const Frame column = Capture(window, g.LineX(1), 0, 1, g.height);
  if (column.pixels.empty()) return false;
  const uint32_t text = WindowTextColour();
  int dots = 0;
  for (uint32_t p : column.pixels) dots += p == text;
  return dots * 5 >= g.height;
}

int LitSquare(const Frame& frame, const Geometry& g) {
  int lit = -1;
  for (int s = 0; s < kColumns * kRows; ++s) {
    const int x = g.CentreX(s), y = g.CentreY(s);
    if (x >= frame.width || y >= frame.height) continue;
    if (frame.At(x, y) == kSquareColours[s]) lit = lit == -1 ? s : -2;
  }
  return lit;
}

bool ShowsStatus(const Frame& frame, const Geometry& g, uint32_t colour) {
  const RECT r = g.StatusWord();
  int count = 0;
  for (int y = r.top; y < r.bottom && y < frame.height; ++y)
    for (int x = r.left; x < r.right && x < frame.width; ++x) count += frame.At(x, y) == colour;
  return count >= 6;
}

bool SetClientSize(HWND window, int width, int height) {
  for (int attempt = 0; attempt < 6; ++attempt) {
    RECT outer = {}, client = {};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    SetWindowPos(window, nullptr, 0, 0, width + (outer.right - outer.left) - client.right,
                 height + (outer.bottom - outer.top) - client.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
    GetClientRect(window, &client);
    if (client.right == width && client.bottom == height) break;
  }
  const double end = NowMs() + 5000;
  while (!GridPainted(window)) {
    if (NowMs() > end) return false;
    Sleep(5);
  }
  return true;
}

int WatchLaunch() {
  std::printf("ready\n");
  std::fflush(stdout);
  HWND window = WaitForGameWindow(60000, true);
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

void Click(HWND window, int x, int y) {
  PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
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
      const Frame f = Capture(window);
      if (f.pixels.empty()) break;
      const int lit = LitSquare(f, g);
      if (lit >= 0) last = lit;
      turn = ShowsStatus(f, g, kYourTurn) && last >= 0;
      over = ShowsStatus(f, g, kWrong) || ShowsStatus(f, g, kYouWin);
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
      Click(window, g.CentreX(square), g.CentreY(square));
      const double limit = NowMs() + 2000;
      while (NowMs() < limit && LitSquare(Capture(window), g) != square) Sleep(5);
    }
    // OK (and the next playback), or the end of the game.
    const double limit = NowMs() + 3000;
    bool ok = false, won = false, lost = false;
    while (NowMs() < limit && !ok && !won && !lost) {
      const Frame f = Capture(window);
      ok = ShowsStatus(f, g, kOk);
      won = ShowsStatus(f, g, kYouWin);
      lost = ShowsStatus(f, g, kWrong);
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
  HWND window = WaitForGameWindow(20000, true);
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
