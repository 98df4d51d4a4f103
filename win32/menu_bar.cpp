#include "win32/menu_bar.h"

#include <cstdio>
#include <cstring>

#include "win32/command_ids.h"

namespace {

constexpr size_t kTextCapacity = 64;

// "Ni&veau...\tF3": the label with "&" before its mnemonic letter, then a tab and the
// name of the shortcut key, if it has one.
void WindowsText(const Label& label, ShortcutKey shortcut, char (&text)[kTextCapacity]) {
  const char* tab = shortcut == ShortcutKey::None ? "" : "\t";
  if (label.mnemonic < 0) {
    std::snprintf(text, sizeof text, "%s%s%s", label.text, tab, ShortcutName(shortcut));
  } else {
    std::snprintf(text, sizeof text, "%.*s&%s%s%s", label.mnemonic, label.text,
                  label.text + label.mnemonic, tab, ShortcutName(shortcut));
  }
}

WORD VirtualKey(ShortcutKey key) {
  static const WORD kKeys[] = {0, VK_F1, VK_F2, VK_F3};  // in ShortcutKey's order
  return kKeys[static_cast<int>(key)];
}

}  // namespace

HMENU CreateMenuBar() {
  HMENU bar = CreateMenu();
  HMENU popup = nullptr;
  const char* menu = nullptr;
  char text[kTextCapacity];
  for (const MenuItem& item : kMenuItems) {
    if (menu == nullptr || std::strcmp(menu, item.menu.text) != 0) {
      menu = item.menu.text;
      popup = CreatePopupMenu();
      WindowsText(item.menu, ShortcutKey::None, text);
      AppendMenuA(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup), text);
    }
    if (item.separatorBefore) AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
    WindowsText(item.label, item.shortcut, text);
    AppendMenuA(popup, MF_STRING, IdOfCommand(item.command), text);
  }
  return bar;
}

HACCEL CreateShortcutTable() {
  ACCEL keys[kCommandCount];
  int count = 0;
  for (const MenuItem& item : kMenuItems) {
    if (item.shortcut == ShortcutKey::None) continue;
    keys[count++] = {FVIRTKEY | FNOINVERT, VirtualKey(item.shortcut), IdOfCommand(item.command)};
  }
  return CreateAcceleratorTableA(keys, count);
}

void ShowMenuState(HMENU menuBar, const MenuState& state) {
  for (const MenuItem& item : kMenuItems) {
    const int i = static_cast<int>(item.command);
    const UINT id = IdOfCommand(item.command);
    EnableMenuItem(menuBar, id, MF_BYCOMMAND | (state.enabled[i] ? MF_ENABLED : MF_GRAYED));
    if (item.checkable)
      CheckMenuItem(menuBar, id, MF_BYCOMMAND | (state.checked[i] ? MF_CHECKED : MF_UNCHECKED));
  }
}
