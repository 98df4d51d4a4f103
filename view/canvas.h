// The small drawing interface through which the view measures and paints. Its
// Win32 implementation is a one-to-one mapping onto GDI calls; the tests run the view
// on a model of a device context that records what is drawn.
#pragma once

#include <cstdint>

#include "engine/tables.h"
#include "view/layout.h"

class Canvas {
 public:
  using Object = void*;  // a pen, font or brush; null when creation failed

  // Background modes and DrawText flags, with the values GDI gives them.
  static constexpr int kTransparent = 1;
  static constexpr uint32_t kLeft = 0x0, kCenter = 0x1, kVCenter = 0x4, kSingleLine = 0x20,
                            kNoClip = 0x100;

  virtual int SetBkMode(int mode) = 0;                  // returns the previous mode
  virtual Colour SetTextColor(Colour colour) = 0;       // returns the previous colour
  virtual Colour WindowTextColour() = 0;                // the system window-text colour
  virtual Object CreateDotPen(Colour colour) = 0;       // PS_DOT, width 0
  virtual Object CreateStatusFont(int16_t points) = 0;  // Arial at a point size
  virtual Object CreateSolidBrush(Colour colour) = 0;
  virtual Object SelectObject(Object object) = 0;  // returns the one replaced
  virtual void DeleteObject(Object object) = 0;
  virtual int32_t AverageCharWidth() = 0;  // of the selected font
  virtual void MoveTo(int32_t x, int32_t y) = 0;
  virtual void LineTo(int32_t x, int32_t y) = 0;
  // DrawTextA; not called DrawText, which <windows.h> defines as a macro.
  virtual void WriteText(const char* text, int length, const Rect& rect, uint32_t flags) = 0;
  virtual void FillRect(const Rect& rect, Object brush) = 0;

 protected:
  ~Canvas() = default;
};
