// Plays the sound benchmark's programme of the game's requests
// (tests/support/sound_programmes.h) through one output and prints the wall-clock time
// of every request, for alignment with a capture of the output:
//   sound_bench stream|playsound
// Each line: "<event> <unix time in microseconds> <name>". Also prints how long the
// requests held the calling thread, how much processor time an idle stretch of silence
// requests (20 a second, as in free play) cost the whole process, and how long the
// final ShutdownSound took.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "sound/sound_player.h"
#include "tests/support/clock.h"
#include "tests/support/request_times.h"
#include "tests/support/sound_programmes.h"
#include "win32/audio_stream_output.h"
#include "win32/playsound_output.h"
#include "win32/running_under_wine.h"

namespace {

using test_clock::UnixMicroseconds;

int64_t ProcessCpuMicroseconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto us = [](const FILETIME& t) {
    return ((int64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime) / 10;
  };
  return us(kernel) + us(user);
}

class Bench {
 public:
  explicit Bench(SoundOutput& output) : output_(output) {}

  void Note(const char* name) { Request("play", name, Named(name), true); }
  void Effect(const char* name) { Request("effect", name, Named(name), false); }
  void Stop() { Request("stop", nullptr, kNoSound, false); }

  void Wait(DWORD ms) { Sleep(ms); }

  // Idle free play: a silence request every 50 ms with nothing playing, 12 s long;
  // the processor time of the whole process in its first and last 5 s.
  void Idle() {
    for (int half = 0; half < 2; ++half) {
      const int64_t cpuBefore = ProcessCpuMicroseconds();
      const int64_t wallBefore = UnixMicroseconds();
      for (int i = 0; i < 100; ++i) {
        Stop();
        Sleep(50);
      }
      const int64_t cpu = ProcessCpuMicroseconds() - cpuBefore;
      const int64_t wall = UnixMicroseconds() - wallBefore;
      std::printf("idle %s cpu %.2f %% (%lld us over %lld us)\n", half ? "last 5 s" : "first 5 s",
                  100.0 * cpu / wall, static_cast<long long>(cpu), static_cast<long long>(wall));
      if (half == 0) {
        for (int i = 0; i < 40; ++i) {
          Stop();
          Sleep(50);
        }
      }
    }
  }

  void Report() const { times_.Report(); }

 private:
  // "a69" names note 69's sound; "buzz", "ding" and "win" the effects'.
  static SoundId Named(const char* name) {
    if (name[0] == 'a') return NoteSound(static_cast<int16_t>(std::atoi(name + 1)));
    return EffectSound(std::strcmp(name, "buzz") == 0   ? SoundEffect::Buzz
                       : std::strcmp(name, "ding") == 0 ? SoundEffect::Ding
                                                        : SoundEffect::Win);
  }

  // A play of `sound`, or a stop without a name.
  void Request(const char* event, const char* name, SoundId sound, bool loop) {
    times_.Time(event, name ? name : "-", [&] {
      if (name != nullptr) {
        output_.Play(sound, loop);
      } else {
        output_.Stop();
      }
    });
  }

  SoundOutput& output_;
  RequestTimes times_;
};

}  // namespace

int main(int argc, char** argv) {
  const bool stream = argc > 1 && std::strcmp(argv[1], "stream") == 0;
  const bool playSound = argc > 1 && std::strcmp(argv[1], "playsound") == 0;
  if (!stream && !playSound) {
    std::fprintf(stderr, "usage: sound_bench stream|playsound\n");
    return 2;
  }
  HMODULE module = GetModuleHandleA(nullptr);
  PlaySoundOutput playSoundOutput(module);
  std::unique_ptr<AudioStreamOutput> streamOutput;
  if (stream) streamOutput.reset(new AudioStreamOutput(module));
  SoundOutput& output = stream ? static_cast<SoundOutput&>(*streamOutput)
                               : static_cast<SoundOutput&>(playSoundOutput);
  std::printf("backend %s wine %d\n", stream ? "stream" : "playsound", RunningUnderWine() ? 1 : 0);
  Bench bench(output);
  PlayProgramme(bench);
  bench.Report();
  const int64_t closing = UnixMicroseconds();
  ShutdownSound(output);
  std::printf("shutdown %.3f ms\n", (UnixMicroseconds() - closing) / 1000.0);
  return 0;
}
