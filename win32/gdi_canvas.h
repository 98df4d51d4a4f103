// The view's canvas on a GDI device context, for one paint or one font fit. What it
// makes for a request (the transparent background mode, the text colour, the dotted pen
// of a colour, the status font of a size) stays in the context until a different request
// needs another, so that the whole grid is drawn with one pen, as one dot pattern. The
// destructor puts back what the context had and deletes everything made. Colours cross
// over as COLORREF here and nowhere else.
#pragma once

#include <windows.h>

#include "view/canvas.h"

class GdiCanvas final : public Canvas {
 public:
  explicit GdiCanvas(HDC dc) : dc_(dc) {}
  ~GdiCanvas();
  GdiCanvas(const GdiCanvas&) = delete;
  GdiCanvas& operator=(const GdiCanvas&) = delete;

  Colour WindowTextColour() override;
  void FillRect(const Rect& rect, Colour colour) override;
  void DottedLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Colour colour) override;
  void WriteText(const char* text, int length, const Rect& rect, Colour colour, int16_t points,
                 TextAlign align) override;
  int32_t AverageCharWidth(int16_t points) override;

 private:
  // A pen or font this canvas made for a request (the pen's colour, the font's points),
  // selected in the context in place of `original`.
  struct Made {
    HGDIOBJ object = nullptr;  // null: nothing made yet, or the creation failed
    HGDIOBJ original = nullptr;
    bool asked = false;
    uint32_t request = 0;
  };

  // Makes and selects what `request` needs, unless it is what `made` was made for; the
  // one made before goes first. A failed creation leaves the original selected. Returns
  // whether the request has its object.
  template <typename Make>
  bool Select(Made& made, uint32_t request, Make make);
  void Release(Made& made);               // the original selected again, the object deleted
  bool SelectStatusFont(int16_t points);  // false when the font could not be made
  void Transparent();
  void TextColour(COLORREF colour);

  HDC dc_;
  Made pen_;
  Made font_;
  bool transparent_ = false;
  int originalMode_ = 0;
  bool coloured_ = false;
  COLORREF originalColour_ = 0;
  COLORREF textColour_ = 0;
};
