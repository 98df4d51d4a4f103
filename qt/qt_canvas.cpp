#include "qt/qt_canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <cmath>

struct QtCanvas::Tool {
  enum Kind { kPen = 0, kFont = 1, kBrush = 2 };
  Kind kind;
  QColor colour;  // pen and brush
  QFont font;
};

namespace {

// The dotted pen's pattern in pixels, on and off. The look of a dotted pen is the
// platform's; these are the runs a dotted GDI pen draws.
constexpr qreal kDotRun = 3;

int Alignment(uint32_t flags) {
  int alignment = Qt::AlignVCenter;  // the view always asks for vertical centring
  alignment |= (flags & Canvas::kCenter) != 0 ? Qt::AlignHCenter : Qt::AlignLeft;
  if ((flags & Canvas::kSingleLine) != 0) alignment |= Qt::TextSingleLine;
  if ((flags & Canvas::kNoClip) != 0) alignment |= Qt::TextDontClip;
  return alignment;
}

QRect ToQRect(const Rect& rect) {
  return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

}  // namespace

QColor ToQColor(Colour colour) {
  return QColor((colour >> 16) & 0xFF, (colour >> 8) & 0xFF, colour & 0xFF);
}

Colour FromQColor(const QColor& colour) { return static_cast<Colour>(colour.rgb() & 0xFFFFFF); }

QtCanvas::QtCanvas(QPainter* painter, QColor windowText, double pixelsPerInch)
    : painter_(painter), windowText_(windowText), pixelsPerInch_(pixelsPerInch) {
  for (int kind = 0; kind < 3; ++kind) {
    stock_[kind] = new Tool{static_cast<Tool::Kind>(kind), QColor(Qt::black), QFont()};
    selected_[kind] = stock_[kind];
  }
}

QtCanvas::~QtCanvas() {
  for (Tool* tool : stock_) delete tool;
}

QFont QtCanvas::StatusFont(int16_t points, double pixelsPerInch) {
  QFont font;
  font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
  font.setStyleHint(QFont::SansSerif);
  font.setWeight(QFont::Normal);
  // Points to pixels at the device's density, rounded as MulDiv rounds (half away from
  // zero); at least one pixel, since a font of no size is no font.
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(points * pixelsPerInch / 72.0))));
  return font;
}

int QtCanvas::SetBkMode(int mode) {
  const int previous = bkMode_;
  bkMode_ = mode;
  if (painter_ != nullptr) {
    painter_->setBackgroundMode(mode == kTransparent ? Qt::TransparentMode : Qt::OpaqueMode);
  }
  return previous;
}

Colour QtCanvas::SetTextColor(Colour colour) {
  const Colour previous = textColour_;
  textColour_ = colour;
  return previous;
}

Colour QtCanvas::WindowTextColour() { return FromQColor(windowText_); }

Canvas::Object QtCanvas::CreateDotPen(Colour colour) {
  return new Tool{Tool::kPen, ToQColor(colour), QFont()};
}

Canvas::Object QtCanvas::CreateStatusFont(int16_t points) {
  if (points <= 0) return nullptr;
  return new Tool{Tool::kFont, QColor(), StatusFont(points, pixelsPerInch_)};
}

Canvas::Object QtCanvas::CreateSolidBrush(Colour colour) {
  return new Tool{Tool::kBrush, ToQColor(colour), QFont()};
}

Canvas::Object QtCanvas::SelectObject(Object object) {
  if (object == nullptr) return nullptr;
  Tool* tool = static_cast<Tool*>(object);
  Tool* previous = selected_[tool->kind];
  selected_[tool->kind] = tool;
  return previous;
}

void QtCanvas::DeleteObject(Object object) {
  Tool* tool = static_cast<Tool*>(object);
  if (tool == nullptr || tool == stock_[tool->kind] || tool == selected_[tool->kind]) return;
  delete tool;
}

int32_t QtCanvas::AverageCharWidth() {
  return QFontMetrics(selected_[Tool::kFont]->font).averageCharWidth();
}

void QtCanvas::MoveTo(int32_t x, int32_t y) { position_ = QPoint(x, y); }

void QtCanvas::LineTo(int32_t x, int32_t y) {
  const QPoint from = position_;
  position_ = QPoint(x, y);
  if (painter_ == nullptr || from == position_) return;
  // The end point is not drawn: the line stops one pixel short along its longer axis.
  const int dx = x - from.x(), dy = y - from.y();
  QPoint last = position_;
  if (std::abs(dx) >= std::abs(dy)) {
    last.rx() -= dx > 0 ? 1 : -1;
  } else {
    last.ry() -= dy > 0 ? 1 : -1;
  }
  QPen pen(selected_[Tool::kPen]->colour, 0);  // width 0: one device pixel
  if (selected_[Tool::kPen] != stock_[Tool::kPen]) pen.setDashPattern({kDotRun, kDotRun});
  pen.setCapStyle(Qt::FlatCap);
  painter_->setPen(pen);
  painter_->drawLine(from, last);
}

void QtCanvas::WriteText(const char* text, int length, const Rect& rect, uint32_t flags) {
  if (painter_ == nullptr || text == nullptr || length <= 0) return;
  painter_->setPen(ToQColor(textColour_));
  painter_->setFont(selected_[Tool::kFont]->font);
  painter_->drawText(ToQRect(rect), Alignment(flags), QString::fromLatin1(text, length));
}

void QtCanvas::FillRect(const Rect& rect, Object brush) {
  if (painter_ == nullptr || brush == nullptr) return;
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;
  painter_->fillRect(ToQRect(rect), static_cast<Tool*>(brush)->colour);
}
