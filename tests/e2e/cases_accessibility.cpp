// The board told to screen readers: each change of the client area, as the probe's
// WinEvent hook sees it, with the area's accessible object as the game's thread reads it
// then; nothing told at rest; the object read from another process under a dialog and
// once the window is gone.
#include <cstring>
#include <string>
#include <vector>

#include "tests/e2e/e2e.h"
#include "tests/e2e/game_dialogs.h"

using namespace e2e;

namespace {

// One line a change, "name: NAME" ("description", "live region"), " (elsewhere)" added
// when the board had not the focus; the changes from `from` on.
std::vector<std::string> Told(const Probe& probe, LONG from) {
  std::vector<std::string> told;
  for (LONG i = from; i < probe.Block().events; ++i) {
    const ProbeEvent& e = probe.Block().event[i];
    const char* kind = e.event == EVENT_OBJECT_NAMECHANGE          ? "name"
                       : e.event == EVENT_OBJECT_DESCRIPTIONCHANGE ? "description"
                       : e.event == EVENT_OBJECT_LIVEREGIONCHANGED ? "live region"
                                                                   : "other";
    told.push_back(std::string(kind) + ": " + e.name.text + (e.focused ? "" : " (elsewhere)"));
    Note("told %s | description \"%s\" | value \"%s\" (0x%08lX)", told.back().c_str(),
         e.description.text, e.value.text, static_cast<unsigned long>(e.value.result));
  }
  return told;
}

// The status line on board 3: "Watch. Skill 2, board 3, length 1, target 10".
std::string Status(const char* word, int length) {
  return std::string(word) + " Skill 2, board 3, length " + std::to_string(length) + ", target 10";
}
std::string Named(const char* word, int length) { return "name: " + Status(word, length); }

bool LastToldBegins(const Probe& probe, const char* word) {
  const LONG n = probe.Block().events;
  return n > 0 && std::strncmp(probe.Block().event[n - 1].name.text, word, std::strlen(word)) == 0;
}

void WaitForTold(const Probe& probe, const char* word) {
  E2E_REQUIRE(WaitUntil(10000, [&] { return LastToldBegins(probe, word); }), "no \"%s\"", word);
}

}  // namespace

E2E_CASE(accessibility_tells_each_change_once_to_any_process) {
  Game game;
  Probe probe(game);
  GameProbeBlock& b = probe.Block();
  E2E_CHECK(LoadedModules(game.ProcessId(), "oleacc.dll").empty(), "oleacc loaded at start");
  E2E_REQUIRE(probe.WatchEvents(game.ProcessId()), "cannot hook the game's events");
  // Board 3 chosen: its keys told as a new description.
  ChooseLevel(game, 2, -1);

  // F2, then as on Linux: "e" is wrong, or it is right and then "r" is wrong.
  game.PressKey(VK_F2);
  for (const WORD key : {WORD{'E'}, WORD{'R'}}) {
    WaitForTold(probe, "Your turn");
    const LONG seen = b.events;
    game.PressKey(key);
    E2E_REQUIRE(WaitUntil(10000, [&] { return b.events > seen; }), "no verdict");
    if (LastToldBegins(probe, "Wrong!")) break;
  }
  const std::vector<std::string> told = Told(probe, 0);
  std::vector<std::string> expected = {"description: Zirirar Aduzo", Named("Watch.", 1),
                                       Named("Your turn.", 1)};
  if (told.size() == 7)
    expected.insert(expected.end(), {Named("OK.", 1), Named("Watch.", 2), Named("Your turn.", 2)});
  expected.push_back(Named("Wrong!", told.size() == 7 ? 2 : 1));
  E2E_CHECK(told == expected && std::string(b.event[0].description.text) == "keys: w e r, s d f" &&
                b.event[0].value.text[0] == '\0',
            "not each change once, in order, with the board's name, keys and no value");

  // A minute at rest, repainted every second: ticks and repaints tell nothing.
  const long long ticks = probe.Ticks();
  for (int second = 0; second < 60; ++second) {
    RedrawWindow(game.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Sleep(1000);
  }
  E2E_CHECK(game.Sync() && b.events == static_cast<LONG>(told.size()),
            "%ld told in a minute at rest", static_cast<long>(b.events - told.size()));
  Note("%lld ticks at rest", probe.Ticks() - ticks);

  // A game lost under the About box: told as a live region too, and read meanwhile.
  game.PressKey(VK_F2);
  WaitForTold(probe, "Your turn");
  game.Command(kAbout);
  WaitForTold(probe, "Wrong!");
  HWND about = FindWindowA(kDialogClass, kAboutBoxCaption);
  IAccessible* remote = RemoteClientObject(game.Window());
  E2E_REQUIRE(about != nullptr && remote != nullptr, "no About box, or no object under it");
  ProbeText name = {};
  ReadText(remote, &IAccessible::get_accName, &SysFreeString, name);
  E2E_CHECK(name.text == Status("Wrong!", 1), "read \"%s\" under the About box", name.text);
  const std::string lost = Status("Wrong!", 1) + " (elsewhere)";
  E2E_CHECK(Told(probe, static_cast<LONG>(told.size())) ==
                std::vector<std::string>({Named("Watch.", 1), Named("Your turn.", 1),
                                          "name: " + lost, "live region: " + lost}),
            "not told as a screen reader hears it under a dialog");

  // Closed: asked once the window is gone, from this process and inside the game.
  PostMessageA(about, WM_COMMAND, IDOK, 0);
  b.holdAtDestroy = 1;
  game.PostMsg(WM_CLOSE, 0, 0);
  E2E_REQUIRE(WaitUntil(10000, [&] { return b.holdAtDestroy == 2; }), "not destroyed");
  ReadText(remote, &IAccessible::get_accName, &SysFreeString, name);
  b.holdAtDestroy = 3;
  E2E_CHECK(game.WaitForExit(10000) == 0, "exit code");
  remote->Release();
  Note("once the window is gone: 0x%08lX from another process, 0x%08lX inside",
       static_cast<unsigned long>(name.result),
       static_cast<unsigned long>(b.nameOnceDestroyed.result));
  E2E_CHECK(name.result == RPC_E_DISCONNECTED && b.nameOnceDestroyed.result == CO_E_OBJNOTCONNECTED,
            "answered once the window was gone");
}
