#include "ui/Loupe.h"

#include <gtest/gtest.h>

#include "framework/Form.h"
#include "framework/Label.h"
#include "framework/Testing.h"
#include "graphics/Bitmap.h"
#include "tests/framework/Support.h"

namespace {

using framework::testing::PixelAt;
using framework::testing::ProcessEvents;

bool Overlap(const TRect& a, const TRect& b) {
  return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

TEST(Loupe, SitsBesideWhatItMagnifiesAndFlipsAtTheScreensEdges) {
  constexpr int kWidth = 130;
  constexpr int kHeight = 150;
  constexpr int kGap = 8;
  struct Case {
    const char* what;
    TRect screen, avoid;
    TPoint at;
  };
  const TRect screen = Rect(0, 0, 1280, 1024);
  const Case cases[] = {
      {"room everywhere: right and below", screen, Rect(400, 300, 430, 330), Point(438, 338)},
      {"at the right edge: left", screen, Rect(1150, 300, 1180, 330), Point(1012, 338)},
      {"at the bottom edge: above", screen, Rect(400, 900, 430, 930), Point(438, 742)},
      {"in the bottom-right corner: left and above", screen, Rect(1250, 1000, 1280, 1024), Point(1112, 842)},
      {"just room on the right", screen, Rect(400, 300, 1142, 330), Point(1150, 338)},
      {"a screen that does not start at 0", Rect(1280, 100, 2560, 1124), Rect(1280, 100, 1290, 110),
       Point(1298, 118)},
      {"no room on either side: as far in as it goes, below", Rect(0, 0, 200, 1024), Rect(60, 300, 90, 330),
       Point(70, 338)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const TPoint at = ui::PlaceBeside(c.screen, c.avoid, kWidth, kHeight, kGap);
    EXPECT_EQ(at, c.at);
    const TRect box = Rect(at.X, at.Y, at.X + kWidth, at.Y + kHeight);
    EXPECT_FALSE(Overlap(box, Rect(c.avoid.Left - kGap + 1, c.avoid.Top - kGap + 1, c.avoid.Right + kGap - 1,
                                   c.avoid.Bottom + kGap - 1)));
    EXPECT_TRUE(box.Left >= c.screen.Left && box.Right <= c.screen.Right && box.Top >= c.screen.Top &&
                box.Bottom <= c.screen.Bottom);
  }
}

// A 40 x 30 picture whose pixels all differ, in a view of a shown form.
struct Scene {
  ScopedApplication app;
  TForm* form = nullptr;
  TImage* view = nullptr;
  TBitmap picture;
  TLoupe* loupe = nullptr;
  Scene() {
    picture.SetBitDepth(bd24Bit);
    picture.SetWidth(40);
    picture.SetHeight(30);
    for (int y = 0; y < 30; ++y) {
      std::uint8_t* row = picture.ScanLineAddress(y);
      for (int x = 0; x < 40; ++x) {
        const TColor c = Colour(x, y);
        row[3 * x] = static_cast<std::uint8_t>(c >> 16);
        row[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
        row[3 * x + 2] = static_cast<std::uint8_t>(c);
      }
    }
    app->CreateForm(form);
    view = runtime::CreateComponent<TImage>(*form);
    view->SetParent(form);
    view->SetAutoSize(true);
    view->Picture().SetGraphic(&picture);
    form->Show();
    loupe = runtime::CreateComponent<TLoupe>(*form);
    ProcessEvents();
  }
  static TColor Colour(int x, int y) { return static_cast<TColor>((x * 6) | ((y * 8) << 8) | (0x40 << 16)); }
  // What the loupe shows in the middle of the cell of picture pixel (x, y).
  TColor Shown(TPoint centre, int x, int y) {
    const TPoint cell = loupe->CellOrigin(x - centre.X + TLoupe::kCells / 2, y - centre.Y + TLoupe::kCells / 2);
    return PixelAt(loupe->Magnified(), cell.X + TLoupe::kCellSize / 2 - 1, cell.Y + TLoupe::kCellSize / 2 - 1);
  }
};

void ExpectMagnified() {
  Scene s;
  const TPoint centre = Point(3, 20);
  const TRect outline = Rect(3, 5, 30, 20);
  s.loupe->ShowAround(*s.view, s.picture, centre, outline);
  ProcessEvents();
  ASSERT_TRUE(s.loupe->Showing());
  EXPECT_EQ(s.loupe->Centre(), centre);
  struct Cell {
    int x, y;
    TColor shows;
  };
  constexpr TColor kGrey = 0xA4A0A0;
  const Cell cells[] = {
      {3, 20, Scene::Colour(3, 20) ^ 0xFFFFFF},    // the corner, on the outline
      {10, 20, Scene::Colour(10, 20) ^ 0xFFFFFF},  // the bottom line
      {3, 14, Scene::Colour(3, 14) ^ 0xFFFFFF},    // the left line
      {4, 19, Scene::Colour(4, 19)},               // inside
      {2, 21, Scene::Colour(2, 21)},               // outside the rectangle
      {-1, 20, kGrey},                             // outside the picture
      {10, 27, Scene::Colour(10, 27)},
  };
  for (const Cell& c : cells) {
    SCOPED_TRACE(testing::Message() << "(" << c.x << ", " << c.y << ")");
    EXPECT_EQ(s.Shown(centre, c.x, c.y), c.shows);
  }
  // Every cell keeps its device pixels whatever the desktop's scale.
  const TPoint first = s.loupe->CellOrigin(0, 0);
  const TPoint next = s.loupe->CellOrigin(1, 1);
  EXPECT_EQ(next.X - first.X, TLoupe::kCellSize);
  EXPECT_GE(s.loupe->Magnified().Width(), TLoupe::kBlock);
  auto* label = dynamic_cast<TLabel*>(s.loupe->Controls(1));
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->Caption(), "(3, 20)");

  // What it shows is its own copy.
  const TColor before = s.Shown(centre, 4, 19);
  s.picture.SetWidth(1);
  s.loupe->Magnified().Repaint();
  EXPECT_EQ(s.Shown(centre, 4, 19), before);
}

TEST(Loupe, MagnifiesThePixelsAroundItsCentreWithTheOutlineInvertedAndNamesTheCentre) { ExpectMagnified(); }

TEST(HiDpiLoupe, CellsKeepTheirDevicePixels) {
  if (!DesktopScaled()) GTEST_SKIP() << kNeedsScaledDesktop;
  ExpectMagnified();
}

TEST(HiDpiLoupe, StaysOnTheMonitorOfWhatItMagnifies) {
  if (!DesktopScaled()) GTEST_SKIP() << kNeedsScaledDesktop;
  const RealMonitors monitors;
  ASSERT_EQ(monitors.all.size(), 2u);
  for (const TRect& monitor : monitors.all) {
    Scene s;
    // At the monitor's left edge there is room on the right only.
    s.form->SetBounds(monitor.Left, monitor.Top, s.form->Width(), s.form->Height());
    ProcessEvents();
    s.loupe->ShowAround(*s.view, s.picture, Point(0, 0), Rect(0, 0, 0, 0));
    ProcessEvents();
    const TRect box = s.loupe->BoundsRect();
    EXPECT_TRUE(box.Left >= monitor.Left && box.Right <= monitor.Right && box.Top >= monitor.Top &&
                box.Bottom <= monitor.Bottom)
        << box.Left << "," << box.Top << " on " << monitor.Left << "," << monitor.Top;
  }
}

}  // namespace
