// The view's canvas on a QPainter, in device pixels, drawn as the Windows game draws:
// the end point of a line and the right and bottom edges of a rectangle left out, the
// dotted line one pixel wide, text placed in its rectangle as there. Colours cross over
// as QColor here and nowhere else.
#pragma once

#include <QColor>
#include <QFont>

#include "view/canvas.h"

class QPainter;

class QtCanvas final : public Canvas {
 public:
  // `painter` draws in device pixels, or is null for measuring only. `pixelsPerInch` is
  // the device's vertical density, at which point sizes become pixels.
  QtCanvas(QPainter* painter, QColor windowText, double pixelsPerInch);

  Colour WindowTextColour() override;
  void FillRect(const Rect& rect, Colour colour) override;
  void DottedLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Colour colour) override;
  void WriteText(const char* text, int length, const Rect& rect, Colour colour, int16_t points,
                 TextAlign align) override;
  int32_t AverageCharWidth(int16_t points) override;

  // The status font at a point size on this device: Arial, or the font that stands for
  // it (Liberation Sans has the same metrics), sized by character height.
  static QFont StatusFont(int16_t points, double pixelsPerInch);

 private:
  QPainter* painter_;
  QColor windowText_;
  double pixelsPerInch_;
};
