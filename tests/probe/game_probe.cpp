// The game probe (see game_probe.h): hooks that a driver places on the game's
// user-interface thread, where they run inside the game and write what they see into
// the block the driver created for this process.
// Under wine GetGuiResources answers 0 for both kinds of object, so the GDI objects are
// counted in the process's handle table and the USER objects one handle at a time (see
// below), and the kernel handles one value at a time. After the block is opened the
// probe keeps nothing new unless asked for the menu or hooked to WinEvents (oleacc is
// loaded then), so that it does not add to the memory the soak watches.
#include "tests/probe/game_probe.h"

#include <windows.h>
// After windows.h, which it needs:
#include <winternl.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "win32/window_class.h"

namespace {

GameProbeBlock* g_block = nullptr;
bool g_blockOpened = false;
HWND g_mainWindow = nullptr;

// The block is opened on the first message seen after the hooks were placed.
GameProbeBlock* Block() {
  if (!g_blockOpened) {
    g_blockOpened = true;
    const std::string name = GameProbeBlockName(GetCurrentProcessId());
    if (HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name.c_str())) {
      // The view stays mapped for the life of the process; the handle is not needed.
      g_block = static_cast<GameProbeBlock*>(
          MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(GameProbeBlock)));
      CloseHandle(mapping);
    }
  }
  return g_block;
}

bool IsMainWindow(HWND window) {
  if (window == nullptr) return false;
  if (g_mainWindow != nullptr) return window == g_mainWindow;
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  if (lstrcmpA(name, kMainWindowClass) != 0) return false;
  g_mainWindow = window;
  return true;
}

// The message's place in FirstMessage, or -1.
int FirstMessageIndex(UINT message) {
  static const UINT kTimed[kFirstMessages] = {WM_CREATE, WM_SIZE, WM_PAINT};
  for (int i = 0; i < kFirstMessages; ++i)
    if (kTimed[i] == message) return i;
  return -1;
}

// ---------------------------------------------------------------------------
// GDI objects

// Wine keeps the process's GDI handles in a table that the process environment block
// points to (GdiSharedHandleTable): 65536 entries of 24 bytes, whatever the bitness.
// In an entry, byte 12 holds the extended type in its low 7 bits and the stock-object
// flag in its top bit, and byte 14 the base type, which is 0 while the entry is free.
constexpr int kGdiHandles = 0x10000;
constexpr size_t kGdiEntryBytes = 24;
#ifdef _WIN64
constexpr size_t kPebGdiTableOffset = 0xF8;
#else
constexpr size_t kPebGdiTableOffset = 0x94;
#endif

// The kind of an extended type: 0x01 and 0x41 are device contexts (the second a memory
// one), 0x30 and 0x50 pens (the second an extended one); what is not listed is other.
GdiKind GdiKindOf(uint8_t extendedType) {
  static const std::pair<uint8_t, GdiKind> kKinds[] = {
      {0x01, kGdiDc},      {0x41, kGdiDc},          {0x04, kGdiRegion}, {0x05, kGdiBitmap},
      {0x08, kGdiPalette}, {0x09, kGdiColourSpace}, {0x0a, kGdiFont},   {0x10, kGdiBrush},
      {0x30, kGdiPen},     {0x50, kGdiPen}};
  for (const auto& k : kKinds)
    if (k.first == extendedType) return k.second;
  return kGdiOther;
}

