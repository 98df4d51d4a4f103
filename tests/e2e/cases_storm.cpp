// A storm of about a minute against the real window: clicks anywhere, characters with
// and without the repeat bit, F1/F2/F3 through the system's input queue, every
// command id from 500 to 540 but Quit, resizes from 0 x 0 up to the screen, minimise
// and restore, the Level and Instructions dialogs and the About box opened and closed
// (also nested in one another, as posted commands make them), sound switched. The
// game must answer within a second at every check, never end, still play afterwards
// and exit with code 0 when it is finally told to quit.
#include <windows.h>
// After windows.h, which it needs:
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "tests/e2e/e2e.h"

using namespace e2e;

namespace {

constexpr DWORD kStormMs = 60000;
constexpr DWORD kAnswerLimitMs = 1000;
constexpr uint16_t kQuit = 526, kFreePlay = 523;
constexpr char kDialogClass[] = "#32770";

// The dialogs and message boxes the game's thread has open (any number, nested).
std::vector<HWND> OpenDialogs(DWORD processId) { return TopWindows(kDialogClass, processId, true); }

// Bytes of private memory the process has committed, or 0 when unknown.
SIZE_T PrivateBytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (!K32GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
  return counters.PagefileUsage;
}

class Storm {
 public:
  Storm(Game& game, uint32_t seed) : game_(game), rng_(seed) {
    screen_ = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }

  // One random action; dialogs that have been open long enough are closed first.
  void Step() {
    CloseSomeDialogs();
    const int roll = Uniform(0, 999);
    if (roll < 300) return ClickAnywhere();
    if (roll < 480) return TypeCharacter();
    if (roll < 520) return FunctionKey();
    if (roll < 700) return AnyCommand();
    if (roll < 780) return Resize();
    if (roll < 810) return MinimiseOrRestore();
    if (roll < 880) return OpenDialog();
    if (roll < 920) return game_.Command(524);  // sound
    Sleep(static_cast<DWORD>(Uniform(1, 60)));  // let ticks run the game on
  }

  // Closes every open dialog and message box, innermost first, until none is left.
  bool CloseAllDialogs(DWORD limitMs) {
    return WaitUntil(
        limitMs,
        [&] {
          const std::vector<HWND> open = OpenDialogs(game_.ProcessId());
          for (HWND dialog : open) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
          return open.empty();
        },
        50);
  }

  int actions() const { return actions_; }
  int dialogsClosed() const { return dialogsClosed_; }
  int dialogsSeen() const { return dialogsSeen_; }

 private:
  int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  // Each dialog is left open for a while (ticks go on underneath), then cancelled,
  // closed by its close box (WM_CLOSE) or, for the Level dialog, confirmed.
  void CloseSomeDialogs() {
    // Forget the dialogs that are gone (a new one may get the same handle).
    std::vector<Seen> still;
    for (const Seen& s : seen_)
      if (IsWindow(s.window)) still.push_back(s);
    seen_.swap(still);
    for (HWND dialog : OpenDialogs(game_.ProcessId())) {
      bool known = false;
      for (const Seen& s : seen_) known = known || s.window == dialog;
      if (known) continue;
      seen_.push_back({dialog, NowMs() + Uniform(0, 700)});
      ++dialogsSeen_;
    }
    for (Seen& s : seen_) {
      if (s.closeAt < 0 || NowMs() < s.closeAt || !IsWindow(s.window)) continue;
      const int how = Uniform(0, 3);
      if (how == 0) {
        PostMessageA(s.window, WM_CLOSE, 0, 0);
      } else if (how == 1 && GetDlgItem(s.window, 640) != nullptr) {
        // The Level dialog: another board and skill, then OK.
        SendMessageTimeoutA(GetDlgItem(s.window, 640), CB_SETCURSEL, Uniform(0, 6), 0, SMTO_NORMAL,
                            kAnswerLimitMs, nullptr);
        SendMessageTimeoutA(GetDlgItem(s.window, 642), CB_SETCURSEL, Uniform(0, 11), 0, SMTO_NORMAL,
                            kAnswerLimitMs, nullptr);
        PostMessageA(s.window, WM_COMMAND, IDOK, 0);
      } else {
        PostMessageA(s.window, WM_COMMAND, IDCANCEL, 0);
      }
      s.closeAt = -1;
      ++dialogsClosed_;
    }
  }

