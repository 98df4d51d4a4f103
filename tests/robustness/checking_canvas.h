// A Canvas that models one device context closely enough to catch misuse over
// millions of calls without keeping a record of them: a table of objects (three
// stock ones and every one created), the selected object of each kind, background
// mode and text colour. Every misuse is counted and the first one is described.
// Fonts measure with an average character width that grows with the point size,
// as real fonts do, so the status font search always ends.
#pragma once

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "view/canvas.h"

class CheckingCanvas final : public Canvas {
 public:
  enum Kind { kPen = 0, kFont = 1, kBrush = 2 };
  static constexpr int kOpaque = 2;
  static constexpr Colour kStartTextColour = 0x000001;

  // The average width of the status font at `points`: about 0.6 of the size,
  // never below 1.
  static int32_t AverageWidthOf(int16_t points) { return points < 2 ? 1 : (points * 3 + 4) / 5; }

  // With a failure rate above 0, object creation fails (returns null) and a
  // measurement reports width 0 at that rate.
  explicit CheckingCanvas(double failureRate = 0.0, uint32_t seed = 1)
      : failureRate_(failureRate), rng_(seed) {
    for (Kind k : {kPen, kFont, kBrush}) selected_[k] = Add(k, 0, 0, true);
  }

  // What one paint drew, reset by BeginPaint.
  struct PaintRecord {
    int lines = 0;
    int texts = 0;
    std::vector<Rect> fillRects;
    std::vector<Colour> fillColours;
    std::string statusWord;  // the text of the last centred line
    Colour statusColour = 0;
  };
  const PaintRecord& paint() const { return paint_; }
  void BeginPaint() { paint_ = PaintRecord(); }

  int faults() const { return faults_; }
  const std::string& firstFault() const { return firstFault_; }
  int64_t objectsCreated() const { return created_; }
  int64_t creationsRefused() const { return refused_; }

  // After a whole paint or resize: every created object deleted, the stock objects
  // selected again, background mode and text colour as they were.
  void CheckRestored(const char* after) {
    if (live_ != 0) Fault(after, std::to_string(live_) + " objects left undeleted");
    for (int k = 0; k < 3; ++k)
      if (!objects_[Index(selected_[k])].stock) Fault(after, "a created object left selected");
    if (bkMode_ != kOpaque) Fault(after, "background mode not restored");
    if (textColour_ != kStartTextColour) Fault(after, "text colour not restored");
    // Dead objects are only kept to catch late use; forget them between operations
    // (after a fault, start again from a clean context).
    objects_.resize(3);
    for (int k = 0; k < 3; ++k)
      selected_[k] = reinterpret_cast<Object>(static_cast<uintptr_t>(k + 1));
    live_ = 0;
    bkMode_ = kOpaque;
    textColour_ = kStartTextColour;
  }

  int SetBkMode(int mode) override {
    if (mode != kTransparent && mode != kOpaque) Fault("SetBkMode", "not a background mode");
    const int old = bkMode_;
    bkMode_ = mode;
    return old;
  }
  Colour SetTextColor(Colour colour) override {
    const Colour old = textColour_;
    textColour_ = colour;
    return old;
  }
  Colour WindowTextColour() override { return 0x102030; }
  Object CreateDotPen(Colour) override { return Create(kPen, 0); }
  Object CreateStatusFont(int16_t points) override {
    if (points <= 0) Fault("CreateStatusFont", "size " + std::to_string(points));
    return Create(kFont, points);
  }
  Object CreateSolidBrush(Colour colour) override {
    Object brush = Create(kBrush, 0);
    if (brush != nullptr) objects_[Index(brush)].colour = colour;
    return brush;
  }
  Object SelectObject(Object object) override {
    Entry* e = Find("SelectObject", object);
    if (e == nullptr) return nullptr;
    if (!e->live) Fault("SelectObject", "selecting a deleted object");
    Object old = selected_[e->kind];
    selected_[e->kind] = object;
    return old;
  }
  void DeleteObject(Object object) override {
    Entry* e = Find("DeleteObject", object);
    if (e == nullptr) return;
    if (e->stock) return Fault("DeleteObject", "deleting a stock object");
    if (!e->live) return Fault("DeleteObject", "deleting twice");
    if (selected_[e->kind] == object) Fault("DeleteObject", "deleting a selected object");
    e->live = false;
    --live_;
  }
  int32_t AverageCharWidth() override {
    const Entry& font = objects_[Index(selected_[kFont])];
    if (font.stock) Fault("AverageCharWidth", "measuring the stock font");
    if (Fails()) return 0;
    return AverageWidthOf(font.points);
  }
  void MoveTo(int32_t, int32_t) override {}
  void LineTo(int32_t, int32_t) override {
    if (bkMode_ != kTransparent) Fault("LineTo", "dotted line drawn on an opaque background");
    ++paint_.lines;
  }
  void WriteText(const char* text, int length, const Rect&, uint32_t flags) override {
    if (text == nullptr || length < 0) return Fault("WriteText", "no text");
    if (length > 39) Fault("WriteText", "a status line longer than its buffer");
    if (bkMode_ != kTransparent) Fault("WriteText", "text drawn on an opaque background");
    ++paint_.texts;
    if (flags & kCenter) {
      paint_.statusWord.assign(text, static_cast<size_t>(length));
      paint_.statusColour = textColour_;
    }
  }
  void FillRect(const Rect& rect, Object brush) override {
    Entry* e = Find("FillRect", brush);
    if (e == nullptr) return;
    if (!e->live || e->kind != kBrush)
      return Fault("FillRect", "filling with a dead or foreign object");
    paint_.fillRects.push_back(rect);
    paint_.fillColours.push_back(e->colour);
  }

 private:
  struct Entry {
    Kind kind;
    Colour colour;
    int16_t points;
    bool stock;
    bool live;
  };

  bool Fails() { return failureRate_ > 0 && chance_(rng_) < failureRate_; }

  Object Add(Kind kind, Colour colour, int16_t points, bool stock) {
    objects_.push_back(Entry{kind, colour, points, stock, true});
    return reinterpret_cast<Object>(static_cast<uintptr_t>(objects_.size()));  // index + 1
  }
  Object Create(Kind kind, int16_t points) {
    if (Fails()) {
      ++refused_;
      return nullptr;
    }
    ++created_;
    ++live_;
    return Add(kind, 0, points, false);
  }
  static size_t Index(Object o) { return static_cast<size_t>(reinterpret_cast<uintptr_t>(o)) - 1; }
  Entry* Find(const char* call, Object o) {
    const uintptr_t handle = reinterpret_cast<uintptr_t>(o);
    if (handle == 0 || handle > objects_.size()) {
      Fault(call, o == nullptr ? "a null object" : "not an object of this context");
      return nullptr;
    }
    return &objects_[handle - 1];
  }
  void Fault(const char* call, const std::string& what) {
    if (faults_++ == 0) firstFault_ = std::string(call) + ": " + what;
  }

  double failureRate_;
  std::mt19937 rng_;
  std::uniform_real_distribution<double> chance_{0.0, 1.0};
  std::vector<Entry> objects_;
  Object selected_[3] = {};
  int bkMode_ = kOpaque;
  Colour textColour_ = kStartTextColour;
  int64_t live_ = 0, created_ = 0, refused_ = 0;
  int faults_ = 0;
  std::string firstFault_;
  PaintRecord paint_;
};
