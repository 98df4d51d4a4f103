// The game probe on the game of a case (Probe in e2e.h).
#include <windows.h>

#include "tests/e2e/e2e.h"

namespace e2e {

Probe::Probe(const Game& game)
    : GameProbe(game.ProcessId(), GetWindowThreadProcessId(game.Window(), nullptr)), game_(game) {
  E2E_REQUIRE(Error().empty(), "%s", Error().c_str());
  E2E_REQUIRE(Settle(), "the probe does not report from inside the game");
}

void Probe::InitMenu() const {
  DWORD_PTR result = 0;
  E2E_REQUIRE(SendMessageTimeoutA(game_.Window(), WM_INITMENU,
                                  reinterpret_cast<WPARAM>(GetMenu(game_.Window())), 0, SMTO_NORMAL,
                                  5000, &result),
              "WM_INITMENU was not handled");
}

std::vector<MenuItem> Probe::Menu() const {
  std::string report;
  E2E_REQUIRE(ReadMenu(game_.Window(), &report), "the probe's menu message was not handled");
  E2E_REQUIRE(!report.empty(), "the probe wrote no menu");
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
