#include "qt/board_widget.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>
#include <cstring>

#include "qt/qt_canvas.h"
#include "resources/ui_texts.h"
#include "rules/game_host.h"

namespace {

// The board: a canvas named after the game and described by its keys, with the status
// panel as one more child after any widget's.
class BoardAccessible final : public QAccessibleWidget {
 public:
  explicit BoardAccessible(BoardWidget* board) : QAccessibleWidget(board, QAccessible::Canvas) {}

  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Name) return QString::fromLatin1(TEXT_TITLE);
    if (kind == QAccessible::Description) return Board()->SpokenKeys();
    return QAccessibleWidget::text(kind);
  }
  int childCount() const override { return QAccessibleWidget::childCount() + 1; }
  QAccessibleInterface* child(int index) const override {
    if (index == QAccessibleWidget::childCount())
      return QAccessible::queryAccessibleInterface(Board()->StatusObject());
    return QAccessibleWidget::child(index);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    if (child != nullptr && child->object() == Board()->StatusObject())
      return QAccessibleWidget::childCount();
    return QAccessibleWidget::indexOfChild(child);
  }

 private:
  BoardWidget* Board() const { return static_cast<BoardWidget*>(widget()); }
};

// The status panel: a status bar named by its line, which is also its text, where the
// panel is painted. A change of line is told as the text replaced, with the new words.
class StatusAccessible final : public QAccessibleObject, public QAccessibleTextInterface {
 public:
  explicit StatusAccessible(QObject* status) : QAccessibleObject(status) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    return type == QAccessible::TextInterface ? static_cast<QAccessibleTextInterface*>(this)
                                              : nullptr;
  }
  QAccessibleInterface* parent() const override {
    return QAccessible::queryAccessibleInterface(Board());
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QString text(QAccessible::Text kind) const override {
    return kind == QAccessible::Name ? Board()->SpokenStatus() : QString();
  }
  QAccessible::Role role() const override { return QAccessible::StatusBar; }
  QAccessible::State state() const override {
    QAccessible::State state;
    state.readOnly = true;
    return state;
  }
  QRect rect() const override { return Board()->StatusArea(); }
  QWindow* window() const override { return Board()->window()->windowHandle(); }

  // QAccessibleTextInterface: the line, read-only, without caret or selection.
  QString text(int start, int end) const override {
    return Board()->SpokenStatus().mid(start, end - start);
  }
  int characterCount() const override { return static_cast<int>(Board()->SpokenStatus().size()); }
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  QRect characterRect(int) const override { return QRect(); }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int offset, int* start, int* end) const override {
    *start = *end = offset;
    return QString();
  }

 private:
  BoardWidget* Board() const { return static_cast<BoardWidget*>(object()->parent()); }
};

QAccessibleInterface* GameAccessible(const QString&, QObject* object) {
  if (auto* board = dynamic_cast<BoardWidget*>(object)) return new BoardAccessible(board);
  auto* board = object != nullptr ? dynamic_cast<BoardWidget*>(object->parent()) : nullptr;
  if (board != nullptr && board->StatusObject() == object) return new StatusAccessible(object);
  return nullptr;
}

}  // namespace

BoardWidget::BoardWidget(GameHost& host)
    : host_(host), status_(this), toldBoard_(host.Game().boardIndex) {
  // The widget paints every pixel itself: the background first, then the board.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(1, 1);
  QAccessible::installFactory(&GameAccessible);  // kept once, however many boards
}

QRect BoardWidget::LogicalRect(const Rect& rect) const {
  const double ratio = devicePixelRatioF();
  const int left = static_cast<int>(std::floor(rect.left / ratio));
  const int top = static_cast<int>(std::floor(rect.top / ratio));
  const int right = static_cast<int>(std::ceil(rect.right / ratio));
  const int bottom = static_cast<int>(std::ceil(rect.bottom / ratio));
  return QRect(left, top, right - left, bottom - top);
}

