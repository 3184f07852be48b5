// The canvas: lazy state, tool reactions, drawing, copying, locks and the
// system-colour refresh, read back from real pixels.
#include <gtest/gtest.h>

#include <optional>
#include <thread>
#include <vector>

#include "CanvasTestSupport.h"
#include "graphics/Canvas.h"
#include "graphics/Color.h"
#include "graphics/Graphic.h"
#include "runtime/Exceptions.h"

using graphicstest::TDibCanvas;

namespace {

class CanvasTest : public graphicstest::LeakCheckedTest {};

// Draws the selection outline as the main window does: from one corner round
// the rectangle and back to it.
void DrawOutline(TCanvas& canvas, const TRect& r) {
  canvas.MovePenTo(r.Left, r.Top);
  canvas.DrawLineTo(r.Right, r.Top);
  canvas.DrawLineTo(r.Right, r.Bottom);
  canvas.DrawLineTo(r.Left, r.Bottom);
  canvas.DrawLineTo(r.Left, r.Top);
}

bool OnOutline(const TRect& r, int x, int y) {
  const TRect n = r.Normalized();
  const bool inColumns = x >= n.Left && x <= n.Right;
  const bool inRows = y >= n.Top && y <= n.Bottom;
  return (inRows && (x == r.Left || x == r.Right)) || (inColumns && (y == r.Top || y == r.Bottom));
}

TEST_F(CanvasTest, AWhiteXorOutlineInvertsEachOutlinePixelOnceAndTwiceLeavesNoTrace) {
  // Drawn in both directions: the selection may be reversed.
  for (const TRect r : {Rect(3, 4, 17, 12), Rect(17, 12, 3, 4), Rect(0, 0, 19, 15), Rect(5, 5, 6, 9)}) {
    SCOPED_TRACE(testing::Message() << r.Left << "," << r.Top << " - " << r.Right << "," << r.Bottom);
    TDibCanvas canvas(20, 16);
    canvas.FillPattern(7);
    canvas.Pen().SetColor(clWhite);
    canvas.Pen().SetMode(pmXor);
    const std::vector<std::uint8_t> before = canvas.Snapshot();

    DrawOutline(canvas, r);
    int inverted = 0;
    for (int y = 0; y < canvas.Height(); ++y) {
      for (int x = 0; x < canvas.Width(); ++x) {
        const std::size_t at = canvas.Stride() * y + 3 * x;
        const bool expectInverted = OnOutline(r, x, y);
        for (int c = 0; c < 3; ++c) {
          const std::uint8_t want = expectInverted ? static_cast<std::uint8_t>(~before[at + c]) : before[at + c];
          ASSERT_EQ(canvas.Bits()[at + c], want) << "pixel " << x << "," << y;
        }
        inverted += expectInverted;
      }
    }
    const TRect n = r.Normalized();
    EXPECT_EQ(inverted, 2 * (n.Right - n.Left) + 2 * (n.Bottom - n.Top));

    DrawOutline(canvas, r);
    EXPECT_EQ(canvas.Snapshot(), before);
  }
}

TEST_F(CanvasTest, ChangeListenersLearnWhichAreaALineACopyOrAFillChanged) {
  TDibCanvas canvas(40, 30);
  TDibCanvas source(40, 30);
  std::vector<std::optional<TRect>> seen;
  canvas.OnChange = [&](TObject*) { seen.push_back(canvas.ChangedArea()); };
  canvas.MovePenTo(30, 20);
  canvas.DrawLineTo(5, 20);  // leftwards: covers 30 down to 6
  canvas.DrawLineTo(5, 2);
  canvas.CopyArea(Rect(12, 9, 2, 4), source, Rect(0, 0, 10, 5));
  canvas.FillArea(Rect(1, 2, 3, 4));
  canvas.WriteText(0, 0, "a");
  ASSERT_EQ(seen.size(), 5u);
  EXPECT_EQ(seen[0], Rect(5, 20, 31, 21));
  EXPECT_EQ(seen[1], Rect(5, 2, 6, 21));
  EXPECT_EQ(seen[2], Rect(2, 4, 12, 9));
  EXPECT_EQ(seen[3], Rect(1, 2, 3, 4));
  EXPECT_EQ(seen[4], std::nullopt);  // text: the whole surface counts
  EXPECT_EQ(canvas.ChangedArea(), std::nullopt);
}

TEST_F(CanvasTest, AnyDrawingWithoutADeviceContextFailsAndDrawsNothing) {
  TCanvas canvas;
  TDibCanvas other(4, 4);
  int notifications = 0;
  canvas.OnChange = [&](TObject*) { ++notifications; };
  const std::vector<std::function<void()>> operations = {
      [&] { canvas.MovePenTo(1, 1); },
      [&] { canvas.DrawLineTo(1, 1); },
      [&] { canvas.CopyArea(Rect(0, 0, 2, 2), other, Rect(0, 0, 2, 2)); },
      [&] { other.CopyArea(Rect(0, 0, 2, 2), canvas, Rect(0, 0, 2, 2)); },
      [&] { canvas.FillArea(Rect(0, 0, 2, 2)); },
      [&] { canvas.DrawRectangle(0, 0, 2, 2); },
      [&] { canvas.DrawPolyline(std::vector<TPoint>{{0, 0}, {1, 1}}); },
      [&] { canvas.WriteText(0, 0, "x"); },
      [&] { canvas.MeasureText("x"); },
      [&] { canvas.PixelColor(0, 0); },
      [&] { canvas.SetPixelColor(0, 0, clRed); },
      [&] { canvas.PenPosition(); },
      [&] { canvas.Handle(); },
  };
  for (std::size_t i = 0; i < operations.size(); ++i) {
    SCOPED_TRACE(i);
    try {
      operations[i]();
      ADD_FAILURE() << "no failure";
    } catch (const EInvalidOperation& e) {
      EXPECT_EQ(e.Message(), "Canvas に対する描画ができません");
    }
    EXPECT_EQ(canvas.State(), 0);
  }
  EXPECT_EQ(notifications, 0);
}

TEST_F(CanvasTest, StateIsMadeOnlyWhenNeededAndSelectsTheToolsObjects) {
  TDibCanvas canvas(8, 8);
  EXPECT_EQ(canvas.State(), 0);
  canvas.MovePenTo(1, 1);
  EXPECT_EQ(canvas.State(), HandleReady) << "moving the pen selects no tool";
  canvas.DrawLineTo(5, 1);
  EXPECT_EQ(canvas.State(), HandleReady | PenSelected | BrushSelected);
  HDC dc = canvas.CurrentHandle();
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), canvas.Pen().Handle());
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), canvas.Brush().Handle());
  EXPECT_EQ(GetBkMode(dc), OPAQUE);
  EXPECT_EQ(GetBkColor(dc), 0x00FFFFFFu);
  canvas.DrawLineTo(5, 5);
  EXPECT_EQ(canvas.DeviceContextsMade, 1);
  EXPECT_EQ(canvas.Handle(), dc);
  EXPECT_EQ(canvas.State(), kAllCanvasState);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), canvas.Font().Handle());
  EXPECT_EQ(GetTextColor(dc), GetSysColor(COLOR_WINDOWTEXT));
}

