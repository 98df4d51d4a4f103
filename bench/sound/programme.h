// The sound benchmark's programme of the game's requests, the same on every platform
// so that the figures compare: measure.py finds its parts by their order.
#pragma once

#include <cstdio>

#include "engine/tables.h"

// `bench` makes each request and prints it with its time: Note(name), Effect(name),
// Stop(); Wait(ms) sleeps; Idle() is the platform's stretch of silence requests, 20 a
// second, long enough for its output to go idle, over which it measures the process's
// processor time.
template <typename Bench>
void PlayProgramme(Bench& bench) {
  // Warm-up: the first sound of a process loads the audio stack.
  bench.Note("a69");
  bench.Wait(300);
  bench.Stop();
  bench.Wait(700);

  // A held note: steadiness, gaps, start and stop.
  bench.Note("a69");
  bench.Wait(3000);
  bench.Stop();
  bench.Wait(600);

  // Every note, named in lower case as the game names them: pitch, start and stop.
  for (int note = kLowestNote; note <= kHighestNote; ++note) {
    char name[20];
    std::snprintf(name, sizeof name, "a%02d", note);
    bench.Note(name);
    bench.Wait(700);
    bench.Stop();
    bench.Wait(400);
  }

  // Replacement without a stop, and the same note again.
  bench.Note("a53");
  bench.Wait(400);
  bench.Note("a72");
  bench.Wait(400);
  bench.Note("a72");
  bench.Wait(400);
  bench.Stop();
  bench.Wait(500);

  // A stop and a play on the same tick end with the new note playing.
  bench.Note("a60");
  bench.Wait(400);
  bench.Stop();
  bench.Note("a65");
  bench.Wait(400);
  bench.Stop();
  bench.Wait(500);

  // Effects play once and fall silent by themselves.
  bench.Effect("ding");
  bench.Wait(600);
  bench.Effect("buzz");
  bench.Wait(900);
  bench.Stop();
  bench.Wait(300);

  bench.Idle();

  // The first note after the long silence.
  bench.Note("a69");
  bench.Wait(500);
  bench.Stop();
  bench.Wait(400);
}