  // Squares, margins, grid lines, the status panel, and beyond the client area
  // (negative coordinates and far off), with and without Shift or Ctrl.
  void ClickAnywhere() {
    ++actions_;
    const SIZE size = game_.ClientSize();
    int x, y;
    const int where = Uniform(0, 3);
    if (where == 0 && size.cx > 0 && size.cy > 0) {
      const Geometry g = Geometry::For(Uniform(0, 6), size.cx, size.cy);
      const int square = Uniform(0, g.Squares() - 1);
      x = g.CentreX(square) + Uniform(-1, 1);
      y = g.CentreY(square) + Uniform(-1, 1);
    } else if (where == 1 && size.cx > 0 && size.cy > 0) {
      const Geometry g = Geometry::For(Uniform(0, 6), size.cx, size.cy);
      x = g.LineX(Uniform(0, g.columns)) + Uniform(-5, 5);  // on and around grid lines
      y = g.LineY(Uniform(0, g.rows)) + Uniform(-5, 5);
    } else if (where == 2) {
      x = Uniform(-100, size.cx + 100);
      y = Uniform(-100, size.cy + 100);
    } else {
      x = Uniform(-32768, 32767);
      y = Uniform(-32768, 32767);
    }
    const WPARAM keys = Uniform(0, 4) == 0 ? MK_SHIFT : Uniform(0, 4) == 0 ? MK_CONTROL : 0;
    game_.Click(x, y, keys);
  }

  void TypeCharacter() {
    ++actions_;
    static const char kKeys[] = "12345qwertasdfgzxcvbQWERTASDF !";
    const char c = Uniform(0, 3) == 0 ? static_cast<char>(Uniform(1, 255))
                                      : kKeys[Uniform(0, static_cast<int>(sizeof kKeys) - 2)];
    game_.TypeChar(c, Uniform(0, 3) == 0);
  }

  // A real key press of F1, F2 or F3 through the system's input queue, when the game
  // can be brought to the front (not while one of its dialogs holds it).
  void FunctionKey() {
    ++actions_;
    if (!OpenDialogs(game_.ProcessId()).empty() || IsIconic(game_.Window())) return;
    SetForegroundWindow(game_.Window());
    if (!WaitUntil(500, [&] { return GetForegroundWindow() == game_.Window(); })) return;
    const WORD key = static_cast<WORD>(VK_F1 + Uniform(0, 2));
    INPUT inputs[2] = {};
    for (int i = 0; i < 2; ++i) {
      inputs[i].type = INPUT_KEYBOARD;
      inputs[i].ki.wVk = key;
      inputs[i].ki.wScan = static_cast<WORD>(MapVirtualKeyA(key, MAPVK_VK_TO_VSC));
      inputs[i].ki.dwFlags = i == 0 ? 0 : KEYEVENTF_KEYUP;
    }
    SendInput(2, inputs, sizeof(INPUT));
  }

  // Any id from 500 to 540 but Quit, as from the menu or as from an accelerator.
  void AnyCommand() {
    ++actions_;
    int id = Uniform(500, 540);
    if (id == kQuit) id = 521;
    game_.PostMsg(WM_COMMAND, MAKEWPARAM(id, Uniform(0, 1)), 0);
  }

  void OpenDialog() {
    ++actions_;
    static const uint16_t kOpeners[] = {522, 533, 531};  // Level, Instructions, About
    game_.Command(kOpeners[Uniform(0, 2)]);
  }

