// A hook library the soak drivers place on the game's user-interface thread, to see
// from inside the game what another process cannot:
// - how many ticks and paints its main window took (counted as the thread takes them,
//   into a block the driver created and named after the game's process id);
// - how many GDI and USER objects the process holds, counted when the driver sends
//   the main window the registered message kSoakProbeCountMessage.
// Under wine GetGuiResources answers 0 for both, so the GDI objects are counted in the
// process's handle table and the USER objects one handle at a time (see below). After
// its first call the probe keeps nothing new, so that it does not add to the memory the
// drivers watch.
#include "tests/soak/soak_probe.h"

#include <windows.h>
// After windows.h, which it needs:
#include <winternl.h>

#include <cstdint>
#include <cstring>

namespace {

SoakProbeBlock* g_block = nullptr;
bool g_blockOpened = false;
UINT g_countMessage = 0;

SoakProbeBlock* Block() {
  if (!g_blockOpened) {
    g_blockOpened = true;
    const std::string name = SoakProbeBlockName(GetCurrentProcessId());
    if (HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name.c_str())) {
      // The view stays mapped for the life of the process; the handle is not needed.
      g_block = static_cast<SoakProbeBlock*>(
          MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, sizeof(SoakProbeBlock)));
      CloseHandle(mapping);
    }
  }
  return g_block;
}

bool IsMainWindow(const SoakProbeBlock& block, HWND window) {
  return window != nullptr && reinterpret_cast<HWND>(block.mainWindow) == window;
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

SoakGdiKind GdiKind(uint8_t extendedType) {
  switch (extendedType) {
    case 0x01:  // device context
    case 0x41:  // memory device context
      return kGdiDc;
    case 0x04:
      return kGdiRegion;
    case 0x05:
      return kGdiBitmap;
    case 0x08:
      return kGdiPalette;
    case 0x09:
      return kGdiColourSpace;
    case 0x0a:
      return kGdiFont;
    case 0x10:
      return kGdiBrush;
    case 0x30:  // pen
    case 0x50:  // extended pen
      return kGdiPen;
    default:
      return kGdiOther;
  }
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

void CountGdiObjects(SoakObjectCounts& counts) {
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
    ++counts.gdiByKind[GdiKind(extended & 0x7f)];
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

void CountUserObjects(SoakObjectCounts& counts) {
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

void Count(SoakProbeBlock& block) {
  SoakObjectCounts& counts = block.objects;
  counts.guiResourcesGdi = static_cast<LONG>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
  counts.guiResourcesUser = static_cast<LONG>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
  CountGdiObjects(counts);  // before the icons' bitmap copies come and go
  CountUserObjects(counts);
  ++block.counted;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    SoakProbeGetMessage(int code, WPARAM removal, LPARAM lParam) {
  if (code == HC_ACTION && removal == PM_REMOVE) {
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    SoakProbeBlock* block = Block();
    if (block != nullptr && IsMainWindow(*block, message->hwnd)) {
      if (message->message == WM_TIMER && message->wParam == 0 && message->lParam == 0) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        if (block->ticks == 0) block->firstTickCounter = now.QuadPart;
        block->lastTickCounter = now.QuadPart;
        block->ticks = block->ticks + 1;
      } else if (message->message == WM_PAINT) {
        block->paints = block->paints + 1;
      }
    }
  }
  return CallNextHookEx(nullptr, code, removal, lParam);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK
    SoakProbeCallWndProc(int code, WPARAM sent, LPARAM lParam) {
  if (code == HC_ACTION) {
    const CWPSTRUCT* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (g_countMessage == 0) g_countMessage = RegisterWindowMessageA(kSoakProbeCountMessage);
    SoakProbeBlock* block = Block();
    if (block != nullptr && IsMainWindow(*block, message->hwnd)) {
      if (message->message == WM_PAINT) {
        block->paints = block->paints + 1;
      } else if (message->message == g_countMessage) {
        Count(*block);
      }
    }
  }
  return CallNextHookEx(nullptr, code, sent, lParam);
}
