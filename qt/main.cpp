// The Linux game's entry: the command line's --help and --version, then the game's
// window, played with its sound through the desktop's sound server.
#include <QApplication>
#include <QCommandLineParser>
#include <QMenuBar>
#include <cstdio>
#include <cstdlib>

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
  const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                QStringLiteral("Displays this help."));
  parser.addOption(help);
  const QCommandLineOption version = parser.addVersionOption();
  parser.parse(arguments);
  if (parser.isSet(help)) {
    // Without an application object the parser cannot know the program's name.
    std::fputs(qPrintable(parser.helpText().replace(QLatin1String("<executable_name>"),
                                                    QCoreApplication::applicationName())),
               stdout);
    return true;
  }
  if (parser.isSet(version)) {
    std::printf("%s %s\n", qPrintable(QCoreApplication::applicationName()),
                qPrintable(QCoreApplication::applicationVersion()));
    return true;
  }
  return false;
}

// Qt's messages as Qt writes them; a fatal one (no display to show the window on)
// ends the program with a failure code instead of an abort and its core dump.
void WriteMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
  if (type == QtFatalMsg) {
    std::fflush(stderr);
    std::_Exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setApplicationName(QStringLiteral("zirirar-aduzo"));
  QCoreApplication::setApplicationVersion(QStringLiteral(ZIRIRAR_VERSION));
  if (AnswerCommandLine(argc, argv)) return 0;

  qInstallMessageHandler(&WriteMessage);
  QApplication application(argc, argv);  // without a display, Qt says so and exits
  EmbeddedSounds sounds;
  PulseSoundBackend sound(sounds);
  GameWindow window(sound);
  window.resize(640, 480 + window.menuBar()->sizeHint().height());
  window.show();
  return application.exec();
}
