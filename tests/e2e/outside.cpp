// Seeing and driving the game's window from another process (outside.h).
#include "tests/e2e/outside.h"

#include <algorithm>
#include <cstdio>

#include "win32/window_class.h"

namespace e2e {

namespace {

Colour FromColorRef(COLORREF c) {
  return (static_cast<Colour>(GetRValue(c)) << 16) | (static_cast<Colour>(GetGValue(c)) << 8) |
         GetBValue(c);
}

}  // namespace

// ---------------------------------------------------------------------------
// Time

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

bool WaitUntil(DWORD limitMs, const std::function<bool()>& condition, DWORD pollMs) {
  const double end = NowMs() + limitMs;
  for (;;) {
    if (condition()) return true;
    if (NowMs() >= end) return condition();
    Sleep(pollMs);
  }
}

bool HoldsFor(DWORD periodMs, const std::function<bool()>& condition, DWORD pollMs) {
  const double end = NowMs() + periodMs;
  for (;;) {
    if (!condition()) return false;
    if (NowMs() >= end) return true;
    Sleep(pollMs);
  }
}

// ---------------------------------------------------------------------------
// Colours and geometry

Colour WindowColour() { return FromColorRef(GetSysColor(COLOR_WINDOW)); }
Colour WindowTextColour() { return FromColorRef(GetSysColor(COLOR_WINDOWTEXT)); }

// ---------------------------------------------------------------------------
// Frames

namespace {

int g_gamesScreenDpi = 0;

// At the density of the games' screen, which their status font is sized for.
HFONT CreateStatusFont(HDC dc, int points) {
  const int dpi = g_gamesScreenDpi != 0 ? g_gamesScreenDpi : GetDeviceCaps(dc, LOGPIXELSY);
  return CreateFontA(-MulDiv(points, dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                     OUT_RASTER_PRECIS, CLIP_DEFAULT_PRECIS, DRAFT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, "Arial");
}

// The status font size for a client width: one below the first size from 4 up whose
// twelve average characters reach width / 4 - 5 pixels.
int StatusFontPoints(HDC dc, int width) {
  int points = 3;
  for (;;) {
    ++points;
    HFONT font = CreateStatusFont(dc, points);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    DeleteObject(font);
    if (metrics.tmAveCharWidth <= 0 || points > 500) break;
    if (!(width / 4 - 5 > 12 * metrics.tmAveCharWidth)) break;
  }
  return std::max(points - 1, 3);
}

COLORREF ToColorRef(Colour c) { return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

}  // namespace

void SetGamesScreenDpi(int dpi) { g_gamesScreenDpi = dpi; }

std::string CheckStatusPanel(const Frame& frame, const Geometry& g, int skill, int board,
                             int length, int target, const char* word, Colour wordColour) {
  if (frame.Width() != g.width || frame.Height() != g.height) return "frame of another size";
  PixelCanvas expected(g.width, g.height);
  const HDC dc = expected.Dc();
  RECT all = {0, 0, g.width, g.height};
  HBRUSH background = CreateSolidBrush(ToColorRef(WindowColour()));
  FillRect(dc, &all, background);
  DeleteObject(background);

  if (word != nullptr) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ToColorRef(WindowTextColour()));
    HDC screen = GetDC(nullptr);
    HFONT font = CreateStatusFont(screen, StatusFontPoints(screen, g.width));
    ReleaseDC(nullptr, screen);
    HGDIOBJ previousFont = SelectObject(dc, font);
    const std::string lines[5] = {
        "Skill: " + std::to_string(skill), "Board: " + std::to_string(board),
        "Length: " + std::to_string(length), "Target: " + std::to_string(target), word};
    for (int k = 1; k <= 5; ++k) {
      const Box box = g.StatusLine(k);
      RECT rect = {box.left, box.top, box.right, box.bottom};
      UINT flags = DT_VCENTER | DT_SINGLELINE | DT_NOCLIP | (k == 5 ? DT_CENTER : DT_LEFT);
      if (k == 5) SetTextColor(dc, ToColorRef(wordColour));
      DrawTextA(dc, lines[k - 1].c_str(), static_cast<int>(lines[k - 1].size()), &rect, flags);
    }
    SelectObject(dc, previousFont);
    DeleteObject(font);
  }
  std::string first;
  const int wrong = frame.Differences(expected.Pixels(), g.StatusPanel(), &first);
  if (wrong == 0) return "";
  return std::to_string(wrong) + " pixels of the status panel differ, first " + first;
}

bool SaveBmp(const Frame& frame, const std::string& path) {
  if (frame.Empty()) return false;
  // 32 bits a pixel, rows top-down: 0x00RRGGBB as a number is B, G, R, 0 in memory.
  BITMAPINFOHEADER info = {};
  info.biSize = sizeof info;
  info.biWidth = frame.Width();
  info.biHeight = -frame.Height();
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biSizeImage = static_cast<DWORD>(frame.Pixels().size() * sizeof(Colour));
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + info.biSizeImage;
  FILE* out = fopen(path.c_str(), "wb");
  if (!out) return false;
  fwrite(&file, sizeof file, 1, out);
  fwrite(&info, sizeof info, 1, out);
  fwrite(frame.Pixels().data(), sizeof(Colour), frame.Pixels().size(), out);
  return fclose(out) == 0;
}

HBITMAP CreatePixelBitmap(HDC dc, int width, int height, void** bits) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return CreateDIBSection(dc, &info, DIB_RGB_COLORS, bits, nullptr, 0);
}

