// The Linux game's entry: the command line's --help and --version, then the game's
// window, played with its sound through the desktop's sound server.
#include <QApplication>
#include <QCommandLineParser>
#include <QMenuBar>
#include <cstdio>

#include "qt/game_window.h"
#include "qt/pulse_sound_backend.h"
#include "sound/embedded_sounds.h"

namespace {

// Answers --help and --version before any window system is needed; every other
// argument is left to Qt (-platform, -style...). Returns true when it answered.
bool AnswerCommandLine(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "A memory game: the computer flashes a growing sequence of coloured squares, each "
      "with its own note, and you repeat it with the mouse or the keyboard."));
  const QCommandLineOption help = parser.addHelpOption();
  const QCommandLineOption version = parser.addVersionOption();
  parser.parse(arguments);
  if (parser.isSet(help)) {
    std::fputs(qPrintable(parser.helpText()), stdout);
    return true;
  }
  if (parser.isSet(version)) {
    std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                qPrintable(QCoreApplication::applicationVersion()));
    return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setApplicationName(QStringLiteral("zirirar-aduzo"));
  QCoreApplication::setApplicationVersion(QStringLiteral(ZIRIRAR_VERSION));
  if (AnswerCommandLine(argc, argv)) return 0;

  QApplication application(argc, argv);  // without a display, Qt says so and exits
  EmbeddedSounds sounds;
  PulseSoundBackend sound(sounds);
  GameWindow window(sound);
  window.resize(640, 480 + window.menuBar()->sizeHint().height());
  window.show();
  return application.exec();
}
