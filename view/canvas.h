// What the view asks of a shell's drawing surface, in the game's own words: fill a
// rectangle, draw a dotted grid line, write a line of the status panel, measure the
// status font. Every shell carries these out on its own platform; the tests record them.
#pragma once

#include <cstdint>

#include "engine/tables.h"
#include "view/layout.h"

enum class TextAlign { Left, Centre };  // a text line is always centred top to bottom

class Canvas {
 public:
  // The user's colour for window text, read afresh at every paint.
  virtual Colour WindowTextColour() = 0;
  // Right and bottom edges left out; empty fills nothing.
  virtual void FillRect(const Rect& rect, Colour colour) = 0;
  // A dotted line one pixel wide, horizontal or vertical, from (x0, y0) up to but not
  // including (x1, y1); its gaps keep what lies beneath them.
  virtual void DottedLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Colour colour) = 0;
  // One line of `length` characters (Latin-1) in the status font at `points`, centred
  // vertically in `rect`, at its left or centred across it, not clipped to it, nothing
  // drawn behind the letters.
  virtual void WriteText(const char* text, int length, const Rect& rect, Colour colour,
                         int16_t points, TextAlign align) = 0;
  // The status font's average character width at `points`, in pixels; 0 or less when no
  // such font can be made or measured.
  virtual int32_t AverageCharWidth(int16_t points) = 0;

 protected:
  ~Canvas() = default;
};
