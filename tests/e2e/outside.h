// Seeing and driving the game's window from another process, as a player's eyes and
// hands would: the clock, the colours and geometry the game must show, copies of its
// client area, its windows, clicks and resizes. Shared by the end-to-end driver and
// the benchmark's driver; nothing here fails a case by itself.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/probe/game_probe.h"
#include "tests/support/frame.h"
#include "tests/support/whole_game.h"

namespace e2e {

// The colours, geometry and frames of what the game shows (tests/support/frame.h).
using namespace screen;

// ---------------------------------------------------------------------------
// Time

// Milliseconds from an arbitrary start, with sub-millisecond resolution.
double NowMs();

// Polls `condition` every `pollMs` until it holds (true) or `limitMs` have passed
// (false). The condition is always evaluated at least once, and once more at the end.
bool WaitUntil(DWORD limitMs, const std::function<bool()>& condition, DWORD pollMs = 5);
// Polls `condition` every `pollMs` for `periodMs`; true when it held every time.
// For "nothing happens" checks: make the period long enough for the game to have
// reacted had it been going to (a few hundred milliseconds).
bool HoldsFor(DWORD periodMs, const std::function<bool()>& condition, DWORD pollMs = 5);

// ---------------------------------------------------------------------------
// What the game looks like: colours, geometry, pixels

Colour WindowColour();      // the system window colour: the background
Colour WindowTextColour();  // the system window-text colour: grid and status text

// ---------------------------------------------------------------------------
// What a player's tools see of the menu and the dialogs

// The number the game's menu and shortcut keys send for each command (frame.h names
// them), stated here on its own, not taken from the game's header, so that a renumbered
// item fails the menu cases. Box captions are in frame.h too.
constexpr uint16_t CommandNumber(Command command) {
  // NewGame, Level, FreePlay, Sound, Quit, Instructions, About
  constexpr uint16_t kNumbers[kCommandCount] = {521, 522, 523, 524, 526, 533, 531};
  return kNumbers[static_cast<int>(command)];
}
// The window class of every dialog box and message box, and the controls of the Level
// and Instructions boxes:
constexpr char kDialogClass[] = "#32770";
constexpr int kBoardList = 640, kSkillList = 642, kHelpBox = 658;

// Compares the status panel of a frame with the one the game must show for these values,
// drawn here with the platform's own fonts: skill and board numbers as shown (1-based),
// length, target, and the status word with its colour (word null: an idle, blank
// panel). Returns an empty string when every pixel of the panel matches.
std::string CheckStatusPanel(const Frame& frame, const Geometry& g, int skill, int board,
                             int length, int target, const char* word, Colour wordColour);

// Writes the frame as a 32-bit BMP file (for looking at failures).
bool SaveBmp(const Frame& frame, const std::string& path);

// The pixel density (LogPixels) of the screen as the games started from now on see
// it, at which CheckStatusPanel draws the text it compares with; 0, the default, is
// the driver's own screen's. For cases that start games at another density.
void SetGamesScreenDpi(int dpi);

// A bitmap of width x height pixels of 32 bits, top-down, whose pixels `bits` points at
// (0x00RRGGBB each, as numbers); for copying a window into, or painting into.
HBITMAP CreatePixelBitmap(HDC dc, int width, int height, void** bits);

// Such a bitmap selected into a memory device context of its own, for drawing here what
// the game must show or copying what it shows; freed when it goes out of scope.
class PixelCanvas {
 public:
  PixelCanvas(int width, int height);
  ~PixelCanvas();
  PixelCanvas(const PixelCanvas&) = delete;
  PixelCanvas& operator=(const PixelCanvas&) = delete;

  HDC Dc() const { return dc_; }
  bool Ready() const { return bits_ != nullptr; }
  // What it holds now (empty when the bitmap could not be made).
  Frame Pixels() const;

