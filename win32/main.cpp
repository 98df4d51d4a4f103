// Entry point and main window: class registration, start-up, the message loop, the
// window procedure that turns window messages into calls on the game, and the parts
// of the shell that the game talks to (the view, the sound output and player).
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <ctime>

#include "resources/ui_texts.h"
#include "ui/shell_rules.h"
#include "view/painter.h"
#include "win32/audio_stream_output.h"
#include "win32/gdi_canvas.h"
#include "win32/playsound_output.h"
#include "win32/running_under_wine.h"
#include "win32/shell.h"
#include "win32/tick_timer.h"
#include "win32/window_class.h"
#include "win32/window_view.h"

GameSession g_game;
BoardLayout g_layout;

namespace {

constexpr char kTitle[] = TEXT_TITLE;
constexpr LPARAM kRepeatBit = LPARAM{1} << 30;  // WM_CHAR: the key was already down

HINSTANCE g_instance = nullptr;
// Read by the tick callback on the timer thread; written on the user-interface thread
// as soon as the window procedure first sees the window, so that ticks reach it from
// WM_CREATE on.
std::atomic<HWND> g_mainWindow{nullptr};
HMENU g_mainMenu = nullptr;
HACCEL g_accelerators = nullptr;

// Every size change, minimising included: new layout and status font, then a full
// repaint with erase through the ordinary paint message.
void OnSize(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  HDC dc = GetDC(window);
  {
    GdiCanvas canvas(dc);
    OnResize(g_layout, canvas, client.right, client.bottom);
  }
  ReleaseDC(window, dc);
  InvalidateRect(window, nullptr, TRUE);
}

// The window has moved to a screen of another pixel density (the manifest makes the
// game aware of it per monitor): take the position and size Windows suggests, which
// keep the window's size in physical terms. The board and the status font follow
// through the WM_SIZE this brings.
void OnDpiChanged(HWND window, const RECT& suggested) {
  SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  {
    GdiCanvas canvas(dc);
    PaintWindow(g_game, g_layout, canvas);
  }
  EndPaint(window, &paint);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (g_mainWindow.load() == nullptr) g_mainWindow.store(window);
  switch (message) {
    case WM_CREATE:
      StartSession(g_game, static_cast<uint32_t>(time(nullptr)));
      MainTicks().Start();
      return 0;
    case WM_DESTROY:
      EndSession(MainTicks(), MainSoundOutput());
      PostQuitMessage(0);
      return 0;
    case WM_SIZE:
      OnSize(window);
      return 0;
    case WM_PAINT:
      OnPaint(window);
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(window, *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_CHAR:  // an ANSI window: the character is the low byte
      OnTypedChar(g_game, MainShell(), static_cast<char>(wParam & 0xFF),
                  (lParam & kRepeatBit) != 0);
      return 0;
    case WM_LBUTTONDOWN:  // two unsigned 16-bit client coordinates; key flags do not matter
      OnClick(g_game, g_layout, MainShell(), static_cast<uint16_t>(lParam & 0xFFFF),
              static_cast<uint16_t>((lParam >> 16) & 0xFFFF));
      return 0;
    case WM_TIMER:
      OnTick(g_game, MainView(), MainSound());
      return 0;
    case WM_COMMAND:
      RunCommand(g_game, MainShell(), LOWORD(wParam));
      return 0;
    case WM_INITMENU:
      OnInitMenu();
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

bool RegisterMainClass(HINSTANCE instance) {
  WNDCLASSA windowClass = {};
  windowClass.style = 0;  // no redraw on resize, no double clicks: two clicks are two presses
  windowClass.lpfnWndProc = &MainWindowProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, "MainIcon");
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
  windowClass.lpszMenuName = "MainMenu";
  windowClass.lpszClassName = kMainWindowClass;
  return RegisterClassA(&windowClass) != 0;
}

// PlaySoundA on Windows; under wine, whose PlaySoundA leaves a gap after each
// repetition of a looped note, our own streaming service. Both find the sounds among
// the program's WAVE resources.
SoundOutput& ChooseSoundOutput(HINSTANCE module) {
  if (RunningUnderWine()) {
    static AudioStreamOutput stream(module);
    return stream;
  }
  static PlaySoundOutput playSound(module);
  return playSound;
}

// Not visible when created; the class menu becomes the window's menu.
bool CreateMainWindow(HINSTANCE instance) {
  g_instance = instance;
  HWND window = CreateWindowExA(0, kMainWindowClass, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                instance, nullptr);
  if (window == nullptr) return false;
  g_mainWindow.store(window);
  return true;
}

}  // namespace

HINSTANCE ModuleInstance() { return g_instance; }

HWND MainWindow() { return g_mainWindow.load(); }

HMENU MainMenu() { return g_mainMenu; }

GameView& MainView() {
  static WindowView view;
  return view;
}

SoundOutput& MainSoundOutput() {
  static SoundOutput& output = ChooseSoundOutput(ModuleInstance());  // once
  return output;
}

SoundPlayer& MainSound() {
  static GatedSoundPlayer player(g_game, MainSoundOutput());
  return player;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  if (!RegisterMainClass(instance)) {
    MessageBoxA(nullptr, "Failed to initialise", nullptr, MB_OK);
    return 0;
  }
  if (!CreateMainWindow(instance)) return 0;

  ShowWindow(MainWindow(), showCommand);
  UpdateWindow(MainWindow());
  g_mainMenu = GetMenu(MainWindow());
  g_accelerators = LoadAcceleratorsA(instance, "MENUACCEL");

  MSG message = {};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorA(MainWindow(), g_accelerators, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
