#include "ui/Image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "framework/Form.h"
#include "framework/ScrollBox.h"
#include "framework/Testing.h"
#include "graphics/Bitmap.h"
#include "jpeg/JpegImage.h"
#include "platform/Windows.h"
#include "runtime/MemoryStream.h"
#include "tests/framework/Support.h"

namespace {

using framework::testing::PixelAt;
using framework::testing::ProcessEvents;

// The colour of pixel (x, y) of a Pattern picture.
TColor PatternColor(int x, int y) {
  const int red = x & 0xFF;
  const int green = y & 0xFF;
  const int blue = (x * 7 + y * 13) & 0xFF;
  return static_cast<TColor>(red | (green << 8) | (blue << 16));
}

// A 24-bit picture in which no two neighbouring pixels are alike.
void Pattern(TBitmap& bitmap, int width, int height) {
  bitmap.SetBitDepth(bd24Bit);
  bitmap.SetWidth(width);
  bitmap.SetHeight(height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap.ScanLineAddress(y);
    for (int x = 0; x < width; ++x) {
      const TColor c = PatternColor(x, y);
      row[3 * x] = static_cast<std::uint8_t>(c >> 16);
      row[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
      row[3 * x + 2] = static_cast<std::uint8_t>(c);
    }
  }
}

// Counts its paints and remembers the largest surface one was given.
class Probe : public TImage {
 public:
  explicit Probe(TComponent* owner) : TImage(owner) {}
  int paints = 0;
  long long largestSurface = 0;

 protected:
  void PaintView() override {
    ++paints;
    HDC dc = TGraphicControl::Canvas().CurrentHandle();
    BITMAP surface{};
    GetObject(GetCurrentObject(dc, OBJ_BITMAP), sizeof surface, &surface);
    largestSurface = std::max(largestSurface, static_cast<long long>(surface.bmWidth) * std::abs(surface.bmHeight));
    TImage::PaintView();
  }
};

// A shown medium-grey form with one view at (10, 10).
struct Scene {
  ScopedApplication app;
  TForm* form = nullptr;
  Probe* view = nullptr;
  explicit Scene(int width = 100, int height = 100) {
    app->CreateForm(form);
    form->SetClientWidth(300);
    form->SetClientHeight(250);
    form->SetColor(clMedGray);
    view = runtime::CreateComponent<Probe>(*form);
    view->SetParent(form);
    view->SetBounds(10, 10, width, height);
    form->Show();
    ProcessEvents();
  }
  void Show(int width, int height) {
    TBitmap picture;
    Pattern(picture, width, height);
    view->Picture().SetGraphic(&picture);
    ProcessEvents();
  }
};

void SetPictureSize(TImage& view, int width, int height) {
  TBitmap picture;
  picture.SetWidth(width);
  picture.SetHeight(height);
  view.Picture().SetGraphic(&picture);
}

TEST(ImageView, TargetRectScalesOnlyWhenAskedAndKeepsTheRatioWhenProportional) {
  Scene s;
  s.view->SetProportional(true);
  SetPictureSize(*s.view, 50, 40);
  EXPECT_EQ(s.view->TargetRect(), Rect(0, 0, 50, 40));
  SetPictureSize(*s.view, 200, 100);
  EXPECT_EQ(s.view->TargetRect(), Rect(0, 0, 100, 50));
  SetPictureSize(*s.view, 100, 300);
  EXPECT_EQ(s.view->TargetRect(), Rect(0, 0, 33, 100));
  // Stretch also enlarges, still keeping the ratio.
  s.view->SetStretch(true);
  SetPictureSize(*s.view, 50, 40);
  EXPECT_EQ(s.view->TargetRect(), Rect(0, 0, 100, 80));

  s.view->SetProportional(false);
  EXPECT_EQ(s.view->TargetRect(), Rect(0, 0, 100, 100));
  SetPictureSize(*s.view, 1000, 3);
  EXPECT_EQ(s.view->TargetRect(), Rect(0, 0, 100, 100));
}

TEST(ImageView, CenterRoundsTowardZeroAndGoesNegativeForLargerPictures) {
  Scene s;
  s.view->SetCenter(true);
  SetPictureSize(*s.view, 50, 40);
  EXPECT_EQ(s.view->TargetRect(), Rect(25, 30, 75, 70));
  s.view->SetBounds(10, 10, 101, 101);
  EXPECT_EQ(s.view->TargetRect(), Rect(25, 30, 75, 70));
  s.view->SetBounds(10, 10, 100, 100);
  SetPictureSize(*s.view, 203, 100);
  EXPECT_EQ(s.view->TargetRect(), Rect(-51, 0, 152, 100));
}

TEST(ImageView, AutoSizeTakesThePictureSizeButNeverAnEmptyOne) {
  Scene s(33, 25);
  // As a form definition sets it: the empty picture does not shrink the view.
  s.view->BeginLoading();
  s.view->SetBounds(4, 6, 33, 25);
  s.view->SetAutoSize(true);
  s.view->SetStretch(true);
  s.view->EndLoading();
  EXPECT_EQ(s.view->BoundsRect(), Rect(4, 6, 37, 31));
  SetPictureSize(*s.view, 0, 0);
  EXPECT_EQ(s.view->BoundsRect(), Rect(4, 6, 37, 31));
  SetPictureSize(*s.view, 640, 480);
  EXPECT_EQ(s.view->BoundsRect(), Rect(4, 6, 644, 486));
  EXPECT_EQ(s.view->TargetRect(), Rect(0, 0, 640, 480));
  // Resizing the bitmap in place is a change of the picture as well.
  s.view->Picture().AsBitmap().SetHeight(200);
  EXPECT_EQ(s.view->BoundsRect(), Rect(4, 6, 644, 206));
}

TEST(ImageView, ProposesThePictureSizeAlongTheFreeAxesOnly) {
  Scene s(33, 25);
  SetPictureSize(*s.view, 64, 48);
  s.view->SetAutoSize(true);
  EXPECT_EQ(s.view->Width(), 64);
  EXPECT_EQ(s.view->Height(), 48);
  s.view->SetAutoSize(false);
  s.view->SetBounds(0, 0, 10, 10);
  s.view->SetAlign(alTop);
  s.view->SetAutoSize(true);
  EXPECT_EQ(s.view->Height(), 48);
  EXPECT_EQ(s.view->Width(), s.form->ClientWidth());
}

TEST(ImageView, ReadingTheCanvasOfAnEmptyViewMakesABitmapOfItsSize) {
  Scene s(33, 25);
  TCanvas& canvas = s.view->Canvas();
  TGraphic* graphic = s.view->Picture().Graphic();
  ASSERT_NE(graphic, nullptr);
  ASSERT_TRUE(graphic->InheritsFrom(TBitmap::ClassInfo()));
  EXPECT_EQ(graphic->Width(), 33);
  EXPECT_EQ(graphic->Height(), 25);
  EXPECT_EQ(&canvas, &static_cast<TBitmap*>(graphic)->Canvas());
  EXPECT_EQ(canvas.PixelColor(32, 24), clWhite);
}

TEST(ImageView, TheCanvasOfAViewHoldingAnotherKindIsRefused) {
  Scene s;
  TJPEGImage jpeg;
  s.view->Picture().SetGraphic(&jpeg);
  TGraphic* held = s.view->Picture().Graphic();
  try {
    s.view->Canvas();
    FAIL() << "no failure";
  } catch (const EInvalidOperation& e) {
    EXPECT_STREQ(e.what(), "ビットマップを持っている時のみイメージの変更が可能です");
  }
  EXPECT_EQ(s.view->Picture().Graphic(), held);
}

TEST(ImageView, OneDrawnLineIsOneChangeAndAnUnchangedSettingNone) {
  Scene s(40, 30);
  TCanvas& canvas = s.view->Canvas();
  int changes = 0;
  auto handler = s.view->Picture().OnChange;
  s.view->Picture().OnChange = [&](TObject* sender) {
    ++changes;
    handler(sender);
  };
  ProcessEvents();
  const int paints = s.view->paints;
  canvas.Pen().SetColor(clRed);
  canvas.MovePenTo(0, 5);
  canvas.DrawLineTo(30, 5);
  EXPECT_EQ(changes, 1);
  s.view->SetStretch(false);
  s.view->SetCenter(false);
  EXPECT_EQ(changes, 1);
  ProcessEvents();
  EXPECT_EQ(s.view->paints, paints + 1);
  EXPECT_EQ(PixelAt(*s.view, 29, 5), clRed);
  EXPECT_EQ(PixelAt(*s.view, 30, 5), clWhite);
}

TEST(ImageView, PaintsThePicturePixelForPixelAtOneToOne) {
  Scene s(40, 30);
  s.Show(40, 30);
  EXPECT_TRUE(s.view->Opaque());
  for (int y = 0; y < 30; y += 3) {
    for (int x = 0; x < 40; x += 3) ASSERT_EQ(PixelAt(*s.view, x, y), PatternColor(x, y)) << x << "," << y;
  }
  EXPECT_EQ(PixelAt(*s.view, 39, 29), PatternColor(39, 29));
}

TEST(ImageView, PaintsIntoTheTargetRectWhenStretchedOrCentred) {
  Scene s(80, 60);
  s.view->SetStretch(true);
  s.Show(40, 30);
  for (int y = 0; y < 30; y += 4) {
    for (int x = 0; x < 40; x += 4) {
      ASSERT_EQ(PixelAt(*s.view, 2 * x, 2 * y), PatternColor(x, y)) << x << "," << y;
      ASSERT_EQ(PixelAt(*s.view, 2 * x + 1, 2 * y + 1), PatternColor(x, y)) << x << "," << y;
    }
  }

  s.view->SetStretch(false);
  s.view->SetCenter(true);
  ProcessEvents();
  ASSERT_EQ(s.view->TargetRect(), Rect(20, 15, 60, 45));
  EXPECT_FALSE(s.view->Opaque());
  EXPECT_EQ(PixelAt(*s.view, 20, 15), PatternColor(0, 0));
  EXPECT_EQ(PixelAt(*s.view, 59, 44), PatternColor(39, 29));
  EXPECT_EQ(PixelAt(*s.view, 37, 22), PatternColor(17, 7));
  // The parent shows around the picture.
  EXPECT_EQ(PixelAt(*s.view, 19, 15), clMedGray);
  EXPECT_EQ(PixelAt(*s.view, 60, 44), clMedGray);
}

TEST(ImageView, OpacityFollowsTheViewsSizeNotOnlyItsPicture) {
  Scene s(40, 40);
  s.view->SetStretch(true);
  s.view->SetProportional(true);
  s.view->SetCenter(true);
  s.Show(40, 40);
  EXPECT_TRUE(s.view->Opaque());
  // Wider than the square picture: the parent shows on both sides, never black.
  s.view->SetBounds(10, 10, 80, 40);
  ProcessEvents();
  EXPECT_FALSE(s.view->Opaque());
  EXPECT_EQ(PixelAt(*s.view, 5, 20), clMedGray);
  EXPECT_EQ(PixelAt(*s.view, 75, 20), clMedGray);
  s.view->SetBounds(10, 10, 60, 60);
  EXPECT_TRUE(s.view->Opaque());
}

TEST(ImageView, ATransparentPictureIsNeverOpaqueAndLetsTheParentShow) {
  Scene s(20, 20);
  TBitmap picture;
  picture.SetWidth(20);
  picture.SetHeight(20);
  picture.Canvas().Brush().SetColor(clBlue);
  picture.Canvas().FillArea(Rect(5, 5, 15, 15));
  s.view->Picture().SetGraphic(&picture);
  EXPECT_TRUE(s.view->Opaque());
  s.view->SetTransparent(true);
  EXPECT_TRUE(s.view->Picture().Graphic()->Transparent());
  EXPECT_FALSE(s.view->Opaque());
  ProcessEvents();
  EXPECT_EQ(PixelAt(*s.view, 10, 10), clBlue);
  EXPECT_EQ(PixelAt(*s.view, 1, 1), clMedGray);
}

TEST(ImageView, ANewGraphicRepaints) {
  Scene s(30, 30);
  s.Show(30, 30);
  TBitmap green;
  green.SetWidth(30);
  green.SetHeight(30);
  green.Canvas().Brush().SetColor(clLime);
  green.Canvas().FillArea(Rect(0, 0, 30, 30));
  s.view->Picture().SetGraphic(&green);
  ProcessEvents();
  EXPECT_EQ(PixelAt(*s.view, 12, 17), clLime);
  s.view->Picture().SetGraphic(nullptr);
  EXPECT_FALSE(s.view->Opaque());
  ProcessEvents();
  EXPECT_EQ(PixelAt(*s.view, 12, 17), clMedGray);
}

TEST(ImageView, ALargeViewInAScrollBoxPaintsOnlyItsVisiblePart) {
  ScopedApplication app;
  TForm* form = nullptr;
  app->CreateForm(form);
  form->SetClientWidth(300);
  form->SetClientHeight(200);
  auto* box = runtime::CreateComponent<TScrollBox>(*form);
  box->SetParent(form);
  box->SetAlign(alClient);
  box->SetBorderStyle(bsNone);
  auto* view = runtime::CreateComponent<Probe>(*form);
  view->SetParent(box);
  view->SetBounds(0, 0, 33, 25);
  view->SetAutoSize(true);
  view->SetStretch(true);
  form->Show();
  ProcessEvents();
  TBitmap picture;
  Pattern(picture, 3000, 2000);
  view->Picture().AsBitmap().CopyFrom(&picture);
  ProcessEvents();
  ASSERT_EQ(view->BoundsRect(), Rect(0, 0, 3000, 2000));
  box->SetScrollPosition(1200, 900);
  view->largestSurface = 0;
  view->Repaint();
  ProcessEvents();
  EXPECT_GT(view->largestSurface, 0);
  EXPECT_LE(view->largestSurface, 300LL * 200);
  // PixelAt renders the whole view, so it comes after the measurement.
  const int x = box->HorzScrollPosition() + 17;
  const int y = box->VertScrollPosition() + 11;
  EXPECT_EQ(PixelAt(*view, x, y), PatternColor(x, y));
}

TEST(ImageView, DrawingALineOnItsCanvasRepaintsOnlyWhatTheLineCovers) {
  Scene s(200, 150);
  s.Show(200, 150);
  TCanvas& canvas = s.view->Canvas();
  canvas.Pen().SetColor(clWhite);
  canvas.Pen().SetMode(pmXor);
  s.view->largestSurface = 0;
  const int before = s.view->paints;
  canvas.MovePenTo(20, 30);
  canvas.DrawLineTo(120, 30);
  ProcessEvents();
  EXPECT_EQ(s.view->paints, before + 1);
  EXPECT_LE(s.view->largestSurface, 101LL * 1);
  EXPECT_EQ(PixelAt(*s.view, 20, 30), PatternColor(20, 30) ^ 0x00FFFFFF);
  EXPECT_EQ(PixelAt(*s.view, 120, 30), PatternColor(120, 30));
  // A stretched picture changes everywhere it shows: the whole view repaints.
  s.view->SetStretch(true);
  s.view->SetBounds(10, 10, 100, 75);
  ProcessEvents();
  s.view->largestSurface = 0;
  canvas.DrawLineTo(120, 60);
  ProcessEvents();
  EXPECT_EQ(s.view->largestSurface, 100LL * 75);
}

TEST(ImageView, MouseEventsArriveInClientCoordinatesWithButtonAndShift) {
  Scene s(50, 50);
  struct Seen {
    TMouseButton button;
    TShiftState shift;
    int x;
    int y;
  };
  std::vector<Seen> downs;
  std::vector<Seen> moves;
  std::vector<Seen> ups;
  s.view->OnMouseDown = [&](TObject* sender, TMouseButton b, TShiftState sh, int x, int y) {
    EXPECT_EQ(sender, s.view);
    downs.push_back({b, sh, x, y});
  };
  s.view->OnMouseMove = [&](TObject*, TShiftState sh, int x, int y) { moves.push_back({mbLeft, sh, x, y}); };
  s.view->OnMouseUp = [&](TObject*, TMouseButton b, TShiftState sh, int x, int y) { ups.push_back({b, sh, x, y}); };
  framework::testing::PressMouse(*s.view, mbRight, ssShift | ssRight, 5, 7);
  framework::testing::MoveMouse(*s.view, ssCtrl | ssRight, -3, 70);
  framework::testing::ReleaseMouse(*s.view, mbRight, TShiftState{}, 8, 9);
  ASSERT_EQ(downs.size(), 1U);
  EXPECT_EQ(downs[0].button, mbRight);
  EXPECT_EQ(downs[0].shift, ssShift | ssRight);
  EXPECT_EQ(downs[0].x, 5);
  EXPECT_EQ(downs[0].y, 7);
  ASSERT_EQ(moves.size(), 1U);
  EXPECT_EQ(moves[0].shift, ssCtrl | ssRight);
  EXPECT_EQ(moves[0].x, -3);
  EXPECT_EQ(moves[0].y, 70);
  ASSERT_EQ(ups.size(), 1U);
  EXPECT_EQ(ups[0].button, mbRight);
  EXPECT_EQ(ups[0].x, 8);
  EXPECT_EQ(ups[0].y, 9);
}

TEST(ImageView, PassesProgressOnAndRepaintsWhenIncremental) {
  Scene s(20, 20);
  s.Show(20, 20);
  s.view->SetIncrementalDisplay(true);
  int reports = 0;
  s.view->OnProgress = [&](TObject* sender, TProgressStage stage, std::uint8_t percent, bool redraw, const TRect& r,
                           const std::string& msg) {
    ++reports;
    EXPECT_EQ(sender, s.view->Picture().Graphic());
    EXPECT_EQ(stage, psRunning);
    EXPECT_EQ(percent, 40);
    EXPECT_TRUE(redraw);
    EXPECT_EQ(r, Rect(1, 2, 3, 4));
    EXPECT_EQ(msg, "m");
  };
  const int paints = s.view->paints;
  TGraphic* graphic = s.view->Picture().Graphic();
  graphic->ReportProgress(graphic, psRunning, 40, true, Rect(1, 2, 3, 4), "m");
  EXPECT_EQ(reports, 1);
  EXPECT_GT(s.view->paints, paints);
}


TEST(ImageView, APictureDecodedWhileIncrementallyPaintedIsPaintedOnce) {
  Scene s(64, 64);
  TBitmap source;
  Pattern(source, 64, 64);
  TMemoryStream bytes;
  {
    TJPEGImage encoder;
    encoder.CopyFrom(&source);
    encoder.SaveStream(bytes);
  }
  bytes.SetPosition(0);
  TJPEGImage jpeg;
  jpeg.LoadStream(bytes);
  s.view->SetIncrementalDisplay(true);
  s.view->Picture().SetGraphic(&jpeg);
  // A decode with a palette of its own ends with a report that asks for a redraw.
  static_cast<TJPEGImage*>(s.view->Picture().Graphic())->SetDecodeDepth(jd8Bit);
  int redraws = 0;
  s.view->OnProgress = [&](TObject*, TProgressStage, std::uint8_t, bool redraw, const TRect&, const std::string&) {
    if (redraw) ++redraws;
  };
  BoxCatcher catcher;
  const int paints = s.view->paints;
  ProcessEvents();
  EXPECT_EQ(redraws, 1);
  EXPECT_EQ(s.view->paints, paints + 1);
  EXPECT_TRUE(catcher.boxes.empty());
  EXPECT_NE(PixelAt(*s.view, 40, 30), clMedGray);
}

}  // namespace

namespace {

// A 24-bit picture whose colour is constant on blocks of block × block pixels.
void Blocks(TBitmap& bitmap, int width, int height, int block) {
  Pattern(bitmap, width, height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap.ScanLineAddress(y);
    for (int x = 0; x < width; ++x) {
      const TColor c = PatternColor(x / block, y / block);
      row[3 * x] = static_cast<std::uint8_t>(c >> 16);
      row[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
      row[3 * x + 2] = static_cast<std::uint8_t>(c);
    }
  }
}

TEST(ImageView, PaintsEachDevicePixelFromThePicturePixelItMapsTo) {
  struct Case {
    TZoom zoom;
    int block;  // reduced views are exact on blocks as large as their reduction
  };
  const Case cases[] = {{TZoom(3, 1), 1}, {TZoom(2, 3), 1}, {TZoom(2, 5), 2}, {TZoom(1, 4), 4}, {TZoom(1, 6), 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.zoom.P() << "/" << c.zoom.Q());
    Scene s;
    s.view->SetAutoSize(true);
    s.view->SetStretch(true);
    s.view->SetZoom(c.zoom);
    TBitmap picture;
    Blocks(picture, 40, 30, c.block);
    s.view->Picture().SetGraphic(&picture);
    ProcessEvents();
    ASSERT_EQ(s.view->Width(), c.zoom.Extent(40));
    ASSERT_EQ(s.view->Height(), c.zoom.Extent(30));
    for (int y = 0; y < s.view->Height(); y += 2) {
      for (int x = 0; x < s.view->Width(); x += 3) {
        const auto px = static_cast<int>(c.zoom.ToPicture(x)) / c.block;
        const auto py = static_cast<int>(c.zoom.ToPicture(y)) / c.block;
        ASSERT_EQ(PixelAt(*s.view, x, y), PatternColor(px, py)) << x << "," << y;
      }
    }
  }
}

TEST(ImageView, InvertsAFrameOnTheDeviceLinesWherePicturePixelsStart) {
  struct Case {
    TRect frame;
    int column, row;                 // a pixel the frame inverts once
    int insideColumn, insideRow;     // a pixel it leaves alone
  };
  // At 2/3, picture columns 3 and 30 start at device columns 2 and 20, rows
  // 3 and 20 at device rows 2 and 13.
  const Case cases[] = {
      {Rect(3, 3, 30, 20), 2, 5, 3, 5},
      {Rect(30, 20, 3, 3), 20, 13, 19, 12},  // reversed
      {Rect(3, 3, 30, 20), 2, 2, 3, 3},      // a corner is inverted once
      {Rect(6, 3, 6, 20), 4, 7, 5, 7},       // collapsed to one column: once
      {Rect(3, 9, 30, 9), 10, 6, 10, 7},     // collapsed to one row
  };
  Scene s;
  s.view->SetAutoSize(true);
  s.view->SetStretch(true);
  s.view->SetZoom(TZoom(2, 3));
  s.Show(40, 30);
  auto shown = [&](int x, int y) {
    return PatternColor(static_cast<int>(TZoom(2, 3).ToPicture(x)), static_cast<int>(TZoom(2, 3).ToPicture(y)));
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.frame.Left << "," << c.frame.Top << "," << c.frame.Right << ","
                                    << c.frame.Bottom);
    s.view->SetFrame(c.frame);
    ProcessEvents();
    EXPECT_EQ(PixelAt(*s.view, c.column, c.row), shown(c.column, c.row) ^ 0xFFFFFF);
    EXPECT_EQ(PixelAt(*s.view, c.insideColumn, c.insideRow), shown(c.insideColumn, c.insideRow));
  }
  // A point, like its outline at 1:1, covers nothing.
  s.view->SetFrame(Rect(3, 3, 3, 3));
  ProcessEvents();
  EXPECT_EQ(PixelAt(*s.view, 2, 2), shown(2, 2));
  // Taking the frame away leaves the picture as it was; the bitmap never held it.
  s.view->SetFrame(std::nullopt);
  ProcessEvents();
  EXPECT_EQ(PixelAt(*s.view, 2, 5), shown(2, 5));
}

}  // namespace
