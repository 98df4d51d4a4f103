// The Linux game's window, played from within its process on the offscreen platform:
// the shared scenarios, then what only this shell has to prove.
#include <fcntl.h>
#include <unistd.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "pulse/pulse_sound_output.h"
#include "qt/board_widget.h"
#include "qt/qt_canvas.h"
#include "sound/embedded_sounds.h"
#include "tests/qt/qt_player.h"
#include "tests/scenarios/scenarios.h"
#include "tests/support/frame.h"
#include "tests/support/recording_canvas.h"
#include "view/painter.h"

namespace {

QtMessageHandler g_testHandler = nullptr;

// The names of what labels `widget`, as assistive technology finds them.
QString AccessibleLabel(QWidget* widget) {
  QStringList names;
  for (const auto& [label, relation] :
       QAccessible::queryAccessibleInterface(widget)->relations(QAccessible::Label))
    names << label->text(QAccessible::Name);
  return names.join(QLatin1Char('|'));
}
void WithoutPlatformNoise(QtMsgType type, const QMessageLogContext& context, const QString& text);

QString CompareWithTheView(const GameWindow& window, const screen::Frame& frame) {
  const BoardLayout& layout = window.Layout();
  if (frame.Width() != layout.clientWidth || frame.Height() != layout.clientHeight)
    return QStringLiteral("frame %1 x %2, layout %3 x %4")
        .arg(frame.Width())
        .arg(frame.Height())
        .arg(layout.clientWidth)
        .arg(layout.clientHeight);
  // The status font is the one fitted with the Qt canvas at the device's density.
  QtCanvas measure(nullptr, Qt::black, window.Board()->PixelsPerInch());
  RecordingCanvas view;
  view.averageWidth = [&](int16_t points) { return measure.AverageCharWidth(points); };
  BoardLayout fitted = layout;
  FitStatusFont(fitted, view);
  if (fitted.statusFontSize != layout.statusFontSize)
    return QStringLiteral("status font of %1 points, fitted %2")
        .arg(layout.statusFontSize)
        .arg(fitted.statusFontSize);
  PaintWindow(window.Game(), layout, view);
  // Every pixel: what the view put there, the background where it put nothing.
  enum Mark : char { kBackground, kFill, kLine, kText };
  std::vector<char> mark(static_cast<size_t>(frame.Width()) * frame.Height(), kBackground);
  std::vector<Colour> fillColour(mark.size(), 0);
  auto set = [&](int x, int y, char what, Colour colour = 0) {
    if (x < 0 || y < 0 || x >= frame.Width() || y >= frame.Height()) return;
    const size_t at = static_cast<size_t>(y) * frame.Width() + x;
    if (mark[at] == kFill && what == kLine) return;  // fills come last
    mark[at] = what;
    fillColour[at] = colour;
  };
  for (const auto& s : view.lines) {
    const int dx = (s.x1 > s.x0) - (s.x1 < s.x0), dy = (s.y1 > s.y0) - (s.y1 < s.y0);
    for (int x = s.x0, y = s.y0; x != s.x1 || y != s.y1; x += dx, y += dy) set(x, y, kLine);
  }
  for (const auto& t : view.texts) {  // text may spill: a wide band around its line
    for (int y = t.rect.top - 20; y < t.rect.bottom + 20; ++y)
      for (int x = t.rect.left; x < t.rect.right; ++x) set(x, y, kText);
  }
  for (const auto& f : view.fills)
    for (int y = f.rect.top; y < f.rect.bottom; ++y)
      for (int x = f.rect.left; x < f.rect.right; ++x) set(x, y, kFill, f.colour);
  int lineDots = 0;
  for (int y = 0; y < frame.Height(); ++y) {
    for (int x = 0; x < frame.Width(); ++x) {
      const size_t at = static_cast<size_t>(y) * frame.Width() + x;
      const Colour c = frame.At(x, y);
      bool ok = true;
      switch (mark[at]) {
        case kBackground:
          ok = c == frame.Background();
          break;
        case kFill:
          ok = c == fillColour[at];
          break;
        case kLine:
          ok = c == frame.Background() || c == frame.Text();
          lineDots += c == frame.Text();
          break;
        case kText:
          break;
      }
      if (!ok)
        return QStringLiteral("(%1, %2) is %3 where the view draws %4")
            .arg(x)
            .arg(y)
            .arg(QString::fromStdString(screen::Hex(c)))
            .arg(mark[at] == kFill   ? QStringLiteral("a fill")
                 : mark[at] == kLine ? QStringLiteral("a dotted line")
                                     : QStringLiteral("nothing"));
    }
  }
  if (lineDots * 4 < static_cast<int>(view.lines.size()) * 50)
    return QStringLiteral("only %1 dots on %2 lines").arg(lineDots).arg(view.lines.size());
  return {};
}

QStringList ButtonTexts(const QDialog* dialog) {
  QStringList texts;
  for (const QPushButton* button : dialog->findChildren<QPushButton*>()) texts << button->text();
  return texts;
}

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
    Recorder sound;
    QtPlayer player(sound);
    QVERIFY_THROWS_NO_EXCEPTION(scenario::RunScenario(scenario::AllScenarios()[index], player));
  }

  // Without a sound server the game plays on: its ticks keep time (the scenario times
  // the thinking time), it says once on standard error that there is no sound, and it
  // closes at once.
  void playsOnWithoutASoundServer() {
    QTemporaryDir folder;
    qputenv("PULSE_SERVER", ("unix:" + folder.filePath(QStringLiteral("nobody"))).toLocal8Bit());
    const QString errors = folder.filePath(QStringLiteral("stderr"));
    const int saved = dup(STDERR_FILENO);
    const int file = open(errors.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, STDERR_FILENO);
    QString failure;
    double closeMs = 0;
    {
      EmbeddedSounds sounds;
      PulseSoundOutput sound(sounds);
      QtPlayer player(sound);
      try {
        for (const scenario::Scenario& s : scenario::AllScenarios()) {
          if (std::string(s.name) == "thinking_time_runs_out") scenario::RunScenario(s, player);
        }
        const double before = player.NowMs();
        player.QuitAndWait();
        closeMs = player.NowMs() - before;
      } catch (const ScenarioFailure& f) {
        failure = QString::fromStdString(f.what());
      }
    }
    fflush(stderr);
    dup2(saved, STDERR_FILENO);
    ::close(file);
    ::close(saved);
    qunsetenv("PULSE_SERVER");
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    QFile written(errors);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = written.readAll().split('\n');
    QCOMPARE(lines.size(), 2);  // one line and its end
    QVERIFY2(lines[0].startsWith("zirirar-aduzo: no sound: "), lines[0].constData());
    QVERIFY2(closeMs < 1000, qPrintable(QString::number(closeMs)));
  }

  // What the Qt canvas paints is what the view asks for, to the device pixel: each fill
  // exactly its rectangle, each dotted line on its pixels and not beyond its end, nothing
  // elsewhere but the status text. On the largest board at an odd size, where every
  // rounding shows.
  void paintedFrameIsWhatTheViewDraws() {
    Recorder sound;
    QtPlayer player(sound, 643, 471);
    QVERIFY_THROWS_NO_EXCEPTION({
      player.Run(screen::kLevel);
      player.ChooseLevel(6, 0);
      player.Run(screen::kFreePlay);
      player.Type('b', false);  // the last square
      QVERIFY(player.Await(2000, 5, [&] { return player.Window().Game().litSquare == 19; }));
      QTest::qWait(100);  // the paint that follows
      const QString problem = CompareWithTheView(player.Window(), player.Capture());
      QVERIFY2(problem.isEmpty(), qPrintable(problem));
    });
  }

  // The menu bar of the Windows game: the same items in the same order, with their
  // mnemonics, separators and shortcut keys; Sound is the one item with a check mark.
  void menuBarAsTheWindowsGame() {
    Recorder sound;
    QtPlayer player(sound);
    QStringList shown;
    for (QAction* menu : player.Window().menuBar()->actions()) {
      shown << menu->text();
      for (QAction* item : menu->menu()->actions()) {
        shown << (item->isSeparator() ? QStringLiteral("-") : item->text());
        if (!item->isSeparator())
          shown.last() += QStringLiteral(" [%1%2]").arg(
              item->shortcut().toString(),
              item->isCheckable() ? QStringLiteral(" check") : QString());
      }
    }
    QCOMPARE(shown, QStringList({"&Jeu", "&Nouveau Jeu\tF2 [F2]", "Ni&veau...\tF3 [F3]",
                                 "Jeu &Libre []", "-", "&Son [ check]", "-", "&Quitter []", "&Aide",
                                 "&Instructions\tF1 [F1]", "-", "&A Propos []"}));
  }

  // The command line: --version and --help answered without a display; without one,
  // Qt's own message and a failure, not a crash; on a display, a game that runs.
  void commandLine() {
    QProcess game;
    game.start(QStringLiteral(ZIRIRAR_GAME), {QStringLiteral("--version")});
    QVERIFY(game.waitForFinished(10000));
    QCOMPARE(game.exitCode(), 0);
    QCOMPARE(game.readAllStandardOutput(), QByteArray("zirirar-aduzo 1.03\n"));

    game.start(QStringLiteral(ZIRIRAR_GAME), {QStringLiteral("--help")});
    QVERIFY(game.waitForFinished(10000));
    QCOMPARE(game.exitCode(), 0);
    const QByteArray help = game.readAllStandardOutput();
    QVERIFY2(help.contains("Usage: zirirar-aduzo") && help.contains("--version"), help.data());

    QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
      bare.remove(QString::fromLatin1(name));
    game.setProcessEnvironment(bare);
    game.start(QStringLiteral(ZIRIRAR_GAME), {});
    QVERIFY(game.waitForFinished(10000));
    QCOMPARE(game.exitStatus(), QProcess::NormalExit);
    QVERIFY(game.exitCode() != 0);
    const QByteArray error = game.readAllStandardError();
    QVERIFY2(error.contains("could not connect to display"), error.data());

    game.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
    game.start(QStringLiteral(ZIRIRAR_GAME),
               {QStringLiteral("-platform"), QStringLiteral("offscreen")});
    QVERIFY(game.waitForStarted(10000));
    QVERIFY(!game.waitForFinished(1500));  // it plays on until closed
    game.kill();
    game.waitForFinished(5000);
  }

  // The dialogs as a player finds them: the Level lists and buttons, the instructions
  // read-only, wrapped and opened at their first line, the About box with the game's
  // icon, which is the window's too.
  void dialogsAndIcon() {
    Recorder sound;
    QtPlayer player(sound);
    GameWindow& window = player.Window();
    QVERIFY(!window.windowIcon().isNull());
    QVERIFY(window.windowIcon().availableSizes().contains(QSize(32, 32)));

    player.Key("F3");
    QDialog* level = window.OpenDialog();
    QVERIFY(level != nullptr);
    const auto lists = level->findChildren<QComboBox*>();
    QCOMPARE(lists.size(), 2);
    QCOMPARE(lists[0]->count() + lists[1]->count(), 7 + 12);
    QCOMPARE(ButtonTexts(level), QStringList({"OK", "Annuler"}));
    QVERIFY(level->findChild<QLabel*>()->text().endsWith(QString::fromUtf8("comp\u00e9tences")));
    // To assistive technology each list is labelled by its label (its buddy), each button
    // named by its text.
    QCOMPARE(AccessibleLabel(lists[0]), QStringLiteral("Tableau:"));
    QCOMPARE(AccessibleLabel(lists[1]), QStringLiteral("Niveau:"));
    for (QPushButton* button : level->findChildren<QPushButton*>())
      QCOMPARE(QAccessible::queryAccessibleInterface(button)->text(QAccessible::Name),
               button->text());
    player.CloseDialog();

    player.Key("F1");
    QDialog* help = window.OpenDialog();
    QVERIFY(help != nullptr);
    QTest::qWait(50);
    const auto* text = help->findChild<QPlainTextEdit*>();
    QVERIFY(text->isReadOnly());
    QCOMPARE(text->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    QCOMPARE(text->verticalScrollBar()->value(), 0);
    QCOMPARE(text->textCursor().position(), 0);
    QVERIFY(!text->textCursor().hasSelection());
    QVERIFY(text->verticalScrollBar()->maximum() > 0);  // longer than the box: it scrolls
    QCOMPARE(ButtonTexts(help), QStringList({"Fermer"}));
    player.CloseDialog();

    player.Run(screen::kAbout);
    auto* about = qobject_cast<QMessageBox*>(window.OpenDialog());
    QVERIFY(about != nullptr);
    QCOMPARE(about->iconPixmap().toImage().convertToFormat(QImage::Format_ARGB32),
             window.windowIcon().pixmap(32, 32).toImage().convertToFormat(QImage::Format_ARGB32));
    player.CloseDialog();
    QVERIFY(player.Await(1000, 5, [&] { return window.OpenDialog() == nullptr; }));
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