PixelCanvas::PixelCanvas(int width, int height)
    : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
  bitmap_ = CreatePixelBitmap(dc_, width, height, &bits_);
  if (bitmap_ != nullptr) previous_ = SelectObject(dc_, bitmap_);
}

PixelCanvas::~PixelCanvas() {
  if (bitmap_ != nullptr) {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
  }
  DeleteDC(dc_);
}

Frame PixelCanvas::Pixels() const {
  if (bits_ == nullptr) return Frame();
  GdiFlush();
  const auto* source = static_cast<const uint32_t*>(bits_);
  std::vector<Colour> pixels(source, source + static_cast<size_t>(width_) * height_);
  for (Colour& p : pixels) p &= 0xFFFFFF;  // BGRA in memory: 0x00RRGGBB as a number
  return Frame(width_, height_, std::move(pixels), WindowColour(), WindowTextColour());
}

// ---------------------------------------------------------------------------
// The game's windows

namespace {

struct WindowSearch {
  const char* className;
  DWORD processId;
  bool visibleOnly;
  std::vector<HWND> found;
};

// A named callback, not a lambda: on 32-bit Windows it must use the stdcall convention.
BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
  auto* s = reinterpret_cast<WindowSearch*>(data);
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (lstrcmpA(name, s->className) == 0 && (s->processId == 0 || owner == s->processId) &&
      (!s->visibleOnly || IsWindowVisible(window)))
    s->found.push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopWindows(const char* className, DWORD processId, bool visibleOnly) {
  WindowSearch search{className, processId, visibleOnly, {}};
  EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> GameWindows(DWORD processId) {
  return TopWindows(kMainWindowClass, processId, false);
}

Frame CaptureClient(HWND window, const Box& part) {
  RECT client = {};
  GetClientRect(window, &client);
  Box box = part;
  if (box.Width() <= 0 || box.Height() <= 0) box = Box{0, 0, client.right, client.bottom};
  if (box.Width() <= 0 || box.Height() <= 0) return Frame();
  HDC windowDc = GetDC(window);
  if (windowDc == nullptr) return Frame();
  PixelCanvas copy(box.Width(), box.Height());
  const bool copied = copy.Ready() && BitBlt(copy.Dc(), 0, 0, box.Width(), box.Height(), windowDc,
                                             box.left, box.top, SRCCOPY);
  ReleaseDC(window, windowDc);
  return copied ? copy.Pixels() : Frame();
}

bool SetClientArea(HWND window, POINT origin, int width, int height) {
  for (int attempt = 0; attempt < 6; ++attempt) {
    RECT outer = {}, client = {};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    const int extraWidth = (outer.right - outer.left) - client.right;
    const int extraHeight = (outer.bottom - outer.top) - client.bottom;
    SetWindowPos(window, nullptr, origin.x, origin.y, width + extraWidth, height + extraHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
    GetClientRect(window, &client);
    if (client.right == width && client.bottom == height) return true;
  }
  return false;
}

void PostClick(HWND window, int x, int y, WPARAM keyFlags) {
  const LPARAM position = MAKELPARAM(x, y);
  PostMessageA(window, WM_LBUTTONDOWN, keyFlags | MK_LBUTTON, position);
  PostMessageA(window, WM_LBUTTONUP, keyFlags & ~static_cast<WPARAM>(MK_LBUTTON), position);
}

bool SendKeyPress(WORD virtualKey, const std::vector<WORD>& modifiers) {
  std::vector<INPUT> inputs;
  auto key = [&](WORD vk, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(input);
  };
  for (WORD m : modifiers) key(m, false);
  key(virtualKey, false);
  key(virtualKey, true);
  for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m) key(*m, true);
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// ---------------------------------------------------------------------------
// Inside the game: the game probe

std::string DriverDirectory() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string whole = path;
  const size_t slash = whole.find_last_of("\\/");
  return slash == std::string::npos ? std::string(".") : whole.substr(0, slash);
}

GameProbe::GameProbe(DWORD processId, DWORD threadId, bool timeStartUp) {
  mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                sizeof(GameProbeBlock), GameProbeBlockName(processId).c_str());
  if (mapping_ != nullptr)
    block_ = static_cast<GameProbeBlock*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
  if (block_ == nullptr) {
    error_ = "cannot make the probe's block (error " + std::to_string(GetLastError()) + ")";
    return;
  }
  const std::string path = DriverDirectory() + "\\" + kGameProbeLibrary;
  library_ = LoadLibraryA(path.c_str());
  if (library_ == nullptr) {
    error_ = "cannot load " + path + " (error " + std::to_string(GetLastError()) + ")";
    return;
  }
  static const struct {
    int type;
    const char* procedure;
  } kHooks[] = {{WH_GETMESSAGE, kProbeGetMessageHook},
                {WH_CALLWNDPROC, kProbeCallWndProcHook},
                {WH_CALLWNDPROCRET, kProbeCallWndProcRetHook}};
  for (const auto& h : kHooks) {
    if (h.type == WH_CALLWNDPROCRET && !timeStartUp) continue;
    auto procedure = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void (*)()>(GetProcAddress(library_, h.procedure)));
    HHOOK hook =
        procedure != nullptr ? SetWindowsHookExA(h.type, procedure, library_, threadId) : nullptr;
    if (hook == nullptr) {
      error_ = std::string("cannot place ") + h.procedure + " on the game's thread (error " +
               std::to_string(GetLastError()) + ")";
      return;
    }
    hooks_.push_back(hook);
  }
}

