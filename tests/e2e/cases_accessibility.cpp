// The board told to assistive technology: the client area's accessible object as a
// screen reader reads it, from the game's own thread (the probe) and from this process;
// what the game's events tell during a game, at rest, under a dialog; and the object
// once the window is gone.
#include <string>
#include <vector>

#include "tests/e2e/e2e.h"

using namespace e2e;

namespace {

// The hook's events from `from` on, each as "KIND: NAME", "(elsewhere)" added when the
// board had not the focus.
std::vector<std::string> Told(const Probe& probe, LONG from) {
  std::vector<std::string> told;
  for (LONG i = from; i < probe.Block().events; ++i) {
    const ProbeEvent& e = probe.Block().event[i];
    const char* kind = e.event == EVENT_OBJECT_NAMECHANGE          ? "name"
                       : e.event == EVENT_OBJECT_DESCRIPTIONCHANGE ? "description"
                       : e.event == EVENT_OBJECT_LIVEREGIONCHANGED ? "live region"
                                                                   : "other";
    told.push_back(std::string(kind) + ": " + e.name.text + (e.focused ? "" : " (elsewhere)"));
    Note("told %s", told.back().c_str());
  }
  return told;
}

// Waits until the last event's name begins with `word`.
void WaitForTold(const Probe& probe, const char* word) {
  E2E_REQUIRE(WaitUntil(10000,
                        [&] {
                          const LONG n = probe.Block().events;
                          return n > 0 &&
                                 std::string(probe.Block().event[n - 1].name.text).rfind(word, 0) ==
                                     0;
                        }),
              "\"%s\" was not told", word);
}

std::string Line(const char* word, int board, int length) {
  return std::string(word) + " Skill 2, board " + std::to_string(board) + ", length " +
         std::to_string(length) + ", target 10";
}

}  // namespace

