// Makes the game's sound requests through the Linux sound service as the game does
// (GatedSoundPlayer over PulseSoundOutput with the built-in sounds; the requests of
// tests/support/sound_driver.h, the programmes of tests/support/sound_programmes.h) and prints each
// with its wall-clock time, for alignment with a capture of the server's output:
//   pulse_sound_driver test       a short programme for the test (check_sound.py)
//   pulse_sound_driver bench      the sound benchmark's programme (bench/sound/)
//   pulse_sound_driver silent     requests for 5 s, with no server to reach
//   pulse_sound_driver lost PID   a held note, then PID (the server) killed, then as
//                                 `silent`
// Each request: "<event> <unix time in microseconds> <name>". At the end, how long
// the requests held the caller ("calls N longest X ms mean Y ms"), then ShutdownSound
// as a last stop request and how long it took ("shutdown X ms").
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pulse/pulse_sound_output.h"
#include "sound/embedded_sounds.h"
#include "sound/sound_player.h"
#include "tests/support/sound_driver.h"
#include "tests/support/sound_programmes.h"

using sound_driver::Driver;

int main(int argc, char** argv) {
  const char* programme = argc > 1 ? argv[1] : "";
  const bool lost = std::strcmp(programme, "lost") == 0 && argc > 2;
  if (std::strcmp(programme, "test") != 0 && std::strcmp(programme, "bench") != 0 &&
      std::strcmp(programme, "silent") != 0 && !lost) {
    std::fprintf(stderr, "usage: pulse_sound_driver test|bench|silent|lost PID\n");
    return 2;
  }
  EmbeddedSounds sounds;
  PulseSoundOutput output(sounds);
  GameSession game;
  GatedSoundPlayer player(game, output);
  Driver driver(player);
  if (std::strcmp(programme, "test") == 0) {
    TestProgramme(driver);
  } else if (std::strcmp(programme, "bench") == 0) {
    PlayProgramme(driver);
  } else {
    if (lost) {
      driver.Note("a69");
      driver.Wait(1000);
      kill(static_cast<pid_t>(std::atoi(argv[2])), SIGKILL);
      driver.Wait(300);
    }
    driver.Mixed();
  }
  driver.Report();
  driver.Shutdown(output);
  return 0;
}
