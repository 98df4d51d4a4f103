// Runs the Linux game as it ships (its window, its sound service) and records the time
// of every tick its clock delivers, for a given number of seconds; then prints the mean
// period, the error of each period against 50 ms (median, 99th percentile, largest) and
// the drift: how far the last tick stands from where a perfect clock would put it. The
// clock rests while nothing moves, so the game is kept moving: free play, a key pressed
// every fifth tick, each press lighting its square before the last one's flash is over.
//
//   tick_recorder SECONDS
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "engine/game.h"
#include "pulse/pulse_sound_output.h"
#include "qt/board_widget.h"
#include "qt/game_window.h"
#include "sound/embedded_sounds.h"
#include "tests/support/clock.h"

int main(int argc, char** argv) {
  const int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
  QApplication application(argc, argv);
  EmbeddedSounds sounds;
  PulseSoundOutput sound(sounds);
  GameWindow window(sound);
  window.show();

  std::vector<double> ticks;
  ticks.reserve(static_cast<size_t>(seconds) * 25 + 10);
  const auto press = [&window] {
    QKeyEvent key(QEvent::KeyPress, Qt::Key_D, Qt::NoModifier, QStringLiteral("d"));
    QApplication::sendEvent(window.Board(), &key);
  };
  QObject::connect(&window.Ticks(), &QTimer::timeout, [&] {
    ticks.push_back(test_clock::MonotonicMs());
    if (ticks.size() % 5 == 0) press();
  });
  window.Action(Command::FreePlay)->trigger();
  press();
  QTimer::singleShot(seconds * 1000 + 500, &application, &QApplication::quit);
  application.exec();

  if (ticks.size() < 3) {
    std::fprintf(stderr, "tick_recorder: only %zu ticks\n", ticks.size());
    return 1;
  }
  std::vector<double> errors;
  for (size_t i = 1; i < ticks.size(); ++i)
    errors.push_back(std::fabs(ticks[i] - ticks[i - 1] - kTickMs));
  std::sort(errors.begin(), errors.end());
  const double span = ticks.back() - ticks.front();
  const size_t periods = ticks.size() - 1;
  const double drift = (span - periods * static_cast<double>(kTickMs)) / kTickMs;
  std::printf(
      "ticks=%zu mean_ms=%.4f error_p50_ms=%.3f error_p99_ms=%.3f error_max_ms=%.3f "
      "drift_ticks=%.4f over_s=%.0f\n",
      ticks.size(), span / periods, errors[errors.size() / 2],
      errors[std::min(errors.size() - 1, errors.size() * 99 / 100)], errors.back(), drift,
      span / 1000);
  return 0;
}
