// End-to-end test driver for the game: every case starts the real program and acts
// on it only from outside, as a player would (posted window messages, real key
// presses), and judges it only by what it shows (the pixels of its client area,
// its window properties) and by how its process ends.
//
// Writing a case
//   Put it in a cases_<topic>.cpp file of this folder (each one is compiled into the
//   driver and registers itself):
//
//     #include "tests/e2e/e2e.h"
//     using namespace e2e;
//
//     E2E_CASE(free_play_lights_a_square) {
//       Game game;                               // launched, window found and shown
//       game.SetClientSize(640, 480);            // exact client area, window on screen
//       game.Command(kFreePlay);                 // WM_COMMAND, as the menu would send
//       Geometry g = game.Layout(1);             // board index 1 on the current size
//       game.ClickSquare(g, 1);
//       E2E_REQUIRE(WaitUntil(2000, [&] { return game.Capture().LitSquare(g) == 1; }),
//                   "square 1 did not light");
//       E2E_CHECK(game.CloseAndWait() == 0, "exit code");
//     }
//
//   E2E_CHECK records a failure and goes on; E2E_REQUIRE records it and ends the case.
//   Both take a printf-style message. A case passes when it records no failure.
//   Any game still running when its Game object goes out of scope is terminated (and
//   that is not a failure in itself: cases that test shut-down call CloseAndWait).
//
// Timing
//   Every wait is bounded: WaitUntil takes a limit in milliseconds, and a case that
//   runs longer than 120 s fails (tests/e2e/wine.sh ends it). Timing assertions must
//   allow for a busy shared machine: accept roughly 0.7x to 2x the nominal duration.
//   The game ticks every 50 ms; poll faster than that to see one-tick changes.
//   A case that fails now and then is a failing case: find why (in the game or in the
//   case) and mend that; never run it again until it passes. A case that draws random
//   actions draws them from a seed it prints, so that a failure replays.
//
// Running
//   Each case is a test of CTest, e2e_<case>, in each Windows build tree (labels e2e,
//   and soak for the soak_ cases); a fixture sets up the X server, the wine prefix and
//   the wineserver once (tests/e2e/wine.sh):
//     ctest --preset e2e-x64                      every case of build/x64
//     ctest --preset e2e-x64 -R e2e_free_play_keys   one case
//   e2e_driver.exe GAME.EXE CASE...   runs the cases named; exit code 1 on any failure
//   e2e_driver.exe --list             prints the names of the cases
//   Game::SaveScreenshot writes <case>-<label>.bmp beside the driver for a look.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/outside.h"

