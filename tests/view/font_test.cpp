// Choosing the status font size against fake font metrics.
#include <gtest/gtest.h>

#include <climits>

#include "tests/support/recording_canvas.h"
#include "view/layout.h"

namespace {

int16_t Fit(RecordingCanvas& canvas, int32_t clientWidth) {
  BoardLayout layout;
  OnResize(layout, canvas, clientWidth, 300);
  EXPECT_EQ(layout.clientWidth, clientWidth);
  EXPECT_EQ(layout.clientHeight, 300);
  EXPECT_EQ(canvas.fault, "");
  return layout.statusFontSize;
}

// Average widths of an uneven font: 12 pixels from 14 to 17 points, 13 at 18.
int32_t Table(int16_t p) {
  static const int32_t widths[] = {0, 0, 0, 0, 3,  3,  4,  5,  5,  6,
                                   7, 7, 8, 9, 12, 12, 12, 12, 13, 14};
  return p < 20 ? widths[p] : p;
}

TEST(FitStatusFont, KeepsGrowingWhileTwelveCharactersFit) {
  RecordingCanvas canvas;
  canvas.averageWidth = Table;
  EXPECT_EQ(Fit(canvas, 640), 17);  // bound 155: 12 x 12 = 144 fits, 12 x 13 = 156 does not
  const std::vector<int16_t> tried = {4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
  EXPECT_EQ(canvas.fontSizesMeasured, tried);
}

TEST(FitStatusFont, BoundIsAStrictComparison) {
  RecordingCanvas canvas;
  canvas.averageWidth = Table;
  EXPECT_EQ(Fit(canvas, 599), 13);  // bound 144 is not more than 12 x 12
  RecordingCanvas wider;
  wider.averageWidth = Table;
  EXPECT_EQ(Fit(wider, 600), 17);  // bound 145 is
}

TEST(FitStatusFont, NarrowWindowsGetTheLeastSize) {
  for (int32_t width : {0, 1, 79, -100, INT32_MIN}) {
    RecordingCanvas canvas;
    EXPECT_EQ(Fit(canvas, width), 3) << width;
    EXPECT_EQ(canvas.fontSizesMeasured.size(), 1u);
  }
}

// A font that cannot be made or measured: width 0 or less.
TEST(FitStatusFont, UnmeasurableFontsEndTheSearch) {
  RecordingCanvas zero;
  zero.averageWidth = [](int16_t) { return 0; };
  EXPECT_EQ(Fit(zero, 640), 3);
  EXPECT_EQ(zero.fontSizesMeasured.size(), 1u);

  RecordingCanvas fromSeven;
  fromSeven.averageWidth = [](int16_t p) { return p >= 7 ? 0 : p; };
  EXPECT_EQ(Fit(fromSeven, 640), 6);  // the last size measured and found to fit
  EXPECT_EQ(fromSeven.fontSizesMeasured, (std::vector<int16_t>{4, 5, 6, 7}));

  RecordingCanvas negative;
  negative.averageWidth = [](int16_t p) { return p < 9 ? 1 : -5; };
  EXPECT_EQ(Fit(negative, 640), 8);
}

TEST(FitStatusFont, NoMetricsCanRunItForeverOrOverflow) {
  RecordingCanvas tiny;
  tiny.averageWidth = [](int16_t) { return 1; };
  EXPECT_EQ(Fit(tiny, INT32_MAX), INT16_MAX);
  EXPECT_EQ(tiny.fontSizesMeasured.back(), INT16_MAX);

  RecordingCanvas enormous;
  enormous.averageWidth = [](int16_t) { return INT32_MAX; };
  EXPECT_EQ(Fit(enormous, INT32_MAX), 3);
}

TEST(FitStatusFont, ResizeFitsAnew) {
  BoardLayout layout;
  RecordingCanvas canvas;
  OnResize(layout, canvas, 640, 480);
  EXPECT_EQ(layout.statusFontSize, 12);  // average width = points: 13 x 12 = 156
  OnResize(layout, canvas, 0, 0);
  EXPECT_EQ(layout.statusFontSize, 3);
  OnResize(layout, canvas, 1000, 700);  // bound 245: 20 x 12 = 240 fits
  EXPECT_EQ(layout.statusFontSize, 20);
}

}  // namespace
