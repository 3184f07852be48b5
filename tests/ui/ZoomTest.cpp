#include "ui/Zoom.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

TEST(Zoom, MapsDevicePositionsAndPicturePixelsExactly) {
  struct Case {
    TZoom zoom;
    std::int64_t device, picture;  // ToPicture(device) == picture
    std::int64_t pixel, start;     // ToDevice(pixel) == start
  };
  const Case cases[] = {
      {TZoom(), 37, 37, -5, -5},
      {TZoom(1, 3), 2, 6, 7, 2},
      {TZoom(1, 3), -1, -3, -1, -1},  // left of the view: rounded down, not toward zero
      {TZoom(2, 3), 5, 7, 7, 4},
      {TZoom(2, 3), -1, -2, -2, -2},
      {TZoom(3, 1), 8, 2, 2, 6},
      {TZoom(3, 1), -1, -1, -1, -3},
      {TZoom(1200, 3000), 1199, 2997, 2999, 1199},  // 全体表示 of 3000 wide in 1200
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.zoom.P() << "/" << c.zoom.Q() << " d=" << c.device);
    EXPECT_EQ(c.zoom.ToPicture(c.device), c.picture);
    EXPECT_EQ(c.zoom.ToDevice(c.pixel), c.start);
  }
}

TEST(Zoom, StepsFitExtentAndPercent) {
  struct Case {
    TZoom zoom;
    TZoom larger, smaller;
    std::int64_t extentOf7, percent;
  };
  const Case cases[] = {
      {TZoom(), TZoom(2, 1), TZoom(2, 3), 7, 100},
      {TZoom(1, 16), TZoom(1, 12), TZoom(1, 16), 1, 6},
      {TZoom(16, 1), TZoom(16, 1), TZoom(12, 1), 112, 1600},
      {TZoom(2, 3), TZoom(1, 1), TZoom(1, 2), 5, 67},
      {TZoom(2, 5), TZoom(1, 2), TZoom(1, 3), 3, 40},  // between steps
      {TZoom(1, 8), TZoom(1, 6), TZoom(1, 12), 1, 13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.zoom.P() << "/" << c.zoom.Q());
    EXPECT_EQ(c.zoom.Larger(100, 100), c.larger);
    EXPECT_EQ(c.zoom.Smaller(), c.smaller);
    EXPECT_EQ(c.zoom.Extent(7), c.extentOf7);
    EXPECT_EQ(c.zoom.Percent(), c.percent);
  }
  // Zooming in stops before a side passes what a widget can measure.
  EXPECT_EQ(TZoom(4, 1).Larger(3000000, 10), TZoom(4, 1));
  EXPECT_EQ(TZoom(4, 1).Larger(2796202, 10), TZoom(6, 1));

  struct FitCase {
    std::int64_t w, h, vw, vh;
    TZoom fit;
  };
  const FitCase fits[] = {
      {3000, 2000, 1200, 900, TZoom(2, 5)},
      {3000, 2000, 1500, 600, TZoom(3, 10)},
      {640, 480, 1200, 900, TZoom()},  // never enlarges
      {7, 3, 5, 100, TZoom(5, 7)},
      {0, 0, 100, 100, TZoom()},
  };
  for (const FitCase& f : fits) EXPECT_EQ(TZoom::Fit(f.w, f.h, f.vw, f.vh), f.fit) << f.w << "x" << f.h;
}

}  // namespace