namespace e2e {

// ---------------------------------------------------------------------------
// Cases and checks

using CaseBody = std::function<void()>;

// Adds a case to the run; cases made from a table of data register this way.
void RegisterCase(std::string name, CaseBody body);

struct CaseRegistrar {
  CaseRegistrar(const char* name, CaseBody body) { RegisterCase(name, std::move(body)); }
};

#define E2E_CASE(name)                                                             \
  static void e2e_case_##name();                                                   \
  static const ::e2e::CaseRegistrar e2e_registrar_##name(#name, &e2e_case_##name); \
  static void e2e_case_##name()

// Records a failure of the running case (file, line, condition and message).
void RecordFailure(const char* file, int line, const char* condition, const char* format, ...);
// Thrown by E2E_REQUIRE to end the case; caught by the driver.
struct CaseAbort {};

#define E2E_CHECK(condition, ...)                                                        \
  do {                                                                                   \
    if (!(condition)) ::e2e::RecordFailure(__FILE__, __LINE__, #condition, __VA_ARGS__); \
  } while (0)

#define E2E_REQUIRE(condition, ...)                                      \
  do {                                                                   \
    if (!(condition)) {                                                  \
      ::e2e::RecordFailure(__FILE__, __LINE__, #condition, __VA_ARGS__); \
      throw ::e2e::CaseAbort{};                                          \
    }                                                                    \
  } while (0)

// Prints a line of progress under the running case (printf-style).
void Note(const char* format, ...);

// ---------------------------------------------------------------------------
// The game under test

// Path of the game's executable (from the driver's command line).
const std::string& GamePath();

class Game {
 public:
  // Starts the game (the one under test, or a copy of it), in `directory` (the driver's
  // own when empty), and waits (bounded) until its main window is visible; a case cannot
  // go on without it, so failures here end the case.
  explicit Game(const std::string& executable = GamePath(), const std::string& directory = "");
  ~Game();
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;

  HWND Window() const { return window_; }
  DWORD ProcessId() const { return processId_; }
  HANDLE Process() const { return process_; }

  // Moves the window to its place on the screen (the top-left corner unless PlaceAt
  // said otherwise) and sizes it so that its client area is exactly width x height;
  // then waits (bounded) until the game has repainted at that size (its grid lines
  // are where they belong for the board given). Keep windows apart: whatever covers
  // a window shows in its captures.
  void SetClientSize(int width, int height, int board = 1);
  // Where SetClientSize puts the window's top-left corner, in screen pixels.
  void PlaceAt(int x, int y);
  SIZE ClientSize() const;
  // The geometry of `board` on the current client size.
  Geometry Layout(int board = 1) const;

  // The client area as shown on the screen.
  Frame Capture() const;
  // Saves the current client area as a BMP beside the driver, named after the case.
  void SaveScreenshot(const char* label) const;

  // Posted input, as the window would receive it.
  void Click(int x, int y, WPARAM keyFlags = MK_LBUTTON) const;  // button down and up
  void ClickSquare(const Geometry& g, int square) const;         // at its centre
  void TypeChar(char c, bool autoRepeat = false) const;          // WM_CHAR
  void Command(::Command command) const;                         // WM_COMMAND from a menu
  void PostMsg(UINT message, WPARAM wParam, LPARAM lParam) const;
  // Waits (bounded) until the game's thread has handled everything sent to it so far.
  bool Sync(DWORD limitMs = 5000) const;

  // Real key presses through the system's input queue (SendInput), after bringing the
  // window to the front: they go through the game's message loop, so accelerators and
  // the translation of keys into characters take part. `modifiers` are virtual keys
  // held down around the key (e.g. {VK_SHIFT}). `front`: another window of the game to
  // bring to the front instead, such as an open dialog, which then gets the keys.
  void PressKey(WORD virtualKey, const std::vector<WORD>& modifiers = {},
                HWND front = nullptr) const;

  // Asks the window to close (WM_CLOSE) and waits for the process to end. Returns its
  // exit code, or -1 if it did not end in time (it is then terminated).
  long CloseAndWait(DWORD limitMs = 10000);
  // Waits for the process to end by itself; exit code or -1 on time-out.
  long WaitForExit(DWORD limitMs);
  bool Running() const;

 private:
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
  HWND window_ = nullptr;
  POINT origin_ = {0, 0};
};

// An item of the game's menu bar, as the game's own thread sees it.
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

// The game probe (outside.h) placed on the game of a case, which cannot go on without
// it: what the game's own thread takes, counts and sees.
class Probe final : public GameProbe {
 public:
  explicit Probe(const Game& game);

  // Posts a marker and waits (bounded) until the game's thread has taken it, and with
  // it everything posted to the game before it.
  bool Settle(DWORD limitMs = 5000) { return GameProbe::Settle(game_.Window(), limitMs); }
  // Key releases the game's thread has taken (real key presses, see Game::PressKey).
  long KeyUps() const { return Block().keyUps; }
  // Ticks and paints of the main window since the probe was placed.
  long long Ticks() const { return Block().ticks; }
  long long Paints() const { return Block().paints; }

  // Has the game handle WM_INITMENU for its menu bar (or for `menu`), as when the menu is
  // entered.
  void InitMenu(HMENU menu = nullptr) const;
  // Every item of the menu bar, depth first.
  std::vector<MenuItem> Menu() const;
  // The item of a command in one of the menus.
  MenuItem Item(Command command) const;
  // The objects of the game's process (ends the case when the game does not answer).
  ObjectCounts Count() const;

 private:
  const Game& game_;
};

// Plays a whole game on board index 1 (tests/support/whole_game.h) and checks every
// round as it goes: each playback replays the sequence so far and adds one square,
// "Your turn" and the status panel of the skill shown as `skill` (1-based), each press
// lit, "OK" after each repeat; then the won board after round `target`.
void WinWholeGame(const Game& game, const Geometry& g, int skill, int target);

// Waits (bounded) until the status word of `colour` shows in status line 5.
bool WaitForStatus(const Game& game, const Geometry& g, Colour colour, DWORD limitMs);
// Sends `command` from the menu and waits (bounded, 3 s) until status line 5 shows the
// word of `colour`; the case cannot go on without it and ends with `missing`.
void CommandUntilStatus(const Game& game, const Geometry& g, Command command, Colour colour,
                        const char* missing);
// The start of most cases: the client area at 640 x 480 and the layout of board index 1
// on it; with a command, that command next, as CommandUntilStatus.
Geometry At640(Game& game);
Geometry At640(Game& game, Command command, Colour colour, const char* missing);
// Waits (bounded) until LitSquare of the screen equals `square` (-1: all dark).
bool WaitForLit(const Game& game, const Geometry& g, int square, DWORD limitMs,
                const Colour* colours = kBoard1Colours);

// Polls for `periodMs` (HoldsFor); true when no square lit meanwhile.
bool StaysDark(const Game& game, const Geometry& g, DWORD periodMs);

// The checks below save a screenshot when they fail, named after the running case: they
// are the driver's own (checks.cpp), not in e2e_support.

// Waits (bounded) until the client area shows the grid of `g` and nothing else outside
// the `allowed` boxes (Frame::CheckGridOnly); otherwise saves a screenshot, and
// `problems` says what is wrong.
bool WaitForGridOnly(const Game& game, const Geometry& g, const std::vector<Box>& allowed,
                     DWORD limitMs, std::string* problems);
// The same, for a case that cannot go on without it.
void RequireGridOnly(const Game& game, const Geometry& g, const std::vector<Box>& allowed = {},
                     DWORD limitMs = 2000);

// What the status panel must show: skill and board as shown (1-based), length, target,
// and the status word with its colour.
struct Panel {
  int skill, board, length, target;
  const char* word;
  Colour colour;
};
// Waits (bounded) until the status panel shows exactly that (see CheckStatusPanel);
// otherwise records a failure, naming `when`, and saves a screenshot.
void ExpectPanel(const Game& game, const Geometry& g, const Panel& want, const char* when,
                 DWORD limitMs = 2000);

// Runs a program (not the game) in `directory` until it ends; its exit code, or -1 when
// it had to be ended after `limitMs`.
long RunProgram(const std::string& executable, const std::string& directory, DWORD limitMs);

// Number of running processes whose executable has this file name (e.g. "zirirar.exe").
int CountProcesses(const char* exeName);
// Full paths of the modules loaded in a process: all of them, or those whose file name
// is `name` (without regard to case, e.g. "winmm.dll").
std::vector<std::string> LoadedModules(DWORD processId, const char* name = nullptr);

// A fresh folder of the driver's temporary folder for copies of files; removed, with
// the copies, when it goes out of scope.
class ScratchFolder {
 public:
  explicit ScratchFolder(const char* purpose);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "\\" + name; }
  // Copies a file into the folder under `name`; a case cannot go on without it.
  std::string Copy(const std::string& from, const std::string& name);

 private:
  std::string path_;
  std::vector<std::string> files_;
};

// DLL load orders that wine applies to one program, by its file name (the DllOverrides
// key of its AppDefaults; Windows ignores it). Each entry is a DLL and its order, such as
// {"winmm", "native,builtin"}; an empty order keeps the DLL from loading at all. Removed
// when it goes out of scope.
class ProgramDllOverrides {
 public:
  ProgramDllOverrides(const std::string& program,
                      const std::vector<std::pair<std::string, std::string>>& orders);
  ~ProgramDllOverrides();
  ProgramDllOverrides(const ProgramDllOverrides&) = delete;
  ProgramDllOverrides& operator=(const ProgramDllOverrides&) = delete;

 private:
  std::string key_;
};

}  // namespace e2e
