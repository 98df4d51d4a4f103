// Entry point: the window class, the main window and its message loop, and the one
// window procedure, which hands each message to the window's own state (MainWindow).
#include <windows.h>

#include <cstdint>

#include "resources/ui_texts.h"
#include "win32/audio_stream_output.h"
#include "win32/main_window.h"
#include "win32/menu_bar.h"
#include "win32/playsound_output.h"
#include "win32/running_under_wine.h"
#include "win32/window_class.h"

namespace {

constexpr char kTitle[] = TEXT_TITLE;
constexpr LPARAM kRepeatBit = LPARAM{1} << 30;  // WM_CHAR: the key was already down

// Messages that arrive before WM_NCCREATE (WM_GETMINMAXINFO) have no state to go to.
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_CREATE:
      self->OnCreate(window);
      return 0;
    case WM_DESTROY:
      self->OnDestroy();
      PostQuitMessage(0);
      return 0;
    case WM_SIZE:
      self->OnSize();
      return 0;
    case WM_PAINT:
      self->OnPaint();
      return 0;
    case WM_DPICHANGED:
      self->OnDpiChanged(*reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_INITMENU:
      self->OnInitMenu();
      return 0;
    case WM_GETOBJECT:  // an object id is 32 bits, however wide lParam is
      if (static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
        if (const LRESULT answer = self->OnGetClientObject(wParam)) return answer;
      }
      return DefWindowProcA(window, message, wParam, lParam);
    // The moves of the game, each followed by what it changed being told.
    case WM_CHAR:  // an ANSI window: the character is the low byte
      self->Host().TypedChar(static_cast<char>(wParam & 0xFF), (lParam & kRepeatBit) != 0);
      break;
    case WM_LBUTTONDOWN:  // two unsigned 16-bit client coordinates; key flags do not matter
      self->Host().Click(static_cast<uint16_t>(lParam & 0xFFFF),
                         static_cast<uint16_t>((lParam >> 16) & 0xFFFF));
      break;
    case WM_TIMER:
      self->Host().Tick();
      break;
    case WM_COMMAND:
      self->OnCommand(LOWORD(wParam));
      break;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
  self->TellChanges();
  return 0;
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
  windowClass.lpszMenuName = nullptr;  // the window gets its menu bar when created
  windowClass.lpszClassName = kMainWindowClass;
  return RegisterClassA(&windowClass) != 0;
}

int RunGame(HINSTANCE instance, int showCommand, SoundOutput& sound) {
  if (!RegisterMainClass(instance)) {
    MessageBoxA(nullptr, "Failed to initialise", nullptr, MB_OK);
    return 0;
  }
  MainWindow main(instance, sound);
  // Not visible when created; the menu bar is the window's, destroyed with it.
  HWND window = CreateWindowExA(0, kMainWindowClass, kTitle, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                CreateMenuBar(), instance, &main);
  if (window == nullptr) return 0;
  ShowWindow(window, showCommand);
  UpdateWindow(window);
  HACCEL accelerators = CreateShortcutTable();

  MSG message = {};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (TranslateAcceleratorA(window, accelerators, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  DestroyAcceleratorTable(accelerators);
  return static_cast<int>(message.wParam);
}

}  // namespace

// PlaySoundA on Windows; under wine, whose PlaySoundA leaves a gap after each
// repetition of a looped note, the game's own streaming service. Both find the sounds
// among the program's WAVE resources.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  if (RunningUnderWine()) {
    AudioStreamOutput stream(instance);
    return RunGame(instance, showCommand, stream);
  }
  PlaySoundOutput playSound(instance);
  return RunGame(instance, showCommand, playSound);
}
