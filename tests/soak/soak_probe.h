// What the soak probe library and the soak drivers agree on (see soak_probe.cpp).
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

constexpr char kSoakProbeLibrary[] = "soak_probe.dll";
constexpr char kSoakProbeGetMessageHook[] = "SoakProbeGetMessage";    // WH_GETMESSAGE
constexpr char kSoakProbeCallWndProcHook[] = "SoakProbeCallWndProc";  // WH_CALLWNDPROC
// Sent to the main window: the probe counts the process's objects into the block.
constexpr char kSoakProbeCountMessage[] = "ZirirarAduzoSoakProbeCount";

// GDI objects in use by kind: the extended type of wine's handle table.
enum SoakGdiKind {
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
struct SoakObjectCounts {
  // GDI objects in the process's handle table, stock objects left out; -1 when the
  // table is not where wine keeps it.
  LONG gdi;
  LONG gdiByKind[kGdiKinds];
  // USER objects of the process: windows of the game's thread (top-level, their
  // descendants and message-only windows), menus, cursors and icons, accelerator tables.
  LONG windows, menus, cursorsAndIcons, acceleratorTables;
  // What GetGuiResources says of the game's own process (GR_GDIOBJECTS, GR_USEROBJECTS).
  LONG guiResourcesGdi, guiResourcesUser;
};

// The block the driver creates (named after the game's process id) and the probe
// fills. The first part is kept up to date by the probe as the game's thread takes its
// messages; the second is written when the driver sends kSoakProbeCountMessage.
struct SoakProbeBlock {
  // Written by the driver before it places the hooks: the main window, the one whose
  // ticks and paints are counted and to which the count message is sent.
  LONG64 mainWindow;

  // WM_TIMER ticks (wParam and lParam 0) the main window took from its queue, and the
  // QueryPerformanceCounter value when it took the first and the last of them.
  volatile LONG64 ticks;
  volatile LONG64 firstTickCounter;
  volatile LONG64 lastTickCounter;
  // WM_PAINT messages the main window received, taken from the queue or sent.
  volatile LONG64 paints;

  LONG counted;  // number of counts made
  SoakObjectCounts objects;
};

inline std::string SoakProbeBlockName(DWORD gameProcessId) {
  return "ZirirarAduzoSoakProbe." + std::to_string(static_cast<unsigned long>(gameProcessId));
}
