// The game's menu bar as its own thread sees it, read by the hook library
// (menu_probe.dll) placed on the game's user-interface thread: menus cannot be read
// from another process.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/e2e/e2e.h"
#include "tests/e2e/menu_probe.h"

namespace e2e {

struct MenuItem {
  int depth = 0;
  unsigned id = 0;
  unsigned type = 0;       // MENUITEMINFO fType
  unsigned state = 0;      // MENUITEMINFO fState
  unsigned menuState = 0;  // GetMenuState
  std::string text;

  bool Separator() const { return (type & MFT_SEPARATOR) != 0; }
  bool Greyed() const { return (menuState & MF_GRAYED) != 0 && (state & MFS_GRAYED) != 0; }
  bool Enabled() const {
    return (menuState & (MF_GRAYED | MF_DISABLED)) == 0 && !(state & MFS_GRAYED);
  }
  bool Checked() const { return (menuState & MF_CHECKED) != 0 && (state & MFS_CHECKED) != 0; }
  bool Unchecked() const { return (menuState & MF_CHECKED) == 0 && (state & MFS_CHECKED) == 0; }
};

class MenuProbe {
 public:
  explicit MenuProbe(const Game& game)
      : game_(game), hook_(game, WH_CALLWNDPROC, kMenuProbeLibrary, kMenuProbeHookName) {
    token_ = GetCurrentProcessId();
    mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                  static_cast<DWORD>(kMenuProbeBytes),
                                  MenuProbeMappingName(token_).c_str());
    E2E_REQUIRE(mapping_ != nullptr, "cannot create the probe's file mapping");
    view_ = static_cast<char*>(MapViewOfFile(mapping_, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    E2E_REQUIRE(view_ != nullptr, "cannot map the probe's file mapping");
  }

  ~MenuProbe() {
    if (view_ != nullptr) UnmapViewOfFile(view_);
    if (mapping_ != nullptr) CloseHandle(mapping_);
  }

  MenuProbe(const MenuProbe&) = delete;
  MenuProbe& operator=(const MenuProbe&) = delete;

  // Has the game handle WM_INITMENU for its menu bar, as when the menu is entered.
  void InitMenu() const {
    DWORD_PTR result = 0;
    E2E_REQUIRE(SendMessageTimeoutA(game_.Window(), WM_INITMENU,
                                    reinterpret_cast<WPARAM>(GetMenu(game_.Window())), 0,
                                    SMTO_NORMAL, 5000, &result),
                "WM_INITMENU was not handled");
  }

  // Every item of the menu bar, depth first, as the game's own thread sees it.
  std::vector<MenuItem> Read() const {
    view_[0] = '\0';
    DWORD_PTR result = 0;
    E2E_REQUIRE(SendMessageTimeoutA(game_.Window(), RegisterWindowMessageA(kMenuProbeMessage),
                                    token_, 0, SMTO_NORMAL, 5000, &result),
                "the probe message was not handled");
    const std::string report(view_, strnlen(view_, kMenuProbeBytes));
    E2E_REQUIRE(!report.empty(), "the hook wrote nothing (was it loaded into the game?)");
    E2E_REQUIRE(report.find("error") == std::string::npos, "probe: %s", report.c_str());
    std::vector<MenuItem> items;
    size_t start = 0;
    while (start < report.size()) {
      const size_t end = report.find('\n', start);
      std::vector<std::string> fields;
      size_t from = start;
      for (int i = 0; i < 5; ++i) {
        const size_t stop = report.find('\x1f', from);
        E2E_REQUIRE(stop < end, "malformed probe line");
        fields.push_back(report.substr(from, stop - from));
        from = stop + 1;
      }
      MenuItem item;
      item.depth = std::stoi(fields[0]);
      item.id = static_cast<unsigned>(std::stoul(fields[1]));
      item.type = static_cast<unsigned>(std::stoul(fields[2]));
      item.state = static_cast<unsigned>(std::stoul(fields[3]));
      item.menuState = static_cast<unsigned>(std::stoul(fields[4]));
      item.text = report.substr(from, end - from);
      items.push_back(item);
      start = end + 1;
    }
    return items;
  }

  MenuItem Item(unsigned id) const {
    for (const MenuItem& item : Read()) {
      if (item.depth == 1 && item.id == id) return item;
    }
    E2E_REQUIRE(false, "no menu item %u", id);
    return {};
  }

 private:
  const Game& game_;
  GameThreadHook hook_;
  HANDLE mapping_ = nullptr;
  char* view_ = nullptr;
  WPARAM token_ = 0;
};

}  // namespace e2e
