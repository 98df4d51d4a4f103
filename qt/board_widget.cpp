#include "qt/board_widget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

#include "qt/qt_canvas.h"
#include "rules/game_host.h"

BoardWidget::BoardWidget(GameHost& host) : host_(host) {
  // The widget paints every pixel itself: the background first, then the board.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(1, 1);
}

void BoardWidget::Invalidate(const Rect& rect) {
  // Device pixels to the widget's own, rounded outwards.
  const double ratio = devicePixelRatioF();
  const int left = static_cast<int>(std::floor(rect.left / ratio));
  const int top = static_cast<int>(std::floor(rect.top / ratio));
  const int right = static_cast<int>(std::ceil(rect.right / ratio));
  const int bottom = static_cast<int>(std::ceil(rect.bottom / ratio));
  if (right > left && bottom > top) update(left, top, right - left, bottom - top);
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
