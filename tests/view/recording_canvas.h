// A Canvas that keeps a device context's state (background mode, text colour, one
// selected object of each kind) and records what is drawn with which attributes.
// It flags the misuse a real context would punish: deleting a selected or stock
// object, using a deleted one, deleting twice.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "view/canvas.h"

class RecordingCanvas final : public Canvas {
 public:
  enum Kind { kPen, kFont, kBrush };
  static constexpr int kOpaque = 2;
  static constexpr Colour kStartTextColour = 0x000001;
  static constexpr Colour kNoColour = 0xFFFFFFFF;  // the stock pen or brush

  struct Line {
    int32_t x0, y0, x1, y1;
    Colour pen;  // kNoColour when no created pen is selected
    int bkMode;
    bool operator==(const Line& o) const {
      return x0 == o.x0 && y0 == o.y0 && x1 == o.x1 && y1 == o.y1 && pen == o.pen &&
             bkMode == o.bkMode;
    }
  };
  struct Text {
    std::string text;
    Rect rect;
    uint32_t flags;
    Colour colour;
    int16_t points;  // of the selected font; 0 for the stock font
    int bkMode;
  };
  struct Fill {
    Rect rect;
    Colour colour;
  };

  Colour windowText = 0x102030;
  // Average character width of the font of a size, and whether it can be made.
  std::function<int32_t(int16_t)> averageWidth = [](int16_t p) { return p; };
  std::function<bool(int16_t)> fontFails = [](int16_t) { return false; };
  bool brushesFail = false, pensFail = false;

  std::vector<Line> lines;
  std::vector<Text> texts;
  std::vector<Fill> fills;
  std::vector<int16_t> fontSizesCreated;
  std::vector<char> drawOrder;  // 'l', 't' or 'f' per drawing call

  RecordingCanvas() {
    for (Kind k : {kPen, kFont, kBrush}) selected_[k] = Add({k, 0, 0, true, true});
  }

  int bkMode() const { return bkMode_; }
  Colour textColour() const { return textColour_; }
  int created() const { return static_cast<int>(objects_.size()) - 3; }

  // The context is as it was before: every created object deleted, the stock
  // objects selected, background mode and text colour as at the start.
  void ExpectRestored() const {
    for (size_t i = 3; i < objects_.size(); ++i) EXPECT_FALSE(objects_[i].live) << "object " << i;
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(Get(selected_[k]).stock) << "kind " << k;
    EXPECT_EQ(bkMode_, kOpaque);
    EXPECT_EQ(textColour_, kStartTextColour);
  }

  int SetBkMode(int mode) override { return Exchange(bkMode_, mode); }
  Colour SetTextColor(Colour colour) override { return Exchange(textColour_, colour); }
  Colour WindowTextColour() override { return windowText; }
  Object CreateDotPen(Colour colour) override {
    return pensFail ? nullptr : Add({kPen, colour, 0, true, false});
  }
  Object CreateStatusFont(int16_t points) override {
    fontSizesCreated.push_back(points);
    return fontFails(points) ? nullptr : Add({kFont, 0, points, true, false});
  }
  Object CreateSolidBrush(Colour colour) override {
    return brushesFail ? nullptr : Add({kBrush, colour, 0, true, false});
  }
  Object SelectObject(Object object) override {
    const Entry& e = Get(object);
    EXPECT_TRUE(e.live) << "selecting a deleted object";
    return Exchange(selected_[e.kind], object);
  }
  void DeleteObject(Object object) override {
    Entry& e = Get(object);
    EXPECT_FALSE(e.stock) << "deleting a stock object";
    EXPECT_TRUE(e.live) << "deleting twice";
    EXPECT_NE(selected_[e.kind], object) << "deleting a selected object";
    e.live = false;
  }
  int32_t AverageCharWidth() override {
    const Entry& font = Get(selected_[kFont]);
    EXPECT_FALSE(font.stock) << "measuring the stock font";
    return averageWidth(font.points);
  }
  void MoveTo(int32_t x, int32_t y) override { x_ = x, y_ = y; }
  void LineTo(int32_t x, int32_t y) override {
    const Entry& pen = Get(selected_[kPen]);
    lines.push_back({x_, y_, x, y, pen.stock ? kNoColour : pen.colour, bkMode_});
    drawOrder.push_back('l');
    MoveTo(x, y);
  }
  void WriteText(const char* text, int length, const Rect& rect, uint32_t flags) override {
    texts.push_back({std::string(text, length), rect, flags, textColour_,
                     Get(selected_[kFont]).points, bkMode_});
    drawOrder.push_back('t');
  }
  void FillRect(const Rect& rect, Object brush) override {
    const Entry& e = Get(brush);
    EXPECT_TRUE(e.live && e.kind == kBrush) << "filling with a dead or foreign object";
    fills.push_back({rect, e.colour});
    drawOrder.push_back('f');
  }

 private:
  struct Entry {
    Kind kind;
    Colour colour;
    int16_t points;
    bool live, stock;
  };
  template <typename T>
  static T Exchange(T& slot, T value) {
    T old = slot;
    slot = value;
    return old;
  }
  Object Add(Entry e) {
    objects_.push_back(e);
    return reinterpret_cast<Object>(objects_.size());  // handle = index + 1, never null
  }
  Entry& Get(Object o) {
    const size_t i = reinterpret_cast<size_t>(o);
    if (i == 0 || i > objects_.size()) {
      ADD_FAILURE() << "not an object of this canvas";
      return objects_[0];
    }
    return objects_[i - 1];
  }
  const Entry& Get(Object o) const { return const_cast<RecordingCanvas*>(this)->Get(o); }

  std::vector<Entry> objects_;
  Object selected_[3] = {};
  int bkMode_ = kOpaque;
  Colour textColour_ = kStartTextColour;
  int32_t x_ = 0, y_ = 0;
};
