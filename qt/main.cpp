// The Linux game's entry: the command line's --help and --version, then the game's
// window, played with its sound through the desktop's sound server.
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QMenuBar>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "pulse/pulse_sound_output.h"
#include "qt/game_window.h"
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

// A socket pair: the signal handler writes to [1], the event loop reads [0].
int signal_pipe[2] = {-1, -1};

void OnQuitSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(signal_pipe[1], &byte, 1);
}

// SIGTERM (the session ending, `kill`), SIGINT (Ctrl+C in a terminal) and SIGHUP close
// the window as its close box does: the tick stops and the sound shuts down before the
// program ends with 0. The handler only writes a byte; the window closes on the
// event loop's own thread.
void CloseOnQuitSignals(QWidget& window) {
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signal_pipe) != 0) return;
  auto* notifier = new QSocketNotifier(signal_pipe[0], QSocketNotifier::Read, &window);
  QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, notifier] {
    char byte;
    [[maybe_unused]] const ssize_t read_count = read(signal_pipe[0], &byte, 1);
    notifier->setEnabled(false);
    window.close();
    QCoreApplication::quit();  // also with a dialog still open
  });
  struct sigaction action = {};
  action.sa_handler = &OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal_number : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal_number, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication::setApplicationName(QStringLiteral("zirirar-aduzo"));
  QCoreApplication::setApplicationVersion(QStringLiteral(ZIRIRAR_VERSION));
  // Desktops find the game's entry and icon by this name.
  QGuiApplication::setDesktopFileName(QStringLiteral(ZIRIRAR_APP_ID));
  if (AnswerCommandLine(argc, argv)) return 0;

  qInstallMessageHandler(&WriteMessage);
  QApplication application(argc, argv);  // without a display, Qt says so and exits
  EmbeddedSounds sounds;
  PulseSoundOutput sound(sounds);
  GameWindow window(sound);
  window.resize(640, 480 + window.menuBar()->sizeHint().height());
  window.show();
  CloseOnQuitSignals(window);
  return application.exec();
}
