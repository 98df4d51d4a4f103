// Choosing the status font size against fake font metrics.
#include <gtest/gtest.h>

#include <climits>

#include "tests/support/model_canvas.h"
#include "view/layout.h"

namespace {

int16_t Fit(ModelCanvas& canvas, int32_t clientWidth) {
  BoardLayout layout;
  OnResize(layout, canvas, clientWidth, 300);
  EXPECT_EQ(layout.clientWidth, clientWidth);
  EXPECT_EQ(layout.clientHeight, 300);
  canvas.CheckRestored();  // every font deleted, the previous one selected again
  return layout.statusFontSize;
}

// Average widths of an uneven font: 12 pixels from 14 to 17 points, 13 at 18.
int32_t Table(int16_t p) {
  static const int32_t widths[] = {0, 0, 0, 0, 3,  3,  4,  5,  5,  6,
                                   7, 7, 8, 9, 12, 12, 12, 12, 13, 14};
  return p < 20 ? widths[p] : p;
}

TEST(FitStatusFont, KeepsGrowingWhileTwelveCharactersFit) {
  ModelCanvas canvas;
  canvas.averageWidth = Table;
  EXPECT_EQ(Fit(canvas, 640), 17);  // bound 155: 12 x 12 = 144 fits, 12 x 13 = 156 does not
  const std::vector<int16_t> tried = {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  EXPECT_EQ(canvas.fontSizesCreated, tried);
  EXPECT_EQ(canvas.created(), 15);
}

TEST(FitStatusFont, BoundIsAStrictComparison) {
  ModelCanvas canvas;
  canvas.averageWidth = Table;
  EXPECT_EQ(Fit(canvas, 599), 13);  // bound 144 is not more than 12 x 12
  ModelCanvas wider;
  wider.averageWidth = Table;
  EXPECT_EQ(Fit(wider, 600), 17);  // bound 145 is
}

TEST(FitStatusFont, NarrowWindowsGetTheLeastSize) {
  for (int32_t width : {0, 1, 79, -100, INT32_MIN}) {
    ModelCanvas canvas;
    EXPECT_EQ(Fit(canvas, width), 3) << width;
    EXPECT_EQ(canvas.created(), 1);
  }
}

TEST(FitStatusFont, UnmeasurableFontsEndTheSearch) {
  ModelCanvas zero;
  zero.averageWidth = [](int16_t) { return 0; };
  EXPECT_EQ(Fit(zero, 640), 3);
  EXPECT_EQ(zero.created(), 1);

  ModelCanvas negative;
  negative.averageWidth = [](int16_t p) { return p < 9 ? 1 : -5; };
  EXPECT_EQ(Fit(negative, 640), 8);
}

TEST(FitStatusFont, FontsThatCannotBeMadeEndTheSearch) {
  ModelCanvas none;
  none.creationFails = [](ModelCanvas::Kind kind, int16_t) { return kind == ModelCanvas::kFont; };
  EXPECT_EQ(Fit(none, 640), 3);
  EXPECT_EQ(none.fontSizesCreated.size(), 1u);

  ModelCanvas fromSeven;
  fromSeven.creationFails = [](ModelCanvas::Kind kind, int16_t p) {
    return kind == ModelCanvas::kFont && p >= 7;
  };
  EXPECT_EQ(Fit(fromSeven, 640), 6);  // the last size measured and found to fit
  EXPECT_EQ(fromSeven.created(), 3);
}

TEST(FitStatusFont, NoMetricsCanRunItForeverOrOverflow) {
  ModelCanvas tiny;
  tiny.averageWidth = [](int16_t) { return 1; };
  EXPECT_EQ(Fit(tiny, INT32_MAX), INT16_MAX);
  EXPECT_EQ(tiny.fontSizesCreated.back(), INT16_MAX);

  ModelCanvas enormous;
  enormous.averageWidth = [](int16_t) { return INT32_MAX; };
  EXPECT_EQ(Fit(enormous, INT32_MAX), 3);
}

TEST(FitStatusFont, ResizeFitsAnew) {
  BoardLayout layout;
  ModelCanvas canvas;
  OnResize(layout, canvas, 640, 480);
  EXPECT_EQ(layout.statusFontSize, 12);  // average width = points: 13 x 12 = 156
  OnResize(layout, canvas, 0, 0);
  EXPECT_EQ(layout.statusFontSize, 3);
  OnResize(layout, canvas, 1000, 700);  // bound 245: 20 x 12 = 240 fits
  EXPECT_EQ(layout.statusFontSize, 20);
  canvas.CheckRestored();
}

}  // namespace