  // From 0 x 0 up to the whole screen, and maximised now and then.
  void Resize() {
    ++actions_;
    const int kind = Uniform(0, 9);
    int w, h;
    if (kind == 0) {
      w = h = 0;
    } else if (kind <= 2) {
      w = Uniform(0, 60), h = Uniform(0, 60);
    } else if (kind == 3) {
      w = screen_.cx, h = screen_.cy;
    } else if (kind == 4) {
      game_.PostMsg(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
      return;
    } else {
      w = Uniform(0, screen_.cx), h = Uniform(0, screen_.cy);
    }
    SetWindowPos(game_.Window(), nullptr, 0, 0, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void MinimiseOrRestore() {
    ++actions_;
    game_.PostMsg(WM_SYSCOMMAND, Uniform(0, 1) == 0 ? SC_MINIMIZE : SC_RESTORE, 0);
  }

  struct Seen {
    HWND window;
    double closeAt;  // -1 once closed
  };

  Game& game_;
  std::mt19937 rng_;
  SIZE screen_;
  std::vector<Seen> seen_;
  int actions_ = 0, dialogsClosed_ = 0, dialogsSeen_ = 0;
};

// Sends a message and waits for the game's thread to take it; the time it took.
bool Answers(const Game& game, double* tookMs) {
  const double start = NowMs();
  DWORD_PTR result = 0;
  const bool answered =
      SendMessageTimeoutA(game.Window(), WM_NULL, 0, 0, SMTO_NORMAL, kAnswerLimitMs, &result) != 0;
  *tookMs = NowMs() - start;
  return answered;
}

}  // namespace

E2E_CASE(storm_of_input_commands_resizes_and_dialogs) {
  uint32_t seed = static_cast<uint32_t>(GetTickCount());
  if (const char* fixed = std::getenv("E2E_STORM_SEED")) seed = std::strtoul(fixed, nullptr, 10);
  Note("seed %lu (set E2E_STORM_SEED to repeat it)", static_cast<unsigned long>(seed));

  Game game;
  game.SetClientSize(640, 480);
  E2E_REQUIRE(game.Sync(), "the game does not answer before the storm");
  const SIZE_T memoryBefore = PrivateBytes(game.Process());

  Storm storm(game, seed);
  const double start = NowMs();
  double nextCheck = start, slowest = 0;
  int checks = 0;
  while (NowMs() - start < kStormMs) {
    storm.Step();
    if (NowMs() < nextCheck) continue;
    E2E_REQUIRE(game.Running(), "the game ended during the storm after %d actions",
                storm.actions());
    double took = 0;
    const bool answered = Answers(game, &took);
    E2E_REQUIRE(answered, "no answer within %lu ms after %d actions", kAnswerLimitMs,
                storm.actions());
    if (took > slowest) slowest = took;
    ++checks;
    nextCheck = NowMs() + 200;
  }
  Note("%d actions, %d dialogs seen, %d closed by the storm, %d checks, slowest answer %.0f ms",
       storm.actions(), storm.dialogsSeen(), storm.dialogsClosed(), checks, slowest);
  E2E_CHECK(storm.dialogsSeen() > 0, "no dialog opened during the storm");

  // Afterwards: no dialog left, the window whole again and the game still playing.
  E2E_REQUIRE(storm.CloseAllDialogs(10000), "dialogs stay open");
  E2E_REQUIRE(WaitUntil(6000,
                        [&] {
                          if (!IsIconic(game.Window()) && !IsZoomed(game.Window())) return true;
                          game.PostMsg(WM_SYSCOMMAND, SC_RESTORE, 0);
                          Sleep(300);
                          return false;
                        }),
              "the window was not restored");
  E2E_CHECK(GameWindows(game.ProcessId()).size() == 1, "%u game windows",
            static_cast<unsigned>(GameWindows(game.ProcessId()).size()));

  // The storm's Level dialogs may have changed the board: take board 2 (index 1) again.
  game.Command(522);
  HWND level = nullptr;
  E2E_REQUIRE(WaitUntil(5000,
                        [&] {
                          const std::vector<HWND> open = OpenDialogs(game.ProcessId());
                          level = open.empty() ? nullptr : open[0];
                          return level != nullptr && GetDlgItem(level, 640) != nullptr;
                        }),
              "the Level dialog did not open after the storm");
  SendMessageA(GetDlgItem(level, 640), CB_SETCURSEL, 1, 0);
  PostMessageA(level, WM_COMMAND, IDOK, 0);
  E2E_REQUIRE(WaitUntil(5000, [&] { return OpenDialogs(game.ProcessId()).empty(); }),
              "the Level dialog did not close");
  game.SetClientSize(640, 480, 1);
  const Geometry g = game.Layout(1);
  game.Command(kFreePlay);
  E2E_REQUIRE(WaitForStatus(game, g, kFreePlayColour, 3000), "no free play after the storm");
  game.ClickSquare(g, 2);
  E2E_CHECK(WaitForLit(game, g, 2, 3000), "a click after the storm did not light its square");
  E2E_CHECK(WaitForLit(game, g, -1, 3000), "the flash did not end after the storm");

  const SIZE_T memoryAfter = PrivateBytes(game.Process());
  if (memoryBefore != 0 && memoryAfter != 0) {
    const double grownMb = (static_cast<double>(memoryAfter) - memoryBefore) / (1024.0 * 1024.0);
    Note("private memory %.1f MB before the storm, %.1f MB after", memoryBefore / (1024.0 * 1024.0),
         memoryAfter / (1024.0 * 1024.0));
    E2E_CHECK(grownMb < 32, "private memory grew by %.1f MB during the storm", grownMb);
  }

  // Quit, as the menu does: exit code 0.
  game.Command(kQuit);
  E2E_CHECK(game.WaitForExit(10000) == 0, "exit code after Quit");
}