void BoardWidget::Repaint(const Rect& rect, PaintTime when) {
  const QRect area = LogicalRect(rect);
  if (!area.isValid()) return;
  if (when == PaintTime::Now) {
    repaint(area);
  } else {
    update(area);
  }
}

QString BoardWidget::SpokenStatus() const {
  char line[kSpokenTextCapacity];
  StatusLine(host_.Game(), line);
  return QString::fromLatin1(line);
}

QRect BoardWidget::StatusArea() const {
  const QRect area = LogicalRect(StatusPanelRect(host_.Layout()));
  return QRect(mapToGlobal(area.topLeft()), area.size());
}

QString BoardWidget::SpokenKeys() const {
  char text[kSpokenTextCapacity];
  BoardKeysText(host_.Game().boardIndex, text);
  return QString::fromLatin1(text);
}

void BoardWidget::FollowStatus() {
  if (tellPending_ || !QAccessible::isActive()) return;
  // After the event: an engine's move may pass through other states on its way.
  tellPending_ = true;
  QMetaObject::invokeMethod(
      this, [this] { TellChanges(); }, Qt::QueuedConnection);
}

void BoardWidget::TellChanges() {
  tellPending_ = false;
  const GameSession& game = host_.Game();
  if (game.boardIndex != toldBoard_) {
    toldBoard_ = game.boardIndex;
    QAccessibleEvent event(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
  }
  char line[kSpokenTextCapacity];
  StatusLine(game, line);
  if (std::strcmp(line, toldStatus_) == 0) return;
  QAccessibleTextUpdateEvent update(&status_, 0, QString::fromLatin1(toldStatus_),
                                    QString::fromLatin1(line));
  std::memcpy(toldStatus_, line, sizeof line);
  QAccessible::updateAccessibility(&update);
  QAccessibleEvent renamed(&status_, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&renamed);
}

void BoardWidget::FollowDeviceSize() {
  const double ratio = devicePixelRatioF();
  const int width = static_cast<int>(std::lround(this->width() * ratio));
  const int height = static_cast<int>(std::lround(this->height() * ratio));
  const BoardLayout& layout = host_.Layout();
  if (width == layout.clientWidth && height == layout.clientHeight && fittedAt_ == PixelsPerInch())
    return;
  fittedAt_ = PixelsPerInch();
  QtCanvas measuring(nullptr, palette().color(QPalette::Text), fittedAt_);
  host_.Resize(measuring, width, height);
  update();
}

void BoardWidget::resizeEvent(QResizeEvent*) { FollowDeviceSize(); }

void BoardWidget::paintEvent(QPaintEvent* event) {
  FollowDeviceSize();  // a move to a screen of another pixel ratio brings no resize
  QPainter painter(this);
  painter.fillRect(event->rect(), palette().color(QPalette::Base));
  const double ratio = devicePixelRatioF();
  painter.scale(1 / ratio, 1 / ratio);
  QtCanvas canvas(&painter, palette().color(QPalette::Text), PixelsPerInch());
  host_.Paint(canvas);
}

void BoardWidget::keyPressEvent(QKeyEvent* event) {
  // A character typed with Ctrl, Alt or the logo key is a shortcut, not a square's key;
  // one of the keypad types its digit as the main keys do.
  const Qt::KeyboardModifiers shortcut = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
  const QString text = event->text();
  if ((event->modifiers() & shortcut) != 0 || text.size() != 1 || text[0].unicode() > 0x7F) {
    QWidget::keyPressEvent(event);
    return;
  }
  host_.TypedChar(static_cast<char>(text[0].unicode()), event->isAutoRepeat());
}

void BoardWidget::mousePressEvent(QMouseEvent* event) {
  // A double click brings a second press here too (QWidget's default): two presses.
  if (event->button() != Qt::LeftButton) return;
  const double ratio = devicePixelRatioF();
  const QPointF at = event->position() * ratio;
  host_.Click(static_cast<int32_t>(std::floor(at.x())), static_cast<int32_t>(std::floor(at.y())));
}
