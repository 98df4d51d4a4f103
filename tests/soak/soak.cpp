#include "tests/soak/soak.h"

#include <windows.h>
// After windows.h, which they need:
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>

#include "tests/e2e/game_dialogs.h"

using namespace e2e;

namespace soak {

namespace {

// ---------------------------------------------------------------------------
// Dialogs

// Waits, within `limitMs`, looking every millisecond.
bool Within(DWORD limitMs, const std::function<bool()>& condition) {
  return WaitUntil(limitMs, condition, 1);
}

// Waits for the game's dialog and has it painted with its controls before it closes, as
// a player sees it: the game's thread paints whatever part of them is not painted yet
// before RedrawWindow returns.
HWND PaintedDialog(const Game& game, const char* caption) {
  HWND dialog = WaitForDialog(game, caption, 5000, 1);
  E2E_REQUIRE(dialog != nullptr, "\"%s\" did not open", caption);
  RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  return dialog;
}

// Opened from the menu, closed as `button` would (a posted WM_COMMAND), and gone.
void DialogCycle(Session& s, Command command, const char* caption, WPARAM button) {
  s.game.Command(command);
  HWND dialog = PaintedDialog(s.game, caption);
  PostMessageA(dialog, WM_COMMAND, button, 0);
  E2E_REQUIRE(Within(5000, [&] { return !IsWindow(dialog); }), "\"%s\" did not close", caption);
}

void LevelCycle(Session& s, int) { DialogCycle(s, kLevel, kLevelCaption, IDOK); }
void InstructionsCycle(Session& s, int) {
  DialogCycle(s, kInstructions, kInstructionsCaption, IDCANCEL);
}
void AboutCycle(Session& s, int) { DialogCycle(s, kAbout, kAboutBoxCaption, IDOK); }

// F3 and F1 pressed for real (through the accelerators), each dialog closed with Escape.
void KeysCycle(Session& s, int) {
  for (const auto& d :
       {std::make_pair(VK_F3, kLevelCaption), std::make_pair(VK_F1, kInstructionsCaption)}) {
    s.game.PressKey(d.first);
    HWND dialog = PaintedDialog(s.game, d.second);
    E2E_REQUIRE(Within(3000, [&] { return GetForegroundWindow() == dialog; }),
                "\"%s\" is not in front", d.second);
    SendKeyPress(VK_ESCAPE);
    E2E_REQUIRE(Within(5000, [&] { return !IsWindow(dialog); }), "Escape did not close \"%s\"",
                d.second);
  }
}

// Board index 1 (2 x 2 squares) and the first skill (6 notes), through the Level dialog.
void ChooseShortGames(Session& s) {
  s.game.SetClientSize(640, 480);
  ChooseLevel(s.game, 1, 0);
}

// ---------------------------------------------------------------------------
// Resizes and repaints

unsigned NextRandom(Session& s) {
  s.random = s.random * 1103515245u + 12345u;
  return (s.random >> 8) & 0xFFFFFF;
}

// A client area from the narrowest the system allows (one in ten under 60 x 60) to the
// whole screen, then the repaint that follows it.
void ResizeCycle(Session& s, int) {
  HWND window = s.game.Window();
  RECT outer = {}, client = {};
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  const int extraWidth = (outer.right - outer.left) - client.right;
  const int extraHeight = (outer.bottom - outer.top) - client.bottom;
  const int leastWidth = GetSystemMetrics(SM_CXMINTRACK) - extraWidth;
  const int mostWidth = GetSystemMetrics(SM_CXSCREEN) - extraWidth;
  const int mostHeight = GetSystemMetrics(SM_CYSCREEN) - extraHeight;
  int width, height;
  if (NextRandom(s) % 10 == 0) {
    width = 1 + static_cast<int>(NextRandom(s) % 60);
    height = 1 + static_cast<int>(NextRandom(s) % 60);
  } else {
    width = 61 + static_cast<int>(NextRandom(s) % static_cast<unsigned>(mostWidth - 60));
    height = 61 + static_cast<int>(NextRandom(s) % static_cast<unsigned>(mostHeight - 60));
  }
  if (width < leastWidth) width = leastWidth;
  if (width == client.right && height == client.bottom) height += height < mostHeight ? 1 : -1;
  const long long paints = s.probe.Paints();
  SetWindowPos(window, nullptr, 0, 0, width + extraWidth, height + extraHeight,
               SWP_NOZORDER | SWP_NOACTIVATE);
  const SIZE size = s.game.ClientSize();
  E2E_REQUIRE(size.cx == width && size.cy == height, "client area %ld x %ld, wanted %d x %d",
              size.cx, size.cy, width, height);
  E2E_REQUIRE(Within(5000, [&] { return s.probe.Paints() > paints; }),
              "no repaint after a resize to %d x %d", width, height);
}

// Minimised and restored, or maximised and restored, through the system commands;
// restored means repainted.
void SystemCommandCycle(Session& s, WPARAM command, bool (*changed)(HWND)) {
  HWND window = s.game.Window();
  const long long paints = s.probe.Paints();
  s.game.PostMsg(WM_SYSCOMMAND, command, 0);
  E2E_REQUIRE(Within(5000, [&] { return changed(window); }), "the system command %u did nothing",
              static_cast<unsigned>(command));
  s.game.PostMsg(WM_SYSCOMMAND, SC_RESTORE, 0);
  E2E_REQUIRE(Within(5000, [&] { return !changed(window) && s.probe.Paints() > paints; }),
              "the window was not restored");
}

bool Minimised(HWND window) { return IsIconic(window) != FALSE; }
bool Maximised(HWND window) { return IsZoomed(window) != FALSE; }
void MinimiseCycle(Session& s, int) { SystemCommandCycle(s, SC_MINIMIZE, &Minimised); }
void MaximiseCycle(Session& s, int) { SystemCommandCycle(s, SC_MAXIMIZE, &Maximised); }

// Samples are taken at one size, so that the window's drawing surface weighs the same.
void BackTo640x480(Session& s) { s.game.SetClientSize(640, 480); }

void StartFreePlay(Session& s) {
  s.game.SetClientSize(640, 480);
  s.game.Command(kFreePlay);
  E2E_REQUIRE(WaitForStatus(s.game, s.game.Layout(1), kFreePlayColour, 5000), "no free play");
}

// Invalidates the whole client area with erasing and has it painted at once: the
// game's thread erases and paints before RedrawWindow returns.
void RepaintCycle(Session& s, int cycle) {
  const long long paints = s.probe.Paints();
  RedrawWindow(s.game.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  E2E_REQUIRE(WaitUntil(
                  5000, [&] { return s.probe.Paints() > paints; }, 0),
              "repaint %d did not happen", cycle);
}

// ---------------------------------------------------------------------------
// Sound requests

// In free play every press of a square asks for its note, after a stop of the note
// still sounding. One press in a hundred waits until its flash is over, so that the
// tick's stop request comes too.
void PressCycle(Session& s, int cycle) {
  const Geometry g = s.game.Layout(1);
  const int square = cycle % 4;
  s.game.ClickSquare(g, square);
  if (cycle % 100 == 0) {
    E2E_REQUIRE(WaitForLit(s.game, g, square, 3000), "press %d did not light square %d", cycle,
                square);
    E2E_REQUIRE(WaitForLit(s.game, g, -1, 3000), "the flash of press %d did not end", cycle);
  } else {
    E2E_REQUIRE(s.game.Sync(), "the game does not answer after press %d", cycle);
    Sleep(4);
  }
}

void SoundOffFreePlay(Session& s) {
  s.game.Command(kSound);
  StartFreePlay(s);
}

// ---------------------------------------------------------------------------
// Whole games

// Plays one whole game on board index 1, watching each playback on the screen and
// repeating it, until it is won or lost.
void PlayWholeGame(Session& s) {
  PlayChecks checks;
  checks.playback = [](int, const Playback& p, const std::vector<int>&) {
    E2E_REQUIRE(p.reachedYourTurn || p.ended, "the playback did not end");
  };
  checks.pressed = [](int, size_t, int square, bool lit) {
    E2E_REQUIRE(lit, "square %d did not light", square);
  };
  checks.answered = [](int round, RoundEnd end) {
    E2E_REQUIRE(end != RoundEnd::kNoAnswer, "no answer to a repeated sequence of %d", round);
  };
  WindowPlayer player(s.game.Window());
  const double asked = NowMs();
  s.game.Command(kNewGame);
  const GamePlayed played = screen::PlayWholeGame(player, checks, asked, 0, 5);
  ++(played.won ? s.gamesWon : s.gamesLost);
}

void GameCycle(Session& s, int) { PlayWholeGame(s); }

// A game is played first: the window is left as it is between games.
void PlayOneGame(Session& s) {
  ChooseShortGames(s);
  PlayWholeGame(s);
}

// One second of the game left alone.
void IdleCycle(Session& s, int cycle) {
  const double until = s.start + cycle * 1000.0;
  const double now = NowMs();
  if (until > now) Sleep(static_cast<DWORD>(until - now));
  E2E_REQUIRE(s.game.Running(), "the game ended while idle");
}

void Nothing(Session&) {}

// ---------------------------------------------------------------------------
// Accessibility requests

// A screen reader's request from another process, as at each event it hears: the client
// area's object, and its name.
void AccessibleCycle(Session& s, int cycle) {
  IAccessible* object = RemoteClientObject(s.game.Window());
  ProbeText name = {};
  ReadText(object, &IAccessible::get_accName, &SysFreeString, name);
  if (object != nullptr) object->Release();
  E2E_REQUIRE(name.result == S_OK, "request %d: 0x%08lX", cycle,
              static_cast<unsigned long>(name.result));
}

// A screen reader keeps the object it read last (its focus): the first request's is held
// for the soak, and with it the game's connection serving it, as for a screen reader.
void FirstRequest(Session& s) {
  static IAccessible* held = nullptr;
  if (held != nullptr) held->Release();
  held = RemoteClientObject(s.game.Window());
}

// Wine serves the calls on threads of a pool, started when calls come close together and
// ended after 5 s without work, each with about 1 MB of its own: from the 1000th
// request on, a sample waits 7 s, when the pool is at its smallest.
void LetThePoolShrink(Session& s) {
  if (s.cycle >= 1000) Sleep(7000);
}

std::string Line(const char* kind, const Sample& sample) {
  char text[128];
  snprintf(text, sizeof text, "sample %s %d %.0f %llu ", kind, sample.cycle, sample.ms,
           static_cast<unsigned long long>(sample.privateBytes));
  return text + Describe(sample.objects);
}

}  // namespace

SIZE_T PrivateBytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof counters;
  if (!K32GetProcessMemoryInfo(process, &counters, sizeof counters)) return 0;
  return counters.PagefileUsage;
}

const char* GdiKindName(int kind) {
  static const char* const kNames[kGdiKinds] = {
      "dc", "region", "bitmap", "palette", "colourspace", "font", "brush", "pen", "other"};
  return kind >= 0 && kind < kGdiKinds ? kNames[kind] : "?";
}

std::string Describe(const Objects& objects) {
  std::string text = "gdi " + std::to_string(objects.gdi) + " (";
  for (int k = 0; k < kGdiKinds; ++k) {
    text += std::string(k ? " " : "") + GdiKindName(k) + " " + std::to_string(objects.gdiByKind[k]);
  }
  text += ") windows " + std::to_string(objects.windows) + " menus " +
          std::to_string(objects.menus) + " icons " + std::to_string(objects.cursorsAndIcons) +
          " accelerators " + std::to_string(objects.acceleratorTables) + " guiresources " +
          std::to_string(objects.guiResourcesGdi) + " " + std::to_string(objects.guiResourcesUser);
  return text;
}

const std::vector<Kind>& Kinds() {
  static const std::vector<Kind> kinds = {
      {"level", "the Level dialog opened and closed with OK", &Nothing, &LevelCycle, nullptr},
      {"instructions", "the Instructions dialog opened and closed", &Nothing, &InstructionsCycle,
       nullptr},
      {"about", "the About box opened and closed", &Nothing, &AboutCycle, nullptr},
      {"resize", "a resize and the repaint after it", &BackTo640x480, &ResizeCycle, &BackTo640x480},
      {"repaint", "a full repaint in free play", &StartFreePlay, &RepaintCycle, nullptr},
      {"sound-on", "a press in free play, sound on", &StartFreePlay, &PressCycle, nullptr},
      {"sound-off", "a press in free play, sound off", &SoundOffFreePlay, &PressCycle, nullptr},
      {"games", "a whole game to 6 notes", &ChooseShortGames, &GameCycle, nullptr},
      {"idle", "a second left alone between games", &PlayOneGame, &IdleCycle, nullptr},
      // What else the end-to-end storm does, one thing at a time.
      {"keys", "F3 and F1 pressed, each dialog closed with Escape", &Nothing, &KeysCycle, nullptr},
      {"minimise", "minimised and restored", &BackTo640x480, &MinimiseCycle, nullptr},
      {"maximise", "maximised and restored", &BackTo640x480, &MaximiseCycle, nullptr},
      {"accessible", "a screen reader's request from another process", &FirstRequest,
       &AccessibleCycle, &LetThePoolShrink},
  };
  return kinds;
}

const Kind* FindKind(const std::string& name) {
  for (const Kind& kind : Kinds())
    if (name == kind.name) return &kind;
  return nullptr;
}

const Sample& Run::At(int cycle) const {
  for (const Sample& sample : samples)
    if (sample.cycle >= cycle) return sample;
  return samples.back();
}

long long Run::Growth(int fromCycle) const {
  return static_cast<long long>(samples.back().privateBytes) -
         static_cast<long long>(At(fromCycle).privateBytes);
}

void RunKind(const Kind& kind, int cycles, int every, bool print, Run* run) {
  Game game;
  Probe probe(game);
  probe.Count();  // what counting itself takes is in the game before the first sample
  Session session{game, probe};
  kind.prepare(session);

  auto sample = [&](int cycle, double start) {
    if (kind.beforeSample != nullptr) kind.beforeSample(session);
    // Whatever the last cycle set going is over: sent and posted messages handled.
    E2E_REQUIRE(game.Sync(), "the game does not answer");
    Sleep(20);
    E2E_REQUIRE(game.Sync(), "the game does not answer");
    Sample s;
    s.cycle = cycle;
    s.ms = cycle == 0 ? 0 : NowMs() - start;
    s.privateBytes = PrivateBytes(game.Process());
    s.objects = probe.Count();
    if (print) Note("%s", Line(kind.name, s).c_str());
    run->samples.push_back(s);
  };

  sample(0, 0);
  const long long ticks = probe.Ticks();
  const double lastTick = probe.LastTickMs();
  const double start = session.start = NowMs();
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    kind.cycle(session, cycle);
    session.cycle = cycle;
    if (cycle == 1 || cycle == 10 || cycle == 100 || cycle % every == 0 || cycle == cycles)
      sample(cycle, start);
  }
  run->elapsedMs = NowMs() - start;
  run->ticks = probe.Ticks() - ticks;
  run->tickSpanMs = probe.LastTickMs() - lastTick;
  run->gamesWon = session.gamesWon;
  run->gamesLost = session.gamesLost;
  if (print) {
    Note("ticks %s %lld %.1f %.1f", kind.name, run->ticks, run->tickSpanMs, run->elapsedMs);
    if (run->gamesWon + run->gamesLost > 0)
      Note("games %s %d won %d lost", kind.name, run->gamesWon, run->gamesLost);
  }
  E2E_CHECK(game.CloseAndWait() == 0, "exit code");
}

}  // namespace soak
