// A Canvas that records what the view draws, in order, and answers from two knobs: the
// window-text colour and the status font's average width at a size (0 or less: no such
// font). A request no view should make (a slanted line, no text, a font of no size, a
// status line longer than the view's buffer) is kept as `fault`, the first one described.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "view/canvas.h"

class RecordingCanvas final : public Canvas {
 public:
  struct Line {
    int32_t x0, y0, x1, y1;
    Colour colour;
    bool operator==(const Line& o) const {
      return x0 == o.x0 && y0 == o.y0 && x1 == o.x1 && y1 == o.y1 && colour == o.colour;
    }
  };
  struct Text {
    std::string text;
    Rect rect;
    Colour colour;
    int16_t points;
    TextAlign align;
  };
  struct Fill {
    Rect rect;
    Colour colour;
  };

  Colour windowText = 0x102030;
  std::function<int32_t(int16_t points)> averageWidth = [](int16_t points) { return points; };

  // Since the start or the last ClearRecord.
  std::vector<Line> lines;
  std::vector<Text> texts;
  std::vector<Fill> fills;
  std::string drawOrder;  // 'l', 't' or 'f' per drawing
  std::vector<int16_t> fontSizesMeasured;
  std::string fault;

  void ClearRecord() {
    lines.clear();
    texts.clear();
    fills.clear();
    drawOrder.clear();
    fontSizesMeasured.clear();
  }

  Colour WindowTextColour() override { return windowText; }
  void FillRect(const Rect& rect, Colour colour) override {
    fills.push_back({rect, colour});
    drawOrder += 'f';
  }
  void DottedLine(int32_t x0, int32_t y0, int32_t x1, int32_t y1, Colour colour) override {
    if (x0 != x1 && y0 != y1) Fault("a slanted line");
    lines.push_back({x0, y0, x1, y1, colour});
    drawOrder += 'l';
  }
  void WriteText(const char* text, int length, const Rect& rect, Colour colour, int16_t points,
                 TextAlign align) override {
    if (text == nullptr || length < 0) return Fault("no text");
    if (length > 39) Fault("a status line longer than its buffer");
    if (points <= 0) Fault("text in a font of no size");
    texts.push_back({std::string(text, static_cast<size_t>(length)), rect, colour, points, align});
    drawOrder += 't';
  }
  int32_t AverageCharWidth(int16_t points) override {
    if (points <= 0) Fault("measuring a font of no size");
    fontSizesMeasured.push_back(points);
    return averageWidth(points);
  }

 private:
  void Fault(const std::string& what) {
    if (fault.empty()) fault = what;
  }
};