TEST_F(CanvasTest, AToolChangeDeselectsOnlyThatToolAndFreesItsOldObject) {
  TDibCanvas canvas(8, 8);
  canvas.Pen().SetColor(0x00ABCDEF);  // a pen no other test shares
  canvas.Handle();
  HDC dc = canvas.CurrentHandle();
  HPEN old = canvas.Pen().Handle();

  canvas.Pen().SetColor(0x00FEDCBA);
  EXPECT_EQ(canvas.State(), HandleReady | FontSelected | BrushSelected);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetObjectType(old), 0u) << "deselected in time to be deleted";

  canvas.Brush().SetStyle(bsCross);
  EXPECT_EQ(canvas.State(), HandleReady | FontSelected);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(NULL_BRUSH));
  canvas.Font().SetColor(clRed);
  EXPECT_EQ(canvas.State(), HandleReady);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));

  canvas.Brush().SetColor(clRed);
  canvas.Brush().SetStyle(bsCross);
  canvas.FillArea(Rect(0, 0, 1, 1));
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  EXPECT_EQ(GetBkColor(dc), ~static_cast<COLORREF>(0x000000FF));
}

TEST_F(CanvasTest, PenModeChangeClearsTheSelectionAndTheNextLineUsesTheNewMixMode) {
  TDibCanvas canvas(8, 8);
  canvas.MovePenTo(0, 0);
  canvas.DrawLineTo(3, 0);
  HDC dc = canvas.CurrentHandle();
  EXPECT_EQ(GetROP2(dc), R2_COPYPEN);

  canvas.Pen().SetMode(pmCopy);
  EXPECT_TRUE(canvas.State() & PenSelected) << "the same mode does not deselect";
  canvas.Pen().SetMode(pmXor);
  EXPECT_FALSE(canvas.State() & PenSelected);
  EXPECT_EQ(GetROP2(dc), R2_COPYPEN) << "nothing is set until the pen is needed";
  canvas.DrawLineTo(3, 3);
  EXPECT_EQ(GetROP2(dc), R2_XORPEN);
}

