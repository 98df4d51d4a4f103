#include "win32/gdi_canvas.h"

namespace {

// 0xRRGGBB <-> COLORREF (0x00BBGGRR). The top byte passes through unchanged, so
// a value read back from GDI (CLR_INVALID included) is restored exactly.
constexpr COLORREF ToColorRef(Colour c) {
  return (c & 0xFF000000u) | ((c >> 16) & 0xFFu) | (c & 0xFF00u) | ((c & 0xFFu) << 16);
}
constexpr Colour FromColorRef(COLORREF c) {
  return (c & 0xFF000000u) | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}

static_assert(ToColorRef(0x123456) == RGB(0x12, 0x34, 0x56), "RGB order");
static_assert(FromColorRef(RGB(0xAB, 0xCD, 0xEF)) == 0xABCDEF, "RGB order");
static_assert(FromColorRef(ToColorRef(CLR_INVALID)) == CLR_INVALID, "round trip");

static_assert(Canvas::kTransparent == TRANSPARENT, "background mode");
static_assert(Canvas::kLeft == DT_LEFT && Canvas::kCenter == DT_CENTER &&
                  Canvas::kVCenter == DT_VCENTER && Canvas::kSingleLine == DT_SINGLELINE &&
                  Canvas::kNoClip == DT_NOCLIP,
              "DrawText flags");

RECT ToRECT(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

int GdiCanvas::SetBkMode(int mode) { return ::SetBkMode(dc_, mode); }

Colour GdiCanvas::SetTextColor(Colour colour) {
  return FromColorRef(::SetTextColor(dc_, ToColorRef(colour)));
}

Colour GdiCanvas::WindowTextColour() { return FromColorRef(::GetSysColor(COLOR_WINDOWTEXT)); }

Canvas::Object GdiCanvas::CreateDotPen(Colour colour) {
  return ::CreatePen(PS_DOT, 0, ToColorRef(colour));
}

Canvas::Object GdiCanvas::CreateStatusFont(int16_t points) {
  // Negative height: chosen by character height, points converted with the
  // context's vertical pixels per inch.
  const int height = -::MulDiv(points, ::GetDeviceCaps(dc_, LOGPIXELSY), 72);
  return ::CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_RASTER_PRECIS,
                       CLIP_DEFAULT_PRECIS, DRAFT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
}

Canvas::Object GdiCanvas::CreateSolidBrush(Colour colour) {
  return ::CreateSolidBrush(ToColorRef(colour));
}

Canvas::Object GdiCanvas::SelectObject(Object object) {
  return ::SelectObject(dc_, static_cast<HGDIOBJ>(object));
}

void GdiCanvas::DeleteObject(Object object) { ::DeleteObject(static_cast<HGDIOBJ>(object)); }

int32_t GdiCanvas::AverageCharWidth() {
  TEXTMETRICA metrics;
  // Unmeasurable counts as width 0, which ends the font search.
  if (!::GetTextMetricsA(dc_, &metrics)) return 0;
  return metrics.tmAveCharWidth;
}

void GdiCanvas::MoveTo(int32_t x, int32_t y) { ::MoveToEx(dc_, x, y, nullptr); }

void GdiCanvas::LineTo(int32_t x, int32_t y) { ::LineTo(dc_, x, y); }

void GdiCanvas::WriteText(const char* text, int length, const Rect& rect, uint32_t flags) {
  RECT r = ToRECT(rect);
  ::DrawTextA(dc_, text, length, &r, flags);
}

void GdiCanvas::FillRect(const Rect& rect, Object brush) {
  const RECT r = ToRECT(rect);
  ::FillRect(dc_, &r, static_cast<HBRUSH>(brush));
}
