// The Linux game's window, played from within its process on the offscreen platform:
// the shared scenarios, then what only this shell has to prove.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "qt/board_widget.h"
#include "tests/qt/qt_player.h"
#include "tests/scenarios/scenarios.h"
#include "tests/support/frame.h"

namespace {
QtMessageHandler g_testHandler = nullptr;
void WithoutPlatformNoise(QtMsgType type, const QMessageLogContext& context, const QString& text);
}  // namespace

class GameWindowTest final : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    g_testHandler = qInstallMessageHandler(&WithoutPlatformNoise);
    QApplication::setQuitOnLastWindowClosed(false);
    qInfo("device pixel ratio %.2f", qApp->devicePixelRatio());
  }

  void scenarios_data() {
    QTest::addColumn<int>("index");
    const auto& all = scenario::AllScenarios();
    for (int i = 0; i < static_cast<int>(all.size()); ++i) QTest::newRow(all[i].name) << i;
  }

  void scenarios() {
    QFETCH(int, index);
    SilentBackend sound;
    QtPlayer player(sound);
    try {
      scenario::RunScenario(scenario::AllScenarios()[index], player);
    } catch (const ScenarioFailure& failure) {
      QFAIL(failure.what());
    }
  }
};

namespace {

// The offscreen platform warns of every window whose size hints change: noise here.
void WithoutPlatformNoise(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.contains(QLatin1String("does not support propagateSizeHints"))) return;
  g_testHandler(type, context, text);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // A private runtime folder where the machine has none (a CI run as root).
  QTemporaryDir runtime;
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    QFile::setPermissions(runtime.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
  }
  QApplication application(argc, argv);
  GameWindowTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "game_window_test.moc"
