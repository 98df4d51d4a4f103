// What the game probe library (game_probe.dll, game_probe.cpp) and the drivers that
// place it agree on. The probe runs inside the game, as hooks on its user-interface
// thread, and reports what another process cannot see: the messages the thread takes
// (a marker, key releases, the main window's ticks and paints), how long the main
// window took to handle its first messages, the menu bar, the process's GDI, USER and
// kernel objects, and the changes of the client area told to screen readers. Everything
// goes into one block, a named file mapping that the driver creates for the game's
// process before it places the hooks.
#pragma once

#include <windows.h>
// After windows.h, which it needs:
#include <oleacc.h>

#include <cstdint>
#include <cstdio>
#include <string>

constexpr char kGameProbeLibrary[] = "game_probe.dll";
constexpr char kProbeGetMessageHook[] = "ProbeGetMessage";          // WH_GETMESSAGE
constexpr char kProbeCallWndProcHook[] = "ProbeCallWndProc";        // WH_CALLWNDPROC
constexpr char kProbeCallWndProcRetHook[] = "ProbeCallWndProcRet";  // WH_CALLWNDPROCRET

// Posted to the game (lParam: a number): the probe records the number as its thread
// takes the message, and with it everything posted before.
constexpr char kProbeMarkerMessage[] = "ZirirarAduzoProbeMarker";
// Sent to a window of the game: the probe describes that window's menu bar into the block.
constexpr char kProbeMenuMessage[] = "ZirirarAduzoProbeMenu";
// Sent to the main window: the probe counts the process's objects into the block.
constexpr char kProbeCountMessage[] = "ZirirarAduzoProbeCount";
// The WinEvent hook a driver places, in context, in the game's process.
constexpr char kProbeWinEventHook[] = "ProbeWinEvent";

constexpr uint32_t kProbeTickTimes = 1u << 16;  // tick times kept (about 55 minutes)
constexpr LONG kProbeMenuItems = 64;            // menu items kept
constexpr LONG kProbeEvents = 256;              // WinEvents kept

// GDI objects in use by kind: the extended type of wine's handle table.
enum GdiKind {
  kGdiDc,
  kGdiRegion,
  kGdiBitmap,
  kGdiPalette,
  kGdiColourSpace,
  kGdiFont,
  kGdiBrush,
  kGdiPen,
  kGdiOther,
  kGdiKinds
};

// The process's GDI and USER objects, as the probe counts them.
struct ObjectCounts {
  // GDI objects in the process's handle table, stock objects left out; -1 when the
  // table is not where wine keeps it.
  LONG gdi;
  LONG gdiByKind[kGdiKinds];
  // USER objects of the process: windows of the game's thread (top-level, their
  // descendants and message-only windows), menus, cursors and icons, accelerator tables.
  LONG windows, menus, cursorsAndIcons, acceleratorTables;
  // What GetGuiResources says of the game's own process (GR_GDIOBJECTS, GR_USEROBJECTS).
  LONG guiResourcesGdi, guiResourcesUser;
  LONG kernelHandles;  // the process's open handles (GetProcessHandleCount answers 0 in wine)
};

// An item of a menu bar as the game's thread reads it.
struct ProbeMenuItem {
  int depth;         // 0 for the bar's own items
  UINT id;           // 0 for a pop-up
  UINT type, state;  // MENUITEMINFO fType and fState
  UINT menuState;    // GetMenuState
  char text[128];
};

// A text of an accessible object and the HRESULT of reading it.
struct ProbeText {
  LONG result;
  char text[128];
};

// Reads a text of an accessible object itself (get_accName, get_accDescription or
// get_accValue) into `out`, then frees the string with `release` (SysFreeString).
inline void ReadText(IAccessible* object,
                     HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*),
                     void(WINAPI* release)(BSTR), ProbeText& out) {
  VARIANT self = {};
  V_VT(&self) = VT_I4;
  V_I4(&self) = CHILDID_SELF;
  BSTR text = nullptr;
  out.result = object != nullptr ? (object->*get)(self, &text) : E_FAIL;
  snprintf(out.text, sizeof out.text, "%ls", text != nullptr ? text : L"");
  release(text);
}

// A change of the main window's client area (a WinEvent), and the area's accessible
// object read on the game's thread as the change is told (AccessibleObjectFromWindow).
struct ProbeEvent {
  DWORD event;
  LONG focused;  // whether the main window had the keyboard focus
  ProbeText name, description, value;
};

// The first messages of the main window whose handling is timed.
enum FirstMessage { kFirstCreate, kFirstSize, kFirstPaint, kFirstMessages };

// The main window is the first window of the game's class that the probe sees.
struct GameProbeBlock {
  // Kept up to date as the thread takes its messages, in whatever loop (its own, a
  // dialog's, a menu's).
  volatile LONG marker;  // lParam of the last marker taken
  volatile LONG keyUps;  // WM_KEYUP and WM_SYSKEYUP taken, by any window
  // The main window's ticks (WM_TIMER with wParam and lParam 0) taken, the
  // QueryPerformanceCounter value when the last was taken, and its WM_PAINT messages,
  // taken from the queue or sent.
  volatile LONG64 ticks;
  volatile LONG64 lastTickCounter;
  volatile LONG64 paints;
  // The system time (GetSystemTimePreciseAsFileTime, 100 ns units) when the main window
  // began and ended handling its first message of each kind; 0 until then (the end only
  // when the driver placed the WH_CALLWNDPROCRET hook).
  volatile LONG64 firstBegan[kFirstMessages];
  volatile LONG64 firstEnded[kFirstMessages];

  // Written when asked by kProbeCountMessage and kProbeMenuMessage.
  LONG counted;  // number of counts made
  ObjectCounts objects;
  // The menu bar's items, depth first, and what failed in reading it ("" when nothing).
  LONG menuItems;
  ProbeMenuItem menu[kProbeMenuItems];
  char menuError[64];

  // The changes the WinEvent hook saw, in order. With `holdAtDestroy` set to 1, the main
  // window's WM_NCDESTROY sets it to 2 and waits (up to 10 s) while it stays 2; then the
  // object read at the last change is asked its name again.
  volatile LONG events, holdAtDestroy;
  ProbeText nameOnceDestroyed;
  ProbeEvent event[kProbeEvents];

  // QueryPerformanceCounter when each of the first kProbeTickTimes ticks was taken.
  int64_t tickTimes[kProbeTickTimes];
};

// A FILETIME as one number, and the system time so, in the 100 ns units of the block.
inline LONG64 FileTimeValue(const FILETIME& t) {
  return static_cast<LONG64>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
}
inline LONG64 ProbeSystemTime() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return FileTimeValue(now);
}

inline std::string GameProbeBlockName(DWORD gameProcessId) {
  return "ZirirarAduzoGameProbe." + std::to_string(static_cast<unsigned long>(gameProcessId));
}
