#include "tests/qt/qt_player.h"

#include <QApplication>
#include <QBackingStore>
#include <QComboBox>
#include <QDialog>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

#include "qt/board_widget.h"
#include "qt/dialogs.h"

namespace {

// The status font as this test works it out on its own: Arial's stand-in at a point
// size, by character height at the device's density.
QFont ReferenceFont(int points, double pixelsPerInch) {
  QFont font;
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  font.setPixelSize(static_cast<int>(std::lround(points * pixelsPerInch / 72.0)));
  return font;
}

// One below the first size from 4 up whose twelve average characters reach
// width / 4 - 5 pixels; never below 3.
int ReferenceFontPoints(int width, double pixelsPerInch) {
  int points = 3;
  for (;;) {
    ++points;
    const int average = QFontMetrics(ReferenceFont(points, pixelsPerInch)).averageCharWidth();
    if (average <= 0 || points > 500 || !(width / 4 - 5 > 12 * average)) break;
  }
  return std::max(points - 1, 3);
}

QKeySequence Sequence(const std::string& key) {
  // "Shift+E" and "Alt+R" as Qt writes them; a single letter as itself.
  return QKeySequence(QString::fromStdString(key));
}

}  // namespace

QtPlayer::QtPlayer(SoundOutput& sound, int width, int height) : sound_(sound) {
  window_ = std::make_unique<GameWindow>(sound);
  window_->show();
  window_->resize(width, height + (window_->height() - window_->Board()->height()));
  if (!QTest::qWaitForWindowExposed(window_.get())) Fail("the game window was not shown");
  window_->activateWindow();
  if (!QTest::qWaitForWindowActive(window_.get())) Fail("the game window did not become active");
  if (!Await(2000, 5, [&] { return window_->Board()->width() == width; }))
    Fail("the window did not take its size");
}

QtPlayer::~QtPlayer() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (qobject_cast<QDialog*>(widget) != nullptr) widget->close();
  }
  window_.reset();
}

double QtPlayer::Ratio() const { return window_->Board()->devicePixelRatioF(); }

void QtPlayer::Pause(int ms) { QTest::qWait(ms); }

screen::Frame QtPlayer::Capture() {
  // The window's backing store, where its paints land: device pixels.
  BoardWidget* board = window_->Board();
  QPaintDevice* store = window_->backingStore()->paintDevice();
  if (store == nullptr || store->devType() != QInternal::Image) Fail("no image behind the window");
  const double ratio = Ratio();
  const QPoint at = board->mapTo(window_.get(), QPoint(0, 0)) * ratio;
  const QImage image =
      static_cast<QImage*>(store)
          ->copy(at.x(), at.y(), static_cast<int>(std::lround(board->width() * ratio)),
                 static_cast<int>(std::lround(board->height() * ratio)))
          .convertToFormat(QImage::Format_RGB32);
  // 0xFFRRGGBB, row after row: a row of 32-bit pixels needs no padding.
  const QRgb* bits = reinterpret_cast<const QRgb*>(image.constBits());
  std::vector<screen::Colour> pixels(bits,
                                     bits + static_cast<size_t>(image.width()) * image.height());
  for (screen::Colour& pixel : pixels) pixel &= 0xFFFFFF;
  const QPalette palette = board->palette();
  return screen::Frame(image.width(), image.height(), std::move(pixels),
                       palette.color(QPalette::Base).rgb() & 0xFFFFFF,
                       palette.color(QPalette::Text).rgb() & 0xFFFFFF);
}

void QtPlayer::Run(Command command) {
  // As a shortcut delivers it: straight to the action's handler, whatever state the
  // menu was last shown in.
  emit window_->Action(command)->triggered(false);
}

void QtPlayer::Key(const std::string& key) {
  // To whatever has the keyboard focus, as a real key press goes. A letter or digit
  // comes with the character it types ("Shift+E" types "E"); other keys type none.
  QWidget* target = QApplication::focusWidget();
  if (target == nullptr) target = window_->Board();
  const QKeyCombination combination = Sequence(key)[0];
  const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
  const int code = combination.key();
  if (code >= Qt::Key_0 && code <= Qt::Key_Z) {
    const char typed =
        static_cast<char>((modifiers & Qt::ShiftModifier) != 0 ? code : std::tolower(code));
    QTest::keyClick(target, typed, modifiers);
  } else {
    QTest::keyClick(target, combination.key(), modifiers);
  }
}

void QtPlayer::Type(char typed, bool autoRepeat) {
  const QString text(QChar::fromLatin1(typed));
  const int code = QChar(typed).toUpper().unicode();
  QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text, autoRepeat);
  QApplication::sendEvent(window_->Board(), &press);
  QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text, autoRepeat);
  QApplication::sendEvent(window_->Board(), &release);
}