// The table's address, or null.
const uint8_t* GdiHandleTable() {
  using Query = NTSTATUS(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<Query>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic = {};
  if (query == nullptr ||
      query(GetCurrentProcess(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
      basic.PebBaseAddress == nullptr)
    return nullptr;
  const uint8_t* table = nullptr;
  std::memcpy(&table, reinterpret_cast<const uint8_t*>(basic.PebBaseAddress) + kPebGdiTableOffset,
              sizeof table);
  return table;
}

void CountGdiObjects(ObjectCounts& counts) {
  const uint8_t* table = GdiHandleTable();
  for (LONG& kind : counts.gdiByKind) kind = 0;
  if (table == nullptr) {
    counts.gdi = -1;
    return;
  }
  LONG total = 0;
  for (int i = 0; i < kGdiHandles; ++i) {
    const uint8_t* entry = table + static_cast<size_t>(i) * kGdiEntryBytes;
    const uint8_t extended = entry[12];
    if (entry[14] == 0 || (extended & 0x80) != 0) continue;  // free, or a stock object
    ++total;
    ++counts.gdiByKind[GdiKindOf(extended & 0x7f)];
  }
  counts.gdi = total;
}

// ---------------------------------------------------------------------------
// USER objects

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<LONG*>(count);
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM count) {
  ++*reinterpret_cast<LONG*>(count);
  EnumChildWindows(window, &CountChild, count);  // every descendant
  return TRUE;
}

// Windows of this (the user-interface) thread, and message-only windows of the process.
// The game's other threads, wine's timer thread and the sound thread, make none.
LONG CountWindows() {
  LONG count = 0;
  EnumThreadWindows(GetCurrentThreadId(), &CountTopLevel, reinterpret_cast<LPARAM>(&count));
  const DWORD self = GetCurrentProcessId();
  for (HWND w = FindWindowExA(HWND_MESSAGE, nullptr, nullptr, nullptr); w != nullptr;
       w = FindWindowExA(HWND_MESSAGE, w, nullptr, nullptr)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == self) CountTopLevel(w, reinterpret_cast<LPARAM>(&count));
  }
  return count;
}

// Wine numbers USER handles 0x20, 0x22, ... 0xFFEE in their low word; the high word is
// a generation, and a handle given with generation 0 names whatever object holds that
// slot. Menus, cursors and icons and accelerator tables live in the process that made
// them, so each slot is asked, in this process, whether it holds one of them; a slot of
// another process answers no without a call to the server.
constexpr UINT_PTR kFirstUserHandle = 0x20, kLastUserHandle = 0xFFEF;

void CountUserObjects(ObjectCounts& counts) {
  counts.windows = CountWindows();
  counts.menus = counts.cursorsAndIcons = counts.acceleratorTables = 0;
  for (UINT_PTR value = kFirstUserHandle; value <= kLastUserHandle; value += 2) {
    const HANDLE handle = reinterpret_cast<HANDLE>(value);
    if (IsMenu(static_cast<HMENU>(handle))) ++counts.menus;
    ICONINFO icon = {};
    if (GetIconInfo(static_cast<HICON>(handle), &icon)) {  // copies of its bitmaps
      ++counts.cursorsAndIcons;
      if (icon.hbmMask != nullptr) DeleteObject(icon.hbmMask);
      if (icon.hbmColor != nullptr) DeleteObject(icon.hbmColor);
    }
    if (CopyAcceleratorTableA(static_cast<HACCEL>(handle), nullptr, 0) > 0)
      ++counts.acceleratorTables;
  }
}

void Count(GameProbeBlock& block) {
  ObjectCounts& counts = block.objects;
  counts.guiResourcesGdi = static_cast<LONG>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
  counts.guiResourcesUser = static_cast<LONG>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
  CountGdiObjects(counts);  // before the icons' bitmap copies come and go
  CountUserObjects(counts);
  // Wine numbers them 4, 8, ..., the lowest free first.
  DWORD flags = 0;
  counts.kernelHandles = 0;
  for (UINT_PTR value = 4; value < 0x4000; value += 4)
    counts.kernelHandles += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
  ++block.counted;
}

// ---------------------------------------------------------------------------
// The menu bar

void DescribeMenu(GameProbeBlock& block, HMENU menu, int depth) {
  const int count = GetMenuItemCount(menu);
  if (count < 0) snprintf(block.menuError, sizeof block.menuError, "GetMenuItemCount failed");
  for (int i = 0; i < count && block.menuItems < kProbeMenuItems; ++i) {
    ProbeMenuItem& item = block.menu[block.menuItems];
    item = ProbeMenuItem{};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = item.text;
    info.cch = sizeof item.text - 1;
    if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) {
      snprintf(block.menuError, sizeof block.menuError, "GetMenuItemInfoA failed");
      continue;
    }
    item.depth = depth;
    item.id = info.hSubMenu != nullptr ? 0u : info.wID;
    item.type = info.fType;
    item.state = info.fState;
    item.menuState = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    ++block.menuItems;
    if (info.hSubMenu != nullptr) DescribeMenu(block, info.hSubMenu, depth + 1);
  }
}

void ReportMenu(GameProbeBlock& block, HWND window) {
  block.menuItems = 0;
  block.menuError[0] = '\0';
  HMENU menu = GetMenu(window);
  if (menu == nullptr) {
    snprintf(block.menuError, sizeof block.menuError, "no menu");
  } else {
    DescribeMenu(block, menu, 0);
  }
}

// ---------------------------------------------------------------------------
// The client area's accessible object, as a screen reader's code inside the game reads
// it at each change

IAccessible* g_lastRead = nullptr;

template <typename Function>
Function Exported(const char* library, const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(GetProcAddress(LoadLibraryA(library), name)));
}

