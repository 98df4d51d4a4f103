// A hook library the end-to-end driver places on the game's user-interface thread.
// Another process cannot read a window's menu, so the driver sends the game window a
// private registered message; this hook, running inside the game, reads the menu of
// that window and writes what it found into a named file mapping that the driver
// created and named by the number it passes in wParam.
//
// The report is one line per menu item, depth first, fields separated by 0x1F:
//   depth, command id (0 for a pop-up), type flags, state flags, GetMenuState, text
#include "tests/e2e/menu_probe.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void DescribeMenu(HMENU menu, int depth, std::string& out) {
  const int count = GetMenuItemCount(menu);
  if (count < 0) {
    out += "error: GetMenuItemCount failed\n";
    return;
  }
  for (int i = 0; i < count; ++i) {
    char text[256] = {};
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = sizeof text - 1;
    if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) {
      out += "error: GetMenuItemInfoA failed\n";
      continue;
    }
    const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
    char fields[128];
    snprintf(fields, sizeof fields, "%d\x1f%u\x1f%u\x1f%u\x1f%u\x1f", depth,
             info.hSubMenu != nullptr ? 0u : info.wID, info.fType, info.fState, state);
    out += fields;
    out += text;
    out += '\n';
    if (info.hSubMenu != nullptr) DescribeMenu(info.hSubMenu, depth + 1, out);
  }
}

void Report(HWND window, WPARAM token) {
  std::string out;
  HMENU menu = GetMenu(window);
  if (menu == nullptr) {
    out = "error: no menu\n";
  } else {
    DescribeMenu(menu, 0, out);
  }
  HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, MenuProbeMappingName(token).c_str());
  if (mapping == nullptr) return;
  if (void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, kMenuProbeBytes)) {
    const size_t length = out.size() < kMenuProbeBytes - 1 ? out.size() : kMenuProbeBytes - 1;
    memcpy(view, out.data(), length);
    static_cast<char*>(view)[length] = '\0';
    UnmapViewOfFile(view);
  }
  CloseHandle(mapping);
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    MenuProbeHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (message->message == RegisterWindowMessageA(kMenuProbeMessage)) {
      Report(message->hwnd, message->wParam);
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}
