// A Canvas that models one GDI device context: a table of objects (three stock ones
// and every one created), the selected object of each kind, background mode, text
// colour and the current position. It records what is drawn with which attributes
// and flags the misuse a real context would punish: deleting a selected or stock
// object, using a deleted one, deleting twice, measuring the stock font, drawing on
// an opaque background, a font of no size. Every misuse fails the running test where
// it happens; it is also counted, and the first is described, for tests that report
// it in their own terms.
//
// Long runs stay small: CheckRestored forgets the deleted objects and ClearRecord
// what was drawn.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "view/canvas.h"

class ModelCanvas final : public Canvas {
 public:
  enum Kind { kPen = 0, kFont = 1, kBrush = 2 };
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

  // The context's behaviour: the system window-text colour, the average character
  // width of the font of a size (0 or less: the font cannot be measured), and whether
  // making an object of a kind (a font of a size) fails and gives null.
  Colour windowText = 0x102030;
  std::function<int32_t(int16_t points)> averageWidth = [](int16_t points) { return points; };
  std::function<bool(Kind kind, int16_t points)> creationFails = [](Kind, int16_t) {
    return false;
  };

  // What was drawn since the start or the last ClearRecord, in order.
  std::vector<Line> lines;
  std::vector<Text> texts;
  std::vector<Fill> fills;
  std::vector<int16_t> fontSizesCreated;  // every size asked for, made or not
  std::vector<char> drawOrder;            // 'l', 't' or 'f' per drawing call

  ModelCanvas() { Reset(); }

  void ClearRecord() {
    lines.clear();
    texts.clear();
    fills.clear();
    fontSizesCreated.clear();
    drawOrder.clear();
  }

  int bkMode() const { return bkMode_; }
  Colour textColour() const { return textColour_; }
  int64_t created() const { return created_; }  // objects made, over the whole life
  int64_t refused() const { return refused_; }  // creations that failed
  int faults() const { return faults_; }
  const std::string& firstFault() const { return firstFault_; }

  // After a whole paint or resize: every created object deleted, the stock objects
  // selected again, background mode and text colour as they were. The deleted objects
  // are then forgotten (they are only kept to catch late use), and after a fault the
  // context starts again clean.
  void CheckRestored(const char* after = "the operation") {
    int64_t live = 0;
    for (size_t i = 3; i < objects_.size(); ++i) live += objects_[i].live ? 1 : 0;
    if (live != 0) Fault(after, std::to_string(live) + " objects left undeleted");
    for (Object selected : selected_) {
      if (!objects_[Index(selected)].stock) Fault(after, "a created object left selected");
    }
    if (bkMode_ != kOpaque) Fault(after, "background mode not restored");
    if (textColour_ != kStartTextColour) Fault(after, "text colour not restored");
    Reset();
  }