void Read(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*), ProbeText& out) {
  static const auto release = Exported<void(WINAPI*)(BSTR)>("oleaut32.dll", "SysFreeString");
  ReadText(g_lastRead, get, release, out);
}

void OnDestroyed(GameProbeBlock& block) {
  if (block.holdAtDestroy != 1) return;
  block.holdAtDestroy = 2;
  for (int waited = 0; block.holdAtDestroy == 2 && waited < 10000; waited += 5) Sleep(5);
  Read(&IAccessible::get_accName, block.nameOnceDestroyed);
}

UINT Registered(const char* name) { return RegisterWindowMessageA(name); }

// What the thread takes from its queue; only messages taken off it count, since a
// PM_NOREMOVE peek leaves them there.
void OnTaken(GameProbeBlock& block, WPARAM removal, const MSG& message) {
  static const UINT marker = Registered(kProbeMarkerMessage);
  if ((removal & PM_REMOVE) == 0) return;
  if (message.message == WM_TIMER && message.wParam == 0 && message.lParam == 0 &&
      IsMainWindow(message.hwnd)) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    const LONG64 index = block.ticks;
    if (index < static_cast<LONG64>(kProbeTickTimes)) block.tickTimes[index] = now.QuadPart;
    block.lastTickCounter = now.QuadPart;
    block.ticks = index + 1;
  } else if (message.message == WM_PAINT && IsMainWindow(message.hwnd)) {
    block.paints = block.paints + 1;
  } else if (message.message == WM_KEYUP || message.message == WM_SYSKEYUP) {
    InterlockedIncrement(&block.keyUps);
  } else if (message.message == marker) {
    InterlockedExchange(&block.marker, static_cast<LONG>(message.lParam));
  }
}

// A message sent to a window of the thread, before the window handles it.
void OnSent(GameProbeBlock& block, WPARAM, const CWPSTRUCT& message) {
  static const UINT countMessage = Registered(kProbeCountMessage);
  static const UINT menuMessage = Registered(kProbeMenuMessage);
  if (message.message == menuMessage) {
    ReportMenu(block, message.hwnd);
  } else if (IsMainWindow(message.hwnd)) {
    const int first = FirstMessageIndex(message.message);
    if (first >= 0 && block.firstBegan[first] == 0) block.firstBegan[first] = ProbeSystemTime();
    if (message.message == WM_PAINT) {
      block.paints = block.paints + 1;
    } else if (message.message == countMessage) {
      Count(block);
    } else if (message.message == WM_NCDESTROY) {
      OnDestroyed(block);
    }
  }
}

// A sent message, once the window has handled it.
void OnHandled(GameProbeBlock& block, WPARAM, const CWPRETSTRUCT& message) {
  const int first = FirstMessageIndex(message.message);
  if (first >= 0 && block.firstBegan[first] != 0 && block.firstEnded[first] == 0 &&
      IsMainWindow(message.hwnd))
    block.firstEnded[first] = ProbeSystemTime();
}

// What each hook does: hands the message it sees to `handle` once the block is open.
template <typename Message>
LRESULT Hook(int code, WPARAM wParam, LPARAM lParam,
             void (*handle)(GameProbeBlock&, WPARAM, const Message&)) {
  GameProbeBlock* block = Block();
  if (code == HC_ACTION && block != nullptr)
    handle(*block, wParam, *reinterpret_cast<const Message*>(lParam));
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    ProbeGetMessage(int code, WPARAM removal, LPARAM lParam) {
  return Hook(code, removal, lParam, &OnTaken);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK
    ProbeCallWndProc(int code, WPARAM sent, LPARAM lParam) {
  return Hook(code, sent, lParam, &OnSent);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK
    ProbeCallWndProcRet(int code, WPARAM sent, LPARAM lParam) {
  return Hook(code, sent, lParam, &OnHandled);
}

extern "C" __declspec(dllexport) void CALLBACK
    ProbeWinEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD, DWORD) {
  using FromWindow = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
  static const auto from = Exported<FromWindow>("oleacc.dll", "AccessibleObjectFromWindow");
  GameProbeBlock* block = Block();
  if (block == nullptr || object != OBJID_CLIENT || !IsMainWindow(window) ||
      block->events == kProbeEvents)
    return;
  if (g_lastRead != nullptr) g_lastRead->Release();
  g_lastRead = nullptr;
  from(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
       reinterpret_cast<void**>(&g_lastRead));
  ProbeEvent& e = block->event[block->events];
  e.event = event;
  e.focused = GetFocus() == window;
  Read(&IAccessible::get_accName, e.name);
  Read(&IAccessible::get_accDescription, e.description);
  Read(&IAccessible::get_accValue, e.value);
  ++block->events;
}
