// The drawing interface of the view on a QPainter, in device pixels: each operation
// does what its GDI namesake does (the end point of a line and the right and bottom
// edges of a rectangle are left out, the dotted pen is one pixel wide, text is placed
// in its rectangle by the same flags). Colours cross over as QColor here and nowhere
// else.
#pragma once

#include <QColor>
#include <QFont>
#include <QPoint>

#include "view/canvas.h"

class QPainter;

class QtCanvas final : public Canvas {
 public:
  // `painter` draws in device pixels, or is null for measuring only. `pixelsPerInch` is
  // the device's vertical density, at which point sizes become pixels.
  QtCanvas(QPainter* painter, QColor windowText, double pixelsPerInch);
  ~QtCanvas();
  QtCanvas(const QtCanvas&) = delete;
  QtCanvas& operator=(const QtCanvas&) = delete;

  int SetBkMode(int mode) override;
  Colour SetTextColor(Colour colour) override;
  Colour WindowTextColour() override;
  Object CreateDotPen(Colour colour) override;
  Object CreateStatusFont(int16_t points) override;
  Object CreateSolidBrush(Colour colour) override;
  Object SelectObject(Object object) override;
  void DeleteObject(Object object) override;
  int32_t AverageCharWidth() override;
  void MoveTo(int32_t x, int32_t y) override;
  void LineTo(int32_t x, int32_t y) override;
  void WriteText(const char* text, int length, const Rect& rect, uint32_t flags) override;
  void FillRect(const Rect& rect, Object brush) override;

  // The status font at a point size on this device: Arial, or the font that stands for
  // it (Liberation Sans has the same metrics), sized by character height.
  static QFont StatusFont(int16_t points, double pixelsPerInch);

 private:
  struct Tool;  // a pen, a font or a brush

  QPainter* painter_;
  QColor windowText_;
  double pixelsPerInch_;
  Tool* stock_[3];     // what is selected before anything is: never deleted
  Tool* selected_[3];  // by kind
  int bkMode_ = 2;     // opaque, as a new device context has it
  Colour textColour_ = 0x000000;
  QPoint position_;
};

// 0xRRGGBB <-> QColor.
QColor ToQColor(Colour colour);
Colour FromQColor(const QColor& colour);