TEST_F(CanvasTest, CopyAreaCopiesPixelForPixelAndFromAnOffset) {
  TDibCanvas source(20, 20);
  source.FillPattern(11);
  {
    TDibCanvas dest(20, 20);
    dest.CopyArea(Rect(0, 0, 20, 20), source, Rect(0, 0, 20, 20));
    EXPECT_EQ(dest.Snapshot(), source.Snapshot());
  }
  TDibCanvas dest(12, 12);
  int before = 0;
  int after = 0;
  dest.OnBeforeChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &dest);
    EXPECT_EQ(after, before);
    ++before;
  };
  dest.OnChange = [&](TObject*) { ++after; };
  dest.CopyArea(Rect(0, 0, 10, 10), source, Rect(5, 5, 15, 15));
  EXPECT_EQ(before, 1);
  EXPECT_EQ(after, 1);
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      if (x < 10 && y < 10) {
        ASSERT_EQ(dest.Pixel(x, y), source.Pixel(x + 5, y + 5)) << x << "," << y;
      } else {
        ASSERT_EQ(dest.Pixel(x, y), (std::array<std::uint8_t, 3>{0, 0, 0})) << "outside the target";
      }
    }
  }
}

TEST_F(CanvasTest, CopyAreaPassesNegativeExtentsThroughToMirror) {
  TDibCanvas source(4, 1);
  source.FillPattern(3);
  TDibCanvas mirrored(4, 1);
  mirrored.CopyArea(Rect(3, 0, -1, 1), source, Rect(0, 0, 4, 1));
  // The same transfer asked of the platform directly: the canvas adds nothing.
  TDibCanvas direct(4, 1);
  StretchBlt(direct.Handle(), 3, 0, -4, 1, source.Handle(), 0, 0, 4, 1, SRCCOPY);
  EXPECT_EQ(mirrored.Snapshot(), direct.Snapshot());
  EXPECT_NE(mirrored.Snapshot(), source.Snapshot());
}

TEST_F(CanvasTest, ThePenPositionSurvivesAChangeOfDeviceContext) {
  TDibCanvas canvas(16, 16);
  canvas.FillArea(Rect(0, 0, 16, 16));  // white, so the black lines show
  canvas.MovePenTo(7, 9);
  canvas.Detach();
  EXPECT_EQ(canvas.State(), 0);
  EXPECT_EQ(canvas.CurrentHandle(), nullptr);
  EXPECT_EQ(canvas.PenPosition(), Point(7, 9));
  EXPECT_EQ(canvas.DeviceContextsMade, 2);
  EXPECT_EQ(canvas.PixelColor(7, 9), clWhite);

  canvas.DrawLineTo(10, 9);
  canvas.Detach();
  canvas.DrawLineTo(10, 12);
  EXPECT_EQ(canvas.PenPosition(), Point(10, 12));
  EXPECT_EQ(canvas.PixelColor(9, 9), clBlack);
  EXPECT_EQ(canvas.PixelColor(10, 9), clBlack) << "the second line starts where the first stopped";
  EXPECT_EQ(canvas.PixelColor(10, 11), clBlack);
  EXPECT_NE(canvas.PixelColor(10, 12), clBlack);
}

TEST_F(CanvasTest, PixelsAreWrittenInResolvedColoursAndFillsUseTheBrush) {
  TDibCanvas canvas(6, 6);
  canvas.SetPixelColor(1, 2, clWindowText);
  EXPECT_EQ(static_cast<COLORREF>(canvas.PixelColor(1, 2)), GetSysColor(COLOR_WINDOWTEXT));
  canvas.SetPixelColor(2, 2, 0x00123456);
  EXPECT_EQ(canvas.Pixel(2, 2), (std::array<std::uint8_t, 3>{0x12, 0x34, 0x56}));

  canvas.Brush().SetColor(clLime);
  canvas.FillArea(Rect(3, 3, 5, 5));
  EXPECT_EQ(canvas.PixelColor(3, 3), clLime);
  EXPECT_EQ(canvas.PixelColor(4, 4), clLime);
  EXPECT_NE(canvas.PixelColor(5, 5), clLime) << "Right and Bottom are exclusive";

  canvas.Pen().SetColor(clRed);
  const std::vector<TPoint> points{{0, 5}, {0, 3}, {2, 3}};
  canvas.DrawPolyline(points);
  EXPECT_EQ(canvas.PixelColor(0, 4), clRed);
  EXPECT_EQ(canvas.PixelColor(1, 3), clRed);
}

// A graphic that records how it was drawn.
class TProbeGraphic : public TGraphic {
 public:
  bool Empty = false;
  int Draws = 0;
  TRect LastRect;
  COLORREF BkColorSeen = 0;
  COLORREF TextColorSeen = 0;

