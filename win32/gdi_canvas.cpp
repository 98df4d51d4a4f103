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

RECT ToRECT(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

}  // namespace

GdiCanvas::~GdiCanvas() {
  Release(pen_);
  Release(font_);
  if (transparent_) ::SetBkMode(dc_, originalMode_);
  if (coloured_) ::SetTextColor(dc_, originalColour_);
}

template <typename Make>
bool GdiCanvas::Select(Made& made, uint32_t request, Make make) {
  if (made.asked && made.request == request) return made.object != nullptr;
  Release(made);
  made.asked = true;
  made.request = request;
  made.object = make();
  if (made.object != nullptr) made.original = ::SelectObject(dc_, made.object);
  return made.object != nullptr;
}

void GdiCanvas::Release(Made& made) {
  if (made.object == nullptr) return;
  ::SelectObject(dc_, made.original);
  ::DeleteObject(made.object);
  made.object = nullptr;
}

void GdiCanvas::Transparent() {
  if (transparent_) return;
  originalMode_ = ::SetBkMode(dc_, TRANSPARENT);
  transparent_ = true;
}

void GdiCanvas::TextColour(COLORREF colour) {
  if (coloured_ && textColour_ == colour) return;
  const COLORREF previous = ::SetTextColor(dc_, colour);
  if (!coloured_) originalColour_ = previous;
  coloured_ = true;
  textColour_ = colour;
}

Colour GdiCanvas::WindowTextColour() { return FromColorRef(::GetSysColor(COLOR_WINDOWTEXT)); }

void GdiCanvas::FillRect(const Rect& rect, Colour colour) {
  // A brush for this fill alone.
  HBRUSH brush = ::CreateSolidBrush(ToColorRef(colour));
  if (brush == nullptr) return;
  const RECT r = ToRECT(rect);
  ::FillRect(dc_, &r, brush);
  ::DeleteObject(brush);
}

void GdiCanvas::DottedLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Colour colour) {
  Transparent();
  // A failed pen leaves the current one selected; the line is drawn anyway.
  const COLORREF c = ToColorRef(colour);
  Select(pen_, c, [c] { return ::CreatePen(PS_DOT, 0, c); });
  ::MoveToEx(dc_, x0, y0, nullptr);
  ::LineTo(dc_, x1, y1);
}

int32_t GdiCanvas::AverageCharWidth(int16_t points) {
  TEXTMETRICA metrics;
  // No font, or unmeasurable: width 0, which ends the font search.
  if (!SelectStatusFont(points) || !::GetTextMetricsA(dc_, &metrics)) return 0;
  return metrics.tmAveCharWidth;
}

void GdiCanvas::WriteText(const char* text, int length, const Rect& rect, Colour colour,
                          int16_t points, TextAlign align) {
  Transparent();
  TextColour(ToColorRef(colour));
  SelectStatusFont(points);  // a failed font writes in the selected one
  RECT r = ToRECT(rect);
  const UINT flags =
      DT_SINGLELINE | DT_VCENTER | DT_NOCLIP | (align == TextAlign::Centre ? DT_CENTER : DT_LEFT);
  ::DrawTextA(dc_, text, length, &r, flags);
}

bool GdiCanvas::SelectStatusFont(int16_t points) {
  return Select(font_, static_cast<uint16_t>(points), [this, points]() -> HGDIOBJ {
    // Arial by character height (a negative height), the points converted with the
    // context's vertical pixels per inch.
    const int height = -::MulDiv(points, ::GetDeviceCaps(dc_, LOGPIXELSY), 72);
    return ::CreateFontA(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_RASTER_PRECIS,
                         CLIP_DEFAULT_PRECIS, DRAFT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Arial");
  });
}
