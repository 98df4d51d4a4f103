// The game probe on the game of a case (Probe in e2e.h).
#include <windows.h>

#include "tests/e2e/e2e.h"

namespace e2e {

Probe::Probe(const Game& game)
    : GameProbe(game.ProcessId(), GetWindowThreadProcessId(game.Window(), nullptr)), game_(game) {
  E2E_REQUIRE(Error().empty(), "%s", Error().c_str());
  E2E_REQUIRE(Settle(), "the probe does not report from inside the game");
}

void Probe::InitMenu(HMENU menu) const {
  if (menu == nullptr) menu = GetMenu(game_.Window());
  DWORD_PTR result = 0;
  E2E_REQUIRE(SendMessageTimeoutA(game_.Window(), WM_INITMENU, reinterpret_cast<WPARAM>(menu), 0,
                                  SMTO_NORMAL, 5000, &result),
              "WM_INITMENU was not handled");
}

std::vector<MenuItem> Probe::Menu() const {
  E2E_REQUIRE(ReadMenu(game_.Window()), "the probe's menu message was not handled");
  const GameProbeBlock& b = Block();
  E2E_REQUIRE(b.menuError[0] == '\0', "probe: %s", b.menuError);
  E2E_REQUIRE(b.menuItems > 0, "the probe wrote no menu");
  std::vector<MenuItem> items;
  for (const ProbeMenuItem* m = b.menu; m != b.menu + b.menuItems; ++m)
    items.push_back({m->depth, m->id, m->type, m->state, m->menuState, m->text});
  return items;
}

MenuItem Probe::Item(Command command) const {
  const unsigned id = CommandNumber(command);
  for (const MenuItem& item : Menu()) {
    if (item.depth == 1 && item.id == id) return item;
  }
  E2E_REQUIRE(false, "no menu item %u", id);
  return {};
}

ObjectCounts Probe::Count() const {
  ObjectCounts counts = {};
  E2E_REQUIRE(GameProbe::Count(game_.Window(), &counts), "the game did not answer the probe");
  return counts;
}

}  // namespace e2e
