// The drawing interface of the view on a GDI device context: each operation is
// the one GDI call it names. Colours cross over as COLORREF here and nowhere else.
#pragma once

#include <windows.h>

#include "view/canvas.h"

class GdiCanvas final : public Canvas {
 public:
  explicit GdiCanvas(HDC dc) : dc_(dc) {}

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

 private:
  HDC dc_;
};