 private:
  int width_, height_;
  HDC dc_;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  void* bits_ = nullptr;
};

// ---------------------------------------------------------------------------
// The game's windows

// Top-level windows of a class, of one process (0: any), optionally visible ones only.
std::vector<HWND> TopWindows(const char* className, DWORD processId, bool visibleOnly);
// Windows of the game's class that belong to process `processId` (0: any process).
std::vector<HWND> GameWindows(DWORD processId = 0);

// A copy of the window's client area as it is on the screen, or of the part of it in
// `part` (when not empty); pixel (0, 0) of the frame is the part's top-left corner.
Frame CaptureClient(HWND window, const Box& part = Box{0, 0, 0, 0});

// Moves the window to `origin` on the screen and sizes it so that its client area is
// exactly width x height, waiting each time until the game's thread has taken the
// change; false when the size did not take.
bool SetClientArea(HWND window, POINT origin, int width, int height);

// Posts a left button press and release at a client point, as a click would bring.
void PostClick(HWND window, int x, int y, WPARAM keyFlags = MK_LBUTTON);

// A real key press through the system's input queue (SendInput), to the window in front:
// `modifiers` are virtual keys held down around the key (e.g. {VK_SHIFT}). False when
// the queue did not take every event.
bool SendKeyPress(WORD virtualKey, const std::vector<WORD>& modifiers = {});

// The folder of the running driver, where its libraries are.
std::string DriverDirectory();

// ---------------------------------------------------------------------------
// Inside the game: the game probe (tests/probe/game_probe.h)

// The probe library, from the driver's folder, placed on a game's user-interface
// thread, and the block it fills; removed when this goes out of scope.
class GameProbe {
 public:
  // Creates the block for the process and places the hooks on the thread, which may
  // be the first thread of a process still suspended. Error() says what failed. The
  // end of the first messages' handling is seen only with `timeStartUp`: under wine
  // every kind of hook placed costs the game a call to its server per message.
  GameProbe(DWORD processId, DWORD threadId, bool timeStartUp = false);
  ~GameProbe();
  GameProbe(const GameProbe&) = delete;
  GameProbe& operator=(const GameProbe&) = delete;

  const std::string& Error() const { return error_; }  // empty once placed
  const GameProbeBlock& Block() const { return *block_; }

  // Posts a marker to `window` and waits (bounded) until the game's thread has taken
  // it, and with it everything posted to the game before it, in any of its message
  // loops (its own, a dialog's, a menu's).
  bool Settle(HWND window, DWORD limitMs = 5000);
  // The time at which each recorded tick, and the last tick, was taken, in
  // milliseconds on NowMs's clock (the game and the driver read the same counter).
  std::vector<double> TickTimesMs() const;
  double LastTickMs() const;
  // Has the game's thread describe the menu bar of `window` into the block (see
  // GameProbeBlock::menu); false when it did not answer.
  bool ReadMenu(HWND window) const;
  // Has the game's thread count its process's objects; false when it did not answer.
  bool Count(HWND mainWindow, ObjectCounts* counts) const;
  // Places the probe's WinEvent hook, in context, in the game's process (wine refuses it
  // for one thread of another process): the object changes it sees go to the block.
  bool WatchEvents(DWORD processId);
  GameProbeBlock& Block() { return *block_; }

 private:
  std::string error_;
  HANDLE mapping_ = nullptr;
  GameProbeBlock* block_ = nullptr;
  HMODULE library_ = nullptr;
  std::vector<HHOOK> hooks_;
  HWINEVENTHOOK eventHook_ = nullptr;
  LONG nextMarker_ = 0;
};

// The client area's accessible object of a window, got from this process as a screen
// reader gets it (AccessibleObjectFromWindow), or null; the caller releases it.
IAccessible* RemoteClientObject(HWND window);

// ---------------------------------------------------------------------------
// Playing a whole game (tests/support/whole_game.h)

// The eyes and hands of a whole-game player on a game window.
class WindowPlayer final : public BoardPlayer {
 public:
  explicit WindowPlayer(HWND window) : window_(window) {}
  double NowMs() override { return e2e::NowMs(); }
  bool WaitUntil(int limitMs, const std::function<bool()>& condition, int pollMs) override {
    return e2e::WaitUntil(static_cast<DWORD>(limitMs), condition, static_cast<DWORD>(pollMs));
  }
  Frame Capture() override { return CaptureClient(window_); }
  void Click(int x, int y) override { PostClick(window_, x, y); }

 private:
  HWND window_;
};

}  // namespace e2e
