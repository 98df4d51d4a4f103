// Times one full repaint of the game's picture in its heaviest state: board index 6
// won (all 20 squares filled), status panel drawn, with the game's own painter and
// GDI canvas. Two targets at 640 x 480 and at 1920 x 1080:
//   memory   a 32-bit bitmap in a memory device context: the background erased as
//            BeginPaint does, then PaintWindow
//   window   a window on the screen, repainted through InvalidateRect and UpdateWindow,
//            so that BeginPaint, the erase, PaintWindow and EndPaint all take part
// Prints one line per case: "paint TARGET WIDTHxHEIGHT median_us p90_us repaints".
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "engine/game.h"
#include "tests/e2e/outside.h"
#include "view/layout.h"
#include "view/painter.h"
#include "win32/gdi_canvas.h"

namespace {

constexpr int kWarmUp = 20;
constexpr int kRepaints = 300;

GameSession g_game;
BoardLayout g_layout;

double NowUs() { return e2e::NowMs() * 1000.0; }

// A won game on the largest board at the longest target.
void WonOnTheLargestBoard() {
  g_game.boardIndex = 6;
  g_game.skillIndex = 11;
  g_game.state = GameState::YouWin;
  g_game.targetLength = TargetLength(11);
  g_game.sequenceLength = g_game.targetLength;
  g_game.squareCount = BoardSquares(6);
  g_game.litSquare = -1;
}

// The layout and status font for a client size, fitted on a screen context.
void Layout(int width, int height) {
  HDC screen = GetDC(nullptr);
  {
    GdiCanvas canvas(screen);
    OnResize(g_layout, canvas, width, height);
  }
  ReleaseDC(nullptr, screen);
}

void Report(const char* target, int width, int height, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  const double median = times[times.size() / 2];
  const double p90 = times[(times.size() * 9) / 10];
  std::printf("paint %s %dx%d %.1f %.1f %d\n", target, width, height, median, p90,
              static_cast<int>(times.size()));
}

void PaintIntoMemory(int width, int height) {
  Layout(width, height);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  void* bits = nullptr;
  HBITMAP bitmap = e2e::CreatePixelBitmap(dc, width, height, &bits);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  const RECT all = {0, 0, width, height};
  std::vector<double> times;
  for (int i = 0; i < kWarmUp + kRepaints; ++i) {
    const double start = NowUs();
    FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
    {
      GdiCanvas canvas(dc);
      PaintWindow(g_game, g_layout, canvas);
    }
    GdiFlush();
    if (i >= kWarmUp) times.push_back(NowUs() - start);
  }
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  Report("memory", width, height, times);
}

LRESULT CALLBACK BenchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    {
      GdiCanvas canvas(dc);
      PaintWindow(g_game, g_layout, canvas);
    }
    EndPaint(window, &paint);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void PaintIntoWindow(HINSTANCE instance, int width, int height) {
  HWND window = CreateWindowExA(0, "PaintBench", "paint bench", WS_POPUP, 0, 0, width, height,
                                nullptr, nullptr, instance, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  RECT client = {};
  GetClientRect(window, &client);
  Layout(client.right, client.bottom);
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  std::vector<double> times;
  for (int i = 0; i < kWarmUp + kRepaints; ++i) {
    const double start = NowUs();
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    GdiFlush();
    if (i >= kWarmUp) times.push_back(NowUs() - start);
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  DestroyWindow(window);
  Report("window", client.right, client.bottom, times);
}

}  // namespace

int main() {
  setvbuf(stdout, nullptr, _IONBF, 0);
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = &BenchWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  windowClass.lpszClassName = "PaintBench";
  RegisterClassA(&windowClass);

  WonOnTheLargestBoard();
  const int sizes[2][2] = {{640, 480}, {1920, 1080}};
  for (const auto& size : sizes) PaintIntoMemory(size[0], size[1]);
  for (const auto& size : sizes) PaintIntoWindow(instance, size[0], size[1]);
  return 0;
}