GameProbe::~GameProbe() {
  if (eventHook_ != nullptr) UnhookWinEvent(eventHook_);
  for (HHOOK hook : hooks_) UnhookWindowsHookEx(hook);
  if (library_ != nullptr) FreeLibrary(library_);
  if (block_ != nullptr) UnmapViewOfFile(block_);
  if (mapping_ != nullptr) CloseHandle(mapping_);
}

bool GameProbe::Settle(HWND window, DWORD limitMs) {
  const LONG marker = ++nextMarker_;
  PostMessageA(window, RegisterWindowMessageA(kProbeMarkerMessage), 0, marker);
  return WaitUntil(
      limitMs, [&] { return block_->marker == marker; }, 1);
}

namespace {

double CounterToMs(int64_t counter) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(counter) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

}  // namespace

std::vector<double> GameProbe::TickTimesMs() const {
  const LONG64 taken = block_->ticks;
  const LONG64 count = std::min<LONG64>(taken, kProbeTickTimes);
  std::vector<double> times;
  for (LONG64 i = 0; i < count; ++i) times.push_back(CounterToMs(block_->tickTimes[i]));
  return times;
}

double GameProbe::LastTickMs() const { return CounterToMs(block_->lastTickCounter); }

bool GameProbe::ReadMenu(HWND window) const {
  block_->menuItems = 0;
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(window, RegisterWindowMessageA(kProbeMenuMessage), 0, 0, SMTO_NORMAL,
                             5000, &result) != 0;
}

bool GameProbe::Count(HWND mainWindow, ObjectCounts* counts) const {
  const LONG before = block_->counted;
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(mainWindow, RegisterWindowMessageA(kProbeCountMessage), 0, 0,
                           SMTO_NORMAL, 10000, &result) ||
      block_->counted != before + 1)
    return false;
  *counts = block_->objects;
  return true;
}

bool GameProbe::WatchEvents(DWORD processId) {
  const auto hook = reinterpret_cast<WINEVENTPROC>(
      reinterpret_cast<void (*)()>(GetProcAddress(library_, kProbeWinEventHook)));
  eventHook_ = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_LIVEREGIONCHANGED, library_,
                               hook, processId, 0, WINEVENT_INCONTEXT);
  return eventHook_ != nullptr;
}

IAccessible* RemoteClientObject(HWND window) {
  static const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  void* object = nullptr;
  if (SUCCEEDED(com))
    AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                               &object);
  return static_cast<IAccessible*>(object);
}

}  // namespace e2e
