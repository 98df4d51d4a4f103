// The programmes of the game's sound requests: the sound test's and the benchmark's,
// the same on every platform so that the figures compare. check_sound.py and measure.py
// (tests/linux_sound/) find their parts by their order.
#pragma once

#include <cstdio>

#include "engine/tables.h"

// A driver makes each request and prints it with its time: Note(name), Effect(name),
// Stop(); Wait(ms) sleeps; Silence(ms) asks for silence 20 times a second; Idle() is
// the platform's stretch of silence requests, long enough for its output to go idle,
// over which it measures the process's processor time.
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

// What the test checks, in this order (check_sound.py finds the parts by it).
template <typename Driver>
void TestProgramme(Driver& driver) {
  driver.Stop();  // a new game asks for silence first
  driver.Wait(300);
  driver.Note("a69");  // held
  driver.Wait(2000);
  driver.Stop();
  driver.Wait(500);
  driver.Note("a53");
  driver.Wait(600);
  driver.Note("a72");  // replaces a53
  driver.Wait(600);
  driver.Note("a72");  // the same note again
  driver.Wait(600);
  driver.Stop();
  driver.Wait(500);
  driver.Note("a60");
  driver.Wait(500);
  driver.Stop();  // a stop and a play on the same tick
  driver.Note("a65");
  driver.Wait(500);
  driver.Stop();
  driver.Wait(500);
  driver.Effect("ding");
  driver.Wait(600);
  driver.Effect("buzz");
  driver.Wait(900);
  driver.Stop();
  driver.Silence(3000);  // long enough for the stream to go idle
  std::printf("idle\n");
  std::fflush(stdout);
  driver.Silence(500);
  driver.Note("a57");  // after the idle stream, still playing when the sound is shut down
  driver.Wait(600);
}
