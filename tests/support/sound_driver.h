// Makes the game's sound requests through a sound player as the game does, each printed
// with its wall-clock time for alignment with a capture of the sound server's output:
// "<event> <unix time in microseconds> <name>". Shared by the drivers of the Linux game's
// sound output and of the browser game's (check_sound.py, bench/sound/), with the
// programmes of tests/support/sound_programmes.h.
#pragma once

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "sound/sound_player.h"
#include "tests/support/clock.h"
#include "tests/support/request_times.h"

namespace sound_driver {

using test_clock::MonotonicMs;
using test_clock::UnixMicroseconds;

// Processor time of the sound thread so far, in clock ticks (of 10 ms), from /proc.
inline long SoundThreadTicks() {
  long ticks = 0;
  std::error_code gone;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", gone)) {
    std::ifstream file(task.path() / "stat");
    std::string stat;
    std::getline(file, stat);
    // "tid (name) state ..." with utime and stime the 12th and 13th fields after ")".
    if (stat.find("(sound) ") == std::string::npos) continue;
    long utime = 0, stime = 0;
    std::sscanf(stat.c_str() + stat.rfind(')') + 2,
                "%*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %ld %ld", &utime, &stime);
    ticks += utime + stime;
  }
  return ticks;
}

inline SoundEffect EffectNamed(const char* name) {
  if (std::strcmp(name, "ding") == 0) return SoundEffect::Ding;
  if (std::strcmp(name, "win") == 0) return SoundEffect::Win;
  return SoundEffect::Buzz;
}

class Driver {
 public:
  explicit Driver(SoundPlayer& player) : player_(player) {}

  // "a69" plays note 69.
  void Note(const char* name) {
    times_.Time("play", name, [&] { player_.PlayNote(static_cast<int16_t>(std::atoi(name + 1))); });
  }
  void Effect(const char* name) {
    times_.Time("effect", name, [&] { player_.PlayEffect(EffectNamed(name)); });
  }
  void Stop() {
    times_.Time("stop", "-", [&] { player_.StopSound(); });
  }
  void Wait(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

  // Silence requests, 20 a second, as in idle free play.
  void Silence(int ms) {
    for (int i = 0; i < ms / 50; ++i) {
      Stop();
      Wait(50);
    }
  }

  // The benchmark's idle stretch: 3 s for the stream to go idle, then 10 s measured,
  // the whole process and its sound thread.
  void Idle() {
    Silence(3000);
    const std::clock_t cpuBefore = std::clock();
    const double wallBefore = MonotonicMs();
    const long ticksBefore = SoundThreadTicks();
    Silence(10000);
    const auto cpu = static_cast<long long>(1e6 * (std::clock() - cpuBefore) / CLOCKS_PER_SEC);
    const auto wall = static_cast<long long>(1000 * (MonotonicMs() - wallBefore));
    std::printf("idle 10 s cpu %.3f %% (%lld us over %lld us), sound thread %ld ticks of %ld ms\n",
                100.0 * cpu / wall, cpu, wall, SoundThreadTicks() - ticksBefore,
                1000 / sysconf(_SC_CLK_TCK));
  }

  // Plays, stops and effects mixed, 20 requests a second, for 5 s.
  void Mixed() {
    for (int i = 0; i < 100; ++i) {
      if (i % 10 == 0) {
        Effect("ding");
      } else if (i % 3 == 0) {
        Stop();
      } else {
        char name[8];
        std::snprintf(name, sizeof name, "a%d", kLowestNote + i % 20);
        Note(name);
      }
      Wait(50);
    }
  }

  // Ends the sound as the game does when it closes (ShutdownSound), printed as a stop
  // request with how long it took.
  void Shutdown(SoundOutput& output) {
    const long long at = UnixMicroseconds();
    const double before = MonotonicMs();
    ShutdownSound(output);
    std::printf("stop %lld -\nshutdown %.3f ms\n", at, MonotonicMs() - before);
  }

  void Report() const { times_.Report(); }

 private:
  SoundPlayer& player_;
  RequestTimes times_;
};

}  // namespace sound_driver
