#include "qt/qt_canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <cmath>

namespace {

// The dotted line's pattern in pixels, on and off. The look of a dotted pen is the
// platform's; these are the runs the Windows game's dotted pen draws.
constexpr qreal kDotRun = 3;

QRect ToQRect(const Rect& rect) {
  return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

// 0xRRGGBB <-> QColor.
QColor ToQColor(Colour colour) {
  return QColor((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
}

Colour FromQColor(const QColor& colour) { return static_cast<Colour>(colour.rgb() & 0xFFFFFF); }

}  // namespace

QtCanvas::QtCanvas(QPainter* painter, QColor windowText, double pixelsPerInch)
    : painter_(painter), windowText_(windowText), pixelsPerInch_(pixelsPerInch) {
  // The gaps of a dotted line and the space around letters keep what lies beneath.
  if (painter_ != nullptr) painter_->setBackgroundMode(Qt::TransparentMode);
}

QFont QtCanvas::StatusFont(int16_t points, double pixelsPerInch) {
  QFont font;
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setWeight(QFont::Normal);
  // Points to pixels at the device's density, rounded as the Windows game rounds them
  // (half away from zero); at least one pixel, since a font of no size is no font.
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(points * pixelsPerInch / 72.0))));
  return font;
}

Colour QtCanvas::WindowTextColour() { return FromQColor(windowText_); }

void QtCanvas::FillRect(const Rect& rect, Colour colour) {
  if (painter_ == nullptr || rect.right <= rect.left || rect.bottom <= rect.top) return;
  painter_->fillRect(ToQRect(rect), ToQColor(colour));
}

void QtCanvas::DottedLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Colour colour) {
  if (painter_ == nullptr || (x0 == x1 && y0 == y1)) return;
  // The end point is not drawn: the line stops one pixel short along its longer axis.
  const int dx = x1 - x0, dy = y1 - y0;
  QPoint last(x1, y1);
  if (std::abs(dx) >= std::abs(dy)) {
    last.rx() -= dx > 0 ? 1 : -1;
  } else {
    last.ry() -= dy > 0 ? 1 : -1;
  }
  QPen pen(ToQColor(colour), 0);  // width 0: one device pixel
  pen.setDashPattern({kDotRun, kDotRun});
  pen.setCapStyle(Qt::FlatCap);
  painter_->setPen(pen);
  painter_->drawLine(QPoint(x0, y0), last);
}

void QtCanvas::WriteText(const char* text, int length, const Rect& rect, Colour colour,
                         int16_t points, TextAlign align) {
  if (painter_ == nullptr || text == nullptr || length <= 0) return;
  const int alignment = Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip |
                        (align == TextAlign::Centre ? Qt::AlignHCenter : Qt::AlignLeft);
  painter_->setPen(ToQColor(colour));
  painter_->setFont(StatusFont(points, pixelsPerInch_));
  painter_->drawText(ToQRect(rect), alignment, QString::fromLatin1(text, length));
}

int32_t QtCanvas::AverageCharWidth(int16_t points) {
  if (points <= 0) return 0;  // no font of no size
  return QFontMetrics(StatusFont(points, pixelsPerInch_)).averageCharWidth();
}