  void DrawInto(TCanvas& canvas, const TRect& rect) override {
    ++Draws;
    LastRect = rect;
    BkColorSeen = GetBkColor(canvas.CurrentHandle());
    TextColorSeen = GetTextColor(canvas.CurrentHandle());
  }
  bool IsEmpty() override { return Empty; }
  std::int32_t Width() override { return 5; }
  std::int32_t Height() override { return 3; }
};

TEST_F(CanvasTest, GraphicsAreDrawnAtTheirSizeOrStretchedAndEmptyOnesNotAtAll) {
  TDibCanvas canvas(8, 8);
  TProbeGraphic graphic;
  int changes = 0;
  canvas.OnChange = [&](TObject*) { ++changes; };
  canvas.Brush().SetColor(0x00010203);
  canvas.Font().SetColor(0x00040506);

  canvas.DrawGraphicAt(2, 1, nullptr);
  graphic.Empty = true;
  canvas.DrawGraphicAt(2, 1, &graphic);
  EXPECT_EQ(graphic.Draws, 0);
  EXPECT_EQ(changes, 0);

  graphic.Empty = false;
  canvas.DrawGraphicAt(2, 1, &graphic);
  EXPECT_EQ(graphic.LastRect, Rect(2, 1, 7, 4));
  EXPECT_EQ(graphic.BkColorSeen, 0x00010203u);
  EXPECT_EQ(graphic.TextColorSeen, 0x00040506u);
  EXPECT_EQ(changes, 1);

  canvas.DrawGraphicStretched(Rect(0, 0, 8, 8), &graphic);
  EXPECT_EQ(graphic.LastRect, Rect(0, 0, 8, 8));
  EXPECT_EQ(canvas.State(), kAllCanvasState);
  EXPECT_EQ(changes, 2);
}

TEST_F(CanvasTest, WritingTextMovesThePenToTheTextsEnd) {
  TDibCanvas canvas(64, 16);
  const std::int32_t width = canvas.TextWidth("kiritori");
  EXPECT_GT(width, 0);
  canvas.WriteText(3, 2, "kiritori");
  EXPECT_EQ(canvas.PenPosition(), Point(3 + width, 2));

  // Right-to-left reading shifts the text only when the window origin is moved.
  canvas.TextOptions = ETO_RTLREADING;
  canvas.WriteText(3, 2, "kiritori");
  EXPECT_EQ(canvas.PenPosition(), Point(3 + width, 2));
  SetWindowOrgEx(canvas.CurrentHandle(), 1, 0, nullptr);
  canvas.WriteText(3, 2, "kiritori");
  EXPECT_EQ(canvas.PenPosition(), Point(3 + width + 1 + width, 2));
}

TEST_F(CanvasTest, LocksCountTheirHoldersAndTryAcquireNeverWaits) {
  TDibCanvas canvas(2, 2);
  EXPECT_EQ(canvas.LockCount(), 0);
  canvas.Acquire();
  canvas.Acquire();
  EXPECT_EQ(canvas.LockCount(), 2);
  EXPECT_FALSE(canvas.TryAcquire());
  bool takenElsewhere = true;
  std::thread([&] { takenElsewhere = canvas.TryAcquire(); }).join();
  EXPECT_FALSE(takenElsewhere);
  canvas.Release();
  canvas.Release();
  EXPECT_EQ(canvas.LockCount(), 0);
  ASSERT_TRUE(canvas.TryAcquire());
  EXPECT_EQ(canvas.LockCount(), 1);
  canvas.Release();
  EXPECT_EQ(canvas.LockCount(), 0);
}

TEST_F(CanvasTest, RefreshingSystemColoursRemakesOnlyTheirObjects) {
  TDibCanvas system(4, 4);
  TDibCanvas plain(4, 4);
  system.Pen().SetColor(clWindowText);
  plain.Pen().SetColor(0x00336699);
  system.DrawLineTo(1, 1);
  plain.DrawLineTo(1, 1);
  HPEN systemPen = system.Pen().Handle();
  HPEN plainPen = plain.Pen().Handle();

  RefreshSystemColors();
  EXPECT_EQ(system.State(), HandleReady);
  EXPECT_EQ(plain.State(), HandleReady);
  EXPECT_EQ(GetObjectType(systemPen), 0u);
  EXPECT_EQ(plain.Pen().Handle(), plainPen);
  EXPECT_EQ(system.LockCount(), 0);
  EXPECT_EQ(plain.LockCount(), 0);

  system.DrawLineTo(3, 1);
  EXPECT_NE(system.Pen().Handle(), nullptr);
  EXPECT_EQ(static_cast<COLORREF>(system.PixelColor(2, 1)), GetSysColor(COLOR_WINDOWTEXT));
}

}  // namespace
