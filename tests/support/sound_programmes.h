// The programmes of the game's sound requests: the sound test's and the benchmark's,
// the same on every platform so that the figures compare. check_sound.py and measure.py
// (tests/linux_sound/) find their parts by their order.
#pragma once

#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "engine/tables.h"

// A driver makes each request and prints it with its time: Note(name), Effect(name),
// Stop(); Wait(ms) sleeps; Silence(ms) asks for silence 20 times a second; Idle() is
// the platform's stretch of silence requests, long enough for its output to go idle,
// over which it measures the process's processor time.

// One request ("a69" a note, "ding" or "buzz" an effect, "stop") and the ms waited after
// it (0: the next request on the same tick).
struct ProgrammeRequest {
  const char* name;
  int thenMs;
};

template <typename Driver>
void MakeRequests(Driver& driver, std::initializer_list<ProgrammeRequest> requests) {
  for (const ProgrammeRequest& r : requests) {
    if (r.name[0] == 'a') {
      driver.Note(r.name);
    } else if (std::strcmp(r.name, "stop") == 0) {
      driver.Stop();
    } else {
      driver.Effect(r.name);
    }
    if (r.thenMs > 0) driver.Wait(r.thenMs);
  }
}

template <typename Bench>
void PlayProgramme(Bench& bench) {
  // Warm-up: the first sound of a process loads the audio stack.
  MakeRequests(bench, {{"a69", 300}, {"stop", 700}});
  // A held note: steadiness, gaps, start and stop.
  MakeRequests(bench, {{"a69", 3000}, {"stop", 600}});
  // Every note, named in lower case as the game names them: pitch, start and stop.
  for (int note = kLowestNote; note <= kHighestNote; ++note) {
    char name[20];
    std::snprintf(name, sizeof name, "a%02d", note);
    MakeRequests(bench, {{name, 700}, {"stop", 400}});
  }
  // Replacement without a stop, and the same note again.
  MakeRequests(bench, {{"a53", 400}, {"a72", 400}, {"a72", 400}, {"stop", 500}});
  // A stop and a play on the same tick end with the new note playing.
  MakeRequests(bench, {{"a60", 400}, {"stop", 0}, {"a65", 400}, {"stop", 500}});
  // Effects play once and fall silent by themselves.
  MakeRequests(bench, {{"ding", 600}, {"buzz", 900}, {"stop", 300}});
  bench.Idle();
  // The first note after the long silence.
  MakeRequests(bench, {{"a69", 500}, {"stop", 400}});
}

// What the test checks, in this order (check_sound.py finds the parts by it).
template <typename Driver>
void TestProgramme(Driver& driver) {
  // A new game asks for silence first; a held note.
  MakeRequests(driver, {{"stop", 300}, {"a69", 2000}, {"stop", 500}});
  // a72 replaces a53, then the same note again.
  MakeRequests(driver, {{"a53", 600}, {"a72", 600}, {"a72", 600}, {"stop", 500}});
  // A stop and a play on the same tick; the effects.
  MakeRequests(driver, {{"a60", 500}, {"stop", 0}, {"a65", 500}, {"stop", 500}});
  MakeRequests(driver, {{"ding", 600}, {"buzz", 900}, {"stop", 0}});
  driver.Silence(3000);  // long enough for the stream to go idle
  std::printf("idle\n");
  std::fflush(stdout);
  driver.Silence(500);
  // After the idle stream, still playing when the sound is shut down.
  MakeRequests(driver, {{"a57", 600}});
}