E2E_CASE(accessibility_reads_the_board_and_tells_each_status_once) {
  Game game;
  game.SetClientSize(640, 480);
  Probe probe(game);
  E2E_CHECK(LoadedModules(game.ProcessId(), "oleacc.dll").empty(), "oleacc loaded at start");
  IAccessible* remote = RemoteClientObject(game.Window());
  E2E_REQUIRE(remote != nullptr, "no accessible object for the client area");
  const std::string name = AccessibleText(remote, &IAccessible::get_accName);
  const std::string keys = AccessibleText(remote, &IAccessible::get_accDescription);
  const std::string value = AccessibleText(remote, &IAccessible::get_accValue);
  remote->Release();
  Note("from another process: name \"%s\", description \"%s\", value \"%s\"", name.c_str(),
       keys.c_str(), value.c_str());
  E2E_CHECK(name == "Zirirar Aduzo" && keys == "keys: e r, d f" && value.empty(), "texts");
  std::vector<std::string> oleacc = LoadedModules(game.ProcessId(), "oleacc.dll");
  oleacc.resize(1);
  CharLowerBuffA(&oleacc[0][0], static_cast<DWORD>(oleacc[0].size()));
  E2E_CHECK(oleacc[0].find("\\system32\\oleacc.dll") != std::string::npos,
            "oleacc not loaded from the system folder: \"%s\"", oleacc[0].c_str());
  E2E_REQUIRE(probe.ReadAccessible(game.Window()), "the probe did not read the object");
  const GameProbeBlock& b = probe.Block();
  Note("from the game's thread: name \"%s\", description \"%s\", value \"%s\" (0x%08lX)",
       b.name.text, b.description.text, b.value.text, static_cast<unsigned long>(b.value.result));
  E2E_CHECK(name == b.name.text && keys == b.description.text && value == b.value.text,
            "the game's thread reads other texts");

  // F2, then the Linux test's keys: "e" is either wrong, or right, and then "r" is wrong.
  E2E_REQUIRE(probe.WatchEvents(game.ProcessId()), "cannot hook the game's events (error %lu)",
              GetLastError());
  game.PressKey(VK_F2);
  for (const WORD key : {WORD{'E'}, WORD{'R'}}) {
    WaitForTold(probe, "Your turn");
    const LONG seen = probe.Block().events;
    game.PressKey(key);
    E2E_REQUIRE(WaitUntil(10000, [&] { return probe.Block().events > seen; }), "no verdict");
    if (std::string(b.event[b.events - 1].name.text).rfind("Wrong!", 0) == 0) break;
  }
  const std::vector<std::string> told = Told(probe, 0);
  const std::vector<std::string> lostAtOnce = {"name: " + Line("Watch.", 2, 1),
                                               "name: " + Line("Your turn.", 2, 1),
                                               "name: " + Line("Wrong!", 2, 1)};
  const std::vector<std::string> lostInRound2 = {lostAtOnce[0],
                                                 lostAtOnce[1],
                                                 "name: " + Line("OK.", 2, 1),
                                                 "name: " + Line("Watch.", 2, 2),
                                                 "name: " + Line("Your turn.", 2, 2),
                                                 "name: " + Line("Wrong!", 2, 2)};
  E2E_CHECK(told == lostAtOnce || told == lostInRound2, "not each status once, in order");

  // A minute at rest, repainted every second: ticks and repaints tell nothing.
  const long long ticks = probe.Ticks();
  for (int second = 0; second < 60; ++second) {
    RedrawWindow(game.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Sleep(1000);
  }
  E2E_CHECK(game.Sync() && b.events == static_cast<LONG>(told.size()),
            "%ld events during a minute at rest (%lld ticks)",
            static_cast<long>(b.events) - static_cast<long>(told.size()), probe.Ticks() - ticks);
  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

E2E_CASE(accessibility_under_a_dialog_and_once_the_window_is_gone) {
  Game game;
  game.SetClientSize(640, 480);
  Probe probe(game);
  E2E_REQUIRE(probe.WatchEvents(game.ProcessId()), "cannot hook the game's events (error %lu)",
              GetLastError());
  // A new board: its keys told as a new description.
  game.Command(kLevel);
  HWND boards = nullptr;
  E2E_REQUIRE(WaitUntil(5000,
                        [&] {
                          boards = GetDlgItem(FindWindowA(kDialogClass, kLevelCaption), kBoardList);
                          return SendMessageA(boards, CB_GETCOUNT, 0, 0) == 7;
                        }),
              "no Level dialog");
  SendMessageA(boards, CB_SETCURSEL, 2, 0);
  PostMessageA(GetParent(boards), WM_COMMAND, IDOK, 0);
  E2E_REQUIRE(WaitUntil(5000, [&] { return probe.Block().events >= 1; }), "nothing told");
  E2E_REQUIRE(probe.ReadAccessible(game.Window()), "the probe did not read the object");
  E2E_CHECK(std::string(probe.Block().description.text) == "keys: w e r, s d f", "keys \"%s\"",
            probe.Block().description.text);

  // The game lost under the About box: told as a live region, and read meanwhile.
  game.PressKey(VK_F2);
  WaitForTold(probe, "Your turn");
  game.Command(kAbout);
  HWND about = nullptr;
  E2E_REQUIRE(
      WaitUntil(5000, [&] { return (about = FindWindowA(kDialogClass, kAboutBoxCaption)); }),
      "no About box");
  WaitForTold(probe, "Wrong!");
  IAccessible* remote = RemoteClientObject(game.Window());
  E2E_REQUIRE(remote != nullptr, "no object while the About box is open");
  const std::string name = AccessibleText(remote, &IAccessible::get_accName);
  E2E_CHECK(name == Line("Wrong!", 3, 1), "name under the About box: \"%s\"", name.c_str());
  const std::vector<std::string> told = Told(probe, 0);
  const std::vector<std::string> expected = {
      "description: Zirirar Aduzo", "name: " + Line("Watch.", 3, 1),
      "name: " + Line("Your turn.", 3, 1), "name: " + Line("Wrong!", 3, 1) + " (elsewhere)",
      "live region: " + Line("Wrong!", 3, 1) + " (elsewhere)"};
  E2E_CHECK(told == expected, "not told as expected");
  PostMessageA(about, WM_COMMAND, IDOK, 0);

  // Closed: this process's proxy and the probe's object asked once the window is gone.
  E2E_REQUIRE(probe.ReadAccessible(game.Window(), true), "the probe did not keep the object");
  probe.Block().holdAtDestroy = 1;
  game.PostMsg(WM_CLOSE, 0, 0);
  E2E_REQUIRE(WaitUntil(10000, [&] { return probe.Block().destroyed != 0; }), "not destroyed");
  HRESULT afterwards = S_OK;
  AccessibleText(remote, &IAccessible::get_accName, &afterwards);
  probe.Block().held = 1;
  E2E_CHECK(game.WaitForExit(10000) == 0, "exit code");
  remote->Release();
  const HRESULT inside = probe.Block().nameOnceDestroyed.result;
  Note("once the window is gone: 0x%08lX from another process, 0x%08lX inside",
       static_cast<unsigned long>(afterwards), static_cast<unsigned long>(inside));
  E2E_CHECK(afterwards == RPC_E_DISCONNECTED && inside == CO_E_OBJNOTCONNECTED,
            "answered once the window was gone");
}