void QtPlayer::Click(int x, int y) {
  // Device pixels to the window's own; the centre of the device pixel.
  const double ratio = Ratio();
  const QPointF at((x + 0.5) / ratio, (y + 0.5) / ratio);
  QWidget* board = window_->Board();
  const QPointF global = board->mapToGlobal(at);
  QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
  QApplication::sendEvent(board, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(board, &release);
}

bool QtPlayer::MenuEnabled(Command command) { return window_->Action(command)->isEnabled(); }

bool QtPlayer::SoundChecked() { return window_->Action(screen::kSound)->isChecked(); }

std::vector<std::string> QtPlayer::DialogCaptions() {
  std::vector<std::string> captions;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (qobject_cast<QDialog*>(widget) != nullptr && widget->isVisible())
      captions.push_back(widget->windowTitle().toStdString());
  }
  return captions;
}

QDialog* QtPlayer::Dialog() {
  QDialog* dialog = window_->OpenDialog();
  if (dialog == nullptr) Fail("no dialog is open");
  return dialog;
}

std::pair<QComboBox*, QComboBox*> QtPlayer::Lists(QDialog* dialog) {
  auto* boards = dialog->findChild<QComboBox*>(QString::fromLatin1(kBoardListName));
  auto* skills = dialog->findChild<QComboBox*>(QString::fromLatin1(kSkillListName));
  if (boards == nullptr || skills == nullptr) Fail("the open dialog has no board and skill lists");
  return {boards, skills};
}

void QtPlayer::LevelChoice(int& board, int& skill) {
  const auto [boards, skills] = Lists(Dialog());
  board = boards->currentIndex();
  skill = skills->currentIndex();
}

void QtPlayer::ChooseLevel(int board, int skill) {
  QDialog* dialog = Dialog();
  const auto [boards, skills] = Lists(dialog);
  boards->setCurrentIndex(board);
  skills->setCurrentIndex(skill);
  for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
    if (button->text() == QLatin1String("OK")) return QTest::mouseClick(button, Qt::LeftButton);
  }
  Fail("the Level dialog has no OK button");
}

void QtPlayer::CloseDialog() { QTest::keyClick(Dialog(), Qt::Key_Escape); }

std::string QtPlayer::DialogText() {
  QDialog* dialog = Dialog();
  if (auto* box = qobject_cast<QMessageBox*>(dialog)) return box->text().toStdString();
  auto* text = dialog->findChild<QPlainTextEdit*>(QString::fromLatin1(kHelpBoxName));
  if (text == nullptr) Fail("the open dialog shows no text");
  return text->toPlainText().toStdString();
}

std::string QtPlayer::CheckPanel(const screen::Frame& frame, const screen::Geometry& g, int skill,
                                 int board, int length, int target, const char* word,
                                 screen::Colour wordColour) {
  if (frame.Width() != g.width || frame.Height() != g.height) return "frame of another size";
  QImage expected(frame.Width(), frame.Height(), QImage::Format_RGB32);
  expected.fill(QColor::fromRgb(frame.Background()));
  {
    QPainter painter(&expected);
    const double ppi = window_->Board()->logicalDpiY() * Ratio();
    painter.setFont(ReferenceFont(ReferenceFontPoints(g.width, ppi), ppi));
    const std::array<std::string, 5> lines =
        scenario::StatusLines(skill, board, length, target, word);
    for (int k = 1; k <= 5; ++k) {
      const screen::Box box = g.StatusLine(k);
      painter.setPen(QColor::fromRgb(k == 5 ? wordColour : frame.Text()));
      painter.drawText(QRect(box.left, box.top, box.Width(), box.Height()),
                       (k == 5 ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter |
                           Qt::TextSingleLine | Qt::TextDontClip,
                       QString::fromStdString(lines[k - 1]));
    }
  }
  return scenario::PanelDifference(frame, g.StatusPanel(),
                                   [&](int x, int y) { return expected.pixel(x, y) & 0xFFFFFF; });
}

int QtPlayer::QuitAndWait() {
  Recorder* recorded = dynamic_cast<Recorder*>(&sound_);
  if (recorded != nullptr) recorded->Take();
  Run(screen::kQuit);
  const bool ended = Await(2000, 10, [&] { return !window_->isVisible(); });
  // The session ended with it: the sound output closed once.
  const Events calls = recorded != nullptr ? recorded->Take() : Events{};
  const bool soundClosed =
      recorded == nullptr || std::count(calls.begin(), calls.end(), "close sound") == 1;
  return ended && soundClosed ? 0 : -1;
}

void QtPlayer::Note(const std::string& line) { qInfo("  %s", line.c_str()); }