  int SetBkMode(int mode) override {
    if (mode != kTransparent && mode != kOpaque) Fault("SetBkMode", "not a background mode");
    return Exchange(bkMode_, mode);
  }
  Colour SetTextColor(Colour colour) override { return Exchange(textColour_, colour); }
  Colour WindowTextColour() override { return windowText; }
  Object CreateDotPen(Colour colour) override { return Create(kPen, colour, 0); }
  Object CreateStatusFont(int16_t points) override {
    fontSizesCreated.push_back(points);
    if (points <= 0) Fault("CreateStatusFont", "size " + std::to_string(points));
    return Create(kFont, 0, points);
  }
  Object CreateSolidBrush(Colour colour) override { return Create(kBrush, colour, 0); }
  Object SelectObject(Object object) override {
    const Entry* e = Find("SelectObject", object);
    if (e == nullptr) return nullptr;
    if (!e->live) Fault("SelectObject", "selecting a deleted object");
    return Exchange(selected_[e->kind], object);
  }
  void DeleteObject(Object object) override {
    Entry* e = Find("DeleteObject", object);
    if (e == nullptr) return;
    if (e->stock) return Fault("DeleteObject", "deleting a stock object");
    if (!e->live) return Fault("DeleteObject", "deleting twice");
    if (selected_[e->kind] == object) Fault("DeleteObject", "deleting a selected object");
    e->live = false;
  }
  int32_t AverageCharWidth() override {
    const Entry& font = Selected(kFont);
    if (font.stock) Fault("AverageCharWidth", "measuring the stock font");
    return averageWidth(font.points);
  }
  void MoveTo(int32_t x, int32_t y) override { x_ = x, y_ = y; }
  void LineTo(int32_t x, int32_t y) override {
    if (bkMode_ != kTransparent) Fault("LineTo", "dotted line drawn on an opaque background");
    const Entry& pen = Selected(kPen);
    lines.push_back({x_, y_, x, y, pen.stock ? kNoColour : pen.colour, bkMode_});
    drawOrder.push_back('l');
    MoveTo(x, y);
  }
  void WriteText(const char* text, int length, const Rect& rect, uint32_t flags) override {
    if (text == nullptr || length < 0) return Fault("WriteText", "no text");
    if (length > 39) Fault("WriteText", "a status line longer than its buffer");
    if (bkMode_ != kTransparent) Fault("WriteText", "text drawn on an opaque background");
    texts.push_back({std::string(text, static_cast<size_t>(length)), rect, flags, textColour_,
                     Selected(kFont).points, bkMode_});
    drawOrder.push_back('t');
  }
  void FillRect(const Rect& rect, Object brush) override {
    const Entry* e = Find("FillRect", brush);
    if (e == nullptr) return;
    if (!e->live || e->kind != kBrush)
      return Fault("FillRect", "filling with a dead or foreign object");
    fills.push_back({rect, e->colour});
    drawOrder.push_back('f');
  }

 private:
  struct Entry {
    Kind kind;
    Colour colour;
    int16_t points;
    bool stock;
    bool live;
  };

  template <typename T>
  static T Exchange(T& slot, T value) {
    T old = slot;
    slot = value;
    return old;
  }

  // Handles are table index + 1, never null.
  static size_t Index(Object o) { return static_cast<size_t>(reinterpret_cast<uintptr_t>(o)) - 1; }
  Object Add(Entry e) {
    objects_.push_back(e);
    return reinterpret_cast<Object>(static_cast<uintptr_t>(objects_.size()));
  }
  Object Create(Kind kind, Colour colour, int16_t points) {
    if (creationFails(kind, points)) {
      ++refused_;
      return nullptr;
    }
    ++created_;
    return Add({kind, colour, points, false, true});
  }
  Entry* Find(const char* call, Object o) {
    const uintptr_t handle = reinterpret_cast<uintptr_t>(o);
    if (handle == 0 || handle > objects_.size()) {
      Fault(call, o == nullptr ? "a null object" : "not an object of this context");
      return nullptr;
    }
    return &objects_[handle - 1];
  }
  const Entry& Selected(Kind kind) const { return objects_[Index(selected_[kind])]; }

  // The three stock objects selected, nothing else known; the attributes as at the start.
  void Reset() {
    objects_.clear();
    for (Kind k : {kPen, kFont, kBrush}) selected_[k] = Add({k, 0, 0, true, true});
    bkMode_ = kOpaque;
    textColour_ = kStartTextColour;
  }

  void Fault(const char* call, const std::string& what) {
    ADD_FAILURE() << "canvas misuse, " << call << ": " << what;
    if (faults_++ == 0) firstFault_ = std::string(call) + ": " + what;
  }

  std::vector<Entry> objects_;
  Object selected_[3] = {};
  int bkMode_ = kOpaque;
  Colour textColour_ = kStartTextColour;
  int32_t x_ = 0, y_ = 0;
  int64_t created_ = 0, refused_ = 0;
  int faults_ = 0;
  std::string firstFault_;
};
