// Soak measurement of the real game under wine: one kind of operation (a dialog
// opened and closed, a resize, a full repaint, a sound request, a whole game, a second
// of idling) repeated many times on a freshly started game, with the game's private
// bytes and its GDI and USER objects sampled as it goes. Written on the end-to-end
// driver's API: the short runs are end-to-end cases (tests/e2e/cases_soak.cpp), the
// full ones the benchmark's soak driver (bench/soak/).
//
// Private bytes are what K32GetProcessMemoryInfo calls PagefileUsage; wine gives the
// process's resident anonymous memory there (RssAnon plus swap of /proc/PID/status):
// every page the process, wine's code inside it included, has touched and not
// given back.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e.h"

namespace soak {

// The process's private bytes, or 0 when they cannot be read.
SIZE_T PrivateBytes(HANDLE process);

// GDI and USER objects of the game's process, as the probe counts them.
using Objects = ObjectCounts;

// "gdi 14 (dc 0 region 0 bitmap 1 ...) windows 3 menus 3 icons 2 accelerators 1 ..."
std::string Describe(const Objects& objects);

// "dc", "region", "bitmap", ...: the name Describe gives a kind.
const char* GdiKindName(int kind);

// The game probe (e2e::Probe) placed on the game's thread.
using e2e::Probe;

// The game and what a kind keeps between its cycles.
struct Session {
  e2e::Game& game;
  Probe& probe;
  double start = 0;     // NowMs() when the first cycle began
  unsigned random = 1;  // the resizes' sizes, the same every run
  int gamesWon = 0, gamesLost = 0;
  int cycle = 0;  // cycles done
};

struct Kind {
  const char* name;
  const char* what;  // one cycle, for people
  // Once on the fresh game, before the first sample.
  void (*prepare)(Session&);
  // One cycle; ends the case (E2E_REQUIRE) when the operation did not happen.
  void (*cycle)(Session&, int cycle);
  // Before each sample, or null: brings the window to the state every sample sees.
  void (*beforeSample)(Session&);
};

const std::vector<Kind>& Kinds();
const Kind* FindKind(const std::string& name);

struct Sample {
  int cycle = 0;  // cycles done
  double ms = 0;  // since the first cycle began
  SIZE_T privateBytes = 0;
  Objects objects = {};
};

struct Run {
  std::vector<Sample> samples;
  long long ticks = 0;              // ticks taken from the first cycle to the end
  double tickSpanMs = 0;            // from the last tick before the first cycle to the last tick
  double elapsedMs = 0;             // from the first cycle to the end, on the driver's clock
  int gamesWon = 0, gamesLost = 0;  // by the kinds that play games

  // The sample taken once `cycle` cycles were done (the first one at or after it).
  const Sample& At(int cycle) const;
  // Private bytes from the sample at `fromCycle` to the last, in bytes.
  long long Growth(int fromCycle) const;
};

// Starts the game, prepares the kind and runs `cycles` cycles of it, sampling after
// 0, 1, 10 and 100 cycles, every `every` cycles and after the last. With `print`, each
// sample is printed (e2e::Note) as a line
//   sample KIND CYCLE MS PRIVATE_BYTES OBJECTS...
// and, at the end,
//   ticks KIND TICKS TICK_SPAN_MS ELAPSED_MS
//   games KIND WON won LOST lost          (kinds that play games)
void RunKind(const Kind& kind, int cycles, int every, bool print, Run* run);

}  // namespace soak
