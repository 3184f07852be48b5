#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "graphics/Bitmap.h"
#include "graphics/Brush.h"
#include "runtime/Exceptions.h"
#include "runtime/Strings.h"
#include "BitmapTestSupport.h"
#include "CanvasTestSupport.h"

namespace {

using graphicstest::LeakCheckedTest;
using graphicstest::MakePicture24;
using graphicstest::PixelOf;
using graphicstest::PixelsOf;

class BitmapTest : public LeakCheckedTest {};

TEST_F(BitmapTest, NewBitmapIsAnEmptyDeviceBitmap) {
  TBitmap bitmap;
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 0);
  EXPECT_EQ(bitmap.HandleKind(), hkDDB);
  EXPECT_EQ(bitmap.BitDepth(), bdDevice);
}

// ---- Sharing and copy-on-write -------------------------------------------------

TEST_F(BitmapTest, CopySharesPixelsUntilTheCopyIsDrawnOn) {
  TBitmap source;
  MakePicture24(source, 8, 6);
  source.Canvas().SetPixelColor(2, 3, clRed);
  TBitmap copy;
  copy.CopyFrom(&source);
  EXPECT_EQ(copy.Image().UserCount(), 2);
  EXPECT_EQ(&copy.Image(), &source.Image());

  copy.Canvas().Brush().SetColor(clBlue);
  copy.Canvas().FillArea(Rect(0, 0, 8, 6));

  EXPECT_NE(&copy.Image(), &source.Image());
  EXPECT_EQ(PixelOf(copy, 2, 3), static_cast<COLORREF>(clBlue));
  EXPECT_EQ(PixelOf(source, 2, 3), static_cast<COLORREF>(clRed));
  EXPECT_EQ(PixelOf(source, 0, 0), static_cast<COLORREF>(clWhite));
}

TEST_F(BitmapTest, PalettedCopyKeepsEveryColourWhenItTakesItsOwnPixels) {
  std::vector<RGBQUAD> colours;
  for (int i = 0; i < 200; ++i)
    colours.push_back(RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(3 * i), static_cast<BYTE>(255 - i), 0});
  TBitmap source;
  graphicstest::MakePicture8(source, 20, 10, colours);
  ASSERT_NE(source.ColorPalette(), nullptr);
  const std::vector<COLORREF> before = PixelsOf(source);
  TBitmap copy;
  copy.CopyFrom(&source);
  const COLORREF drawn = RGB(colours[7].rgbRed, colours[7].rgbGreen, colours[7].rgbBlue);
  copy.Canvas().SetPixelColor(0, 0, static_cast<TColor>(drawn));
  EXPECT_EQ(copy.BitDepth(), bd8Bit);
  EXPECT_NE(copy.ColorPalette(), source.ColorPalette());
  std::vector<COLORREF> expected = before;
  expected[0] = drawn;
  EXPECT_EQ(PixelsOf(copy), expected);
  EXPECT_EQ(PixelsOf(source), before);
}

TEST_F(BitmapTest, WritingThroughScanLineOfACopyLeavesTheSource) {
  TBitmap source;
  MakePicture24(source, 4, 4);
  TBitmap copy;
  copy.CopyFrom(&source);
  std::memset(copy.ScanLineAddress(0), 0, 12);
  EXPECT_EQ(PixelOf(copy, 1, 0), static_cast<COLORREF>(clBlack));
  EXPECT_EQ(PixelOf(source, 1, 0), static_cast<COLORREF>(clWhite));
}

TEST_F(BitmapTest, TwoCopiesReadingTheirHandlesGetTwoHandles) {
  TBitmap source;
  MakePicture24(source, 5, 5);
  TBitmap copy;
  copy.CopyFrom(&source);
  HBITMAP first = copy.BitmapHandle();
  HBITMAP second = source.BitmapHandle();
  EXPECT_NE(first, nullptr);
  EXPECT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(copy.Image().UserCount(), 1);
  EXPECT_EQ(source.Image().UserCount(), 1);
}

TEST_F(BitmapTest, CopyFromNullEmptiesAndSendsOneChange) {
  TBitmap bitmap;
  MakePicture24(bitmap, 3, 3);
  int changes = 0;
  bitmap.OnChange = [&](TObject*) { ++changes; };
  bitmap.CopyFrom(nullptr);
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(changes, 1);
}

TEST_F(BitmapTest, CopyTakesTransparencyAndKeyColour) {
  TBitmap source;
  MakePicture24(source, 3, 3);
  source.SetTransparent(true);
  source.SetKeyColor(clLime);
  TBitmap copy;
  int changes = 0;
  copy.OnChange = [&](TObject*) { ++changes; };
  copy.CopyFrom(&source);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(copy.Transparent());
  EXPECT_EQ(copy.KeyColor(), 0x0200FF00);
}

// ---- Size --------------------------------------------------------------------------

TEST_F(BitmapTest, SameWidthChangesNothing) {
  TBitmap bitmap;
  MakePicture24(bitmap, 6, 4);
  const TBitmapImage* image = &bitmap.Image();
  int changes = 0;
  bitmap.OnChange = [&](TObject*) { ++changes; };
  bitmap.SetWidth(6);
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(&bitmap.Image(), image);
}

TEST_F(BitmapTest, ZeroWidthEmptiesAndKeepsHeight) {
  TBitmap bitmap;
  MakePicture24(bitmap, 6, 4);
  bitmap.SetWidth(0);
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(bitmap.Height(), 4);
  bitmap.SetWidth(2);
  EXPECT_FALSE(bitmap.IsEmpty());
  EXPECT_EQ(bitmap.Width(), 2);
  EXPECT_EQ(bitmap.Height(), 4);
}

TEST_F(BitmapTest, GrowingKeepsOldPixelsTopLeftOverWhite) {
  TBitmap bitmap;
  MakePicture24(bitmap, 2, 2);
  bitmap.Canvas().SetPixelColor(0, 0, clRed);
  bitmap.Canvas().SetPixelColor(1, 1, clBlue);
  bitmap.ReleaseDeviceContext();
  // Without a canvas the new area is white; the check below makes one, so
  // grow a bitmap that never had one.
  TBitmap plain;
  plain.CopyFrom(&bitmap);
  plain.SetWidth(4);
  plain.SetHeight(3);
  EXPECT_EQ(plain.BitDepth(), bd24Bit);
  EXPECT_EQ(PixelOf(plain, 0, 0), static_cast<COLORREF>(clRed));
  EXPECT_EQ(PixelOf(plain, 1, 1), static_cast<COLORREF>(clBlue));
  EXPECT_EQ(PixelOf(plain, 3, 0), static_cast<COLORREF>(clWhite));
  EXPECT_EQ(PixelOf(plain, 0, 2), static_cast<COLORREF>(clWhite));
  EXPECT_EQ(PixelOf(bitmap, 1, 1), static_cast<COLORREF>(clBlue));
}

TEST_F(BitmapTest, GrowingFillsNewAreaWithTheCanvasBrush) {
  TBitmap bitmap;
  MakePicture24(bitmap, 2, 2);
  bitmap.Canvas().SetPixelColor(1, 1, clBlue);
  bitmap.Canvas().Brush().SetColor(clYellow);
  bitmap.SetHeight(4);
  EXPECT_EQ(PixelOf(bitmap, 1, 1), static_cast<COLORREF>(clBlue));
  EXPECT_EQ(PixelOf(bitmap, 0, 3), static_cast<COLORREF>(clYellow));
}

TEST_F(BitmapTest, NewBitmapSizedBecomesAScreenBitmap) {
  TBitmap bitmap;
  bitmap.SetWidth(3);
  bitmap.SetHeight(2);
  EXPECT_FALSE(bitmap.IsEmpty());
  EXPECT_EQ(bitmap.HandleKind(), hkDDB);
  EXPECT_EQ(PixelOf(bitmap, 2, 1), static_cast<COLORREF>(clWhite));
}

TEST_F(BitmapTest, TopDownPictureResizesWithAllItsRows) {
  TBitmap bitmap;
  MakePicture24(bitmap, 3, 3, true);
  EXPECT_EQ(bitmap.Height(), 3);
  bitmap.Canvas().SetPixelColor(0, 2, clRed);
  bitmap.ReleaseDeviceContext();
  TBitmap plain;
  plain.CopyFrom(&bitmap);
  plain.SetWidth(5);
  EXPECT_EQ(plain.Height(), 3);
  EXPECT_EQ(PixelOf(plain, 0, 2), static_cast<COLORREF>(clRed));
  EXPECT_EQ(PixelOf(plain, 4, 2), static_cast<COLORREF>(clWhite));
}

TEST_F(BitmapTest, NegativeSizesAreRefusedAndTheImageStays) {
  TBitmap bitmap;
  MakePicture24(bitmap, 3, 3);
  const TBitmapImage* image = &bitmap.Image();
  for (int which = 0; which < 2; ++which) {
    try {
      if (which == 0) bitmap.SetWidth(-1);
      else bitmap.SetHeight(-7);
      ADD_FAILURE() << "negative size accepted";
    } catch (const EInvalidGraphicOperation& e) {
      EXPECT_EQ(e.Message(), graphics::NegativeBitmapSize);
    }
  }
  EXPECT_EQ(&bitmap.Image(), image);
  EXPECT_EQ(bitmap.Width(), 3);
}

TEST_F(BitmapTest, SizeThePlatformRefusesRaisesAndKeepsTheImage) {
  TBitmap bitmap;
  MakePicture24(bitmap, 3, 3);
  const TBitmapImage* image = &bitmap.Image();
  EXPECT_THROW(bitmap.SetWidth(1 << 24), EOutOfResources);
  EXPECT_EQ(&bitmap.Image(), image);
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(PixelOf(bitmap, 2, 2), static_cast<COLORREF>(clWhite));
}

// ---- Pixel rows -----------------------------------------------------------------------

TEST_F(BitmapTest, ScanLineZeroIsTheTopRowEitherWayUp) {
  for (bool topDown : {false, true}) {
    TBitmap bitmap;
    MakePicture24(bitmap, 4, 3, topDown);
    bitmap.Canvas().SetPixelColor(0, 0, clRed);
    bitmap.Canvas().SetPixelColor(0, 2, clBlue);
    const std::uint8_t* top = bitmap.ScanLineAddress(0);
    const std::uint8_t* bottom = bitmap.ScanLineAddress(2);
    EXPECT_EQ(top[2], 0xFF) << "top-down " << topDown;
    EXPECT_EQ(top[0], 0x00);
    EXPECT_EQ(bottom[0], 0xFF);
    EXPECT_EQ(bottom[2], 0x00);
    EXPECT_EQ(std::abs(bottom - top), 2 * 12);
  }
}

TEST_F(BitmapTest, ScanLineOutsideTheRowsRaises) {
  TBitmap bitmap;
  MakePicture24(bitmap, 4, 3);
  for (int row : {-1, 3}) {
    try {
      bitmap.ScanLineAddress(row);
      ADD_FAILURE() << "row " << row;
    } catch (const EInvalidGraphicOperation& e) {
      EXPECT_EQ(e.Message(), strings::ScanLine);
    }
  }
}

TEST_F(BitmapTest, ScanLineOfADeviceBitmapGoesThroughASectionCopy) {
  TBitmap bitmap;
  bitmap.SetWidth(2);
  bitmap.SetHeight(2);
  bitmap.Canvas().SetPixelColor(1, 0, clRed);
  const std::uint8_t* row = bitmap.ScanLineAddress(0);
  ASSERT_NE(bitmap.Image().SectionHandle, nullptr);
  EXPECT_NE(bitmap.Image().SectionHandle, bitmap.Image().BitmapHandle);
  EXPECT_EQ(bitmap.Image().DIB.dsBmih.biBitCount, 32);
  EXPECT_EQ(row[4 + 2], 0xFF);
  EXPECT_EQ(row[4 + 0], 0x00);
}

TEST_F(BitmapTest, ParkedPixelsComeBackBeforeAnyoneWritesThem) {
  TBitmap bitmap;
  MakePicture24(bitmap, 3, 2);
  bitmap.Canvas().SetPixelColor(1, 0, clRed);
  bitmap.ParkAsFileData();
  ASSERT_EQ(bitmap.Image().BitmapHandle, nullptr);
  ASSERT_NE(bitmap.Image().KeptFile, nullptr);
  EXPECT_FALSE(bitmap.IsEmpty());
  // Writing access drops the kept file; the pixels must be rebuilt from it
  // first, not lost with it.
  const std::uint8_t* row = bitmap.ScanLineAddress(0);
  EXPECT_EQ(row[3 + 2], 0xFF);
  EXPECT_EQ(row[3 + 0], 0x00);
  EXPECT_EQ(bitmap.Image().KeptFile, nullptr);
  EXPECT_EQ(bitmap.Width(), 3);
}

// ---- Transparency --------------------------------------------------------------------

TEST_F(BitmapTest, KeyColourIsTheBottomLeftPixelUnlessFixed) {
  TBitmap bitmap;
  MakePicture24(bitmap, 3, 3);
  bitmap.Canvas().SetPixelColor(0, 2, clRed);
  EXPECT_EQ(bitmap.KeyColor(), 0x020000FF);
  bitmap.SetKeyColor(clBtnFace);
  EXPECT_EQ(bitmap.KeyColor(), static_cast<TColor>(GetSysColor(COLOR_BTNFACE) | 0x02000000));
  bitmap.SetKeyColor(clDefault);
  EXPECT_EQ(bitmap.KeyColor(), 0x020000FF);
}

TEST_F(BitmapTest, MaskMarksKeyColourPixels) {
  TBitmap bitmap;
  MakePicture24(bitmap, 3, 2);
  bitmap.Canvas().SetPixelColor(1, 0, clRed);
  bitmap.SetKeyColor(clRed);
  HBITMAP mask = bitmap.MaskBitmap();
  ASSERT_NE(mask, nullptr);
  BITMAP description{};
  ASSERT_GT(GetObject(mask, sizeof description, &description), 0);
  EXPECT_EQ(description.bmBitsPixel, 1);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, mask);
  EXPECT_EQ(GetPixel(dc, 1, 0), 0x00FFFFFFu);
  EXPECT_EQ(GetPixel(dc, 0, 0), 0x00000000u);
  SelectObject(dc, old);
  DeleteDC(dc);
}

TEST_F(BitmapTest, TransparentDrawingLeavesKeyColourPixelsAlone) {
  // Same size goes through the masked transfer, a stretch through the
  // mask-and-invert road; both must leave the target where the key colour is.
  for (int scale : {1, 2}) {
    TBitmap picture;
    MakePicture24(picture, 4, 4);
    picture.Canvas().Brush().SetColor(clRed);
    picture.Canvas().FillArea(Rect(0, 0, 2, 4));
    picture.Canvas().SetPixelColor(0, 3, clLime);
    picture.SetKeyColor(clRed);
    picture.SetTransparent(true);

    graphicstest::TDibCanvas target(8, 8);
    target.Brush().SetColor(clBlue);
    target.FillArea(Rect(0, 0, 8, 8));
    target.DrawGraphicStretched(Rect(0, 0, 4 * scale, 4 * scale), &picture);

    const auto at = [&](int x, int y) { return target.Pixel(x * scale, y * scale); };
    EXPECT_EQ(at(0, 0), (std::array<std::uint8_t, 3>{0xFF, 0, 0})) << "scale " << scale;  // key: blue stays
    EXPECT_EQ(at(1, 2), (std::array<std::uint8_t, 3>{0xFF, 0, 0}));
    EXPECT_EQ(at(0, 3), (std::array<std::uint8_t, 3>{0, 0xFF, 0}));      // lime drawn
    EXPECT_EQ(at(3, 1), (std::array<std::uint8_t, 3>{0xFF, 0xFF, 0xFF}));  // white drawn
    target.Detach();
  }
}

TEST_F(BitmapTest, OpaqueDrawingUsesTheCopyMode) {
  TBitmap picture;
  MakePicture24(picture, 2, 2);
  picture.Canvas().SetPixelColor(0, 0, clRed);
  graphicstest::TDibCanvas target(4, 4);
  target.DrawGraphicStretched(Rect(0, 0, 4, 4), &picture);
  EXPECT_EQ(target.Pixel(1, 1), (std::array<std::uint8_t, 3>{0, 0, 0xFF}));
  EXPECT_EQ(target.Pixel(3, 3), (std::array<std::uint8_t, 3>{0xFF, 0xFF, 0xFF}));
  target.CopyMode = NOTSRCCOPY;
  target.DrawGraphicStretched(Rect(0, 0, 4, 4), &picture);
  EXPECT_EQ(target.Pixel(0, 0), (std::array<std::uint8_t, 3>{0xFF, 0xFF, 0}));
  target.Detach();
}

// ---- Handles -------------------------------------------------------------------------------

TEST_F(BitmapTest, AdoptedHandleIsOwnedAndDetachedHandleIsTheCallers) {
  TBitmap bitmap;
  HBITMAP handle = CreateBitmap(3, 2, 1, 32, nullptr);
  bitmap.SetBitmapHandle(handle);
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.HandleKind(), hkDDB);
  bitmap.Canvas().SetPixelColor(0, 0, clRed);
  HBITMAP detached = bitmap.DetachHandle();
  EXPECT_EQ(detached, handle);
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_TRUE(DeleteObject(detached));
}

TEST_F(BitmapTest, AdoptingSomethingThatIsNoBitmapIsRefused) {
  TBitmap bitmap;
  MakePicture24(bitmap, 2, 2);
  HPALETTE palette = CreateHalftonePalette(nullptr);
  EXPECT_THROW(bitmap.SetBitmapHandle(reinterpret_cast<HBITMAP>(palette)), EInvalidGraphic);
  EXPECT_EQ(bitmap.Width(), 2);
  DeleteObject(palette);
}

TEST_F(BitmapTest, DetachingASectionLeavesNoPixelsBehind) {
  TBitmap bitmap;
  MakePicture24(bitmap, 2, 2);
  HBITMAP detached = bitmap.DetachHandle();
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_THROW(bitmap.ScanLineAddress(0), EInvalidGraphicOperation);
  EXPECT_TRUE(DeleteObject(detached));
}

// ---- Canvases and their contexts --------------------------------------------------------

TEST_F(BitmapTest, ContextsAreListedWhileHeldAndFreedTogether) {
  TBitmap a;
  TBitmap b;
  MakePicture24(a, 2, 2);
  MakePicture24(b, 2, 2);
  a.Canvas().SetPixelColor(0, 0, clRed);
  b.Canvas().SetPixelColor(0, 0, clRed);
  EXPECT_TRUE(OpenBitmapCanvases().Contains(&a.Canvas()));
  EXPECT_TRUE(OpenBitmapCanvases().Contains(&b.Canvas()));

  // A canvas busy drawing keeps its context.
  b.Canvas().Acquire();
  FreeAllCanvasContexts();
  EXPECT_EQ(a.Canvas().CurrentHandle(), nullptr);
  EXPECT_FALSE(OpenBitmapCanvases().Contains(&a.Canvas()));
  EXPECT_NE(b.Canvas().CurrentHandle(), nullptr);
  b.Canvas().Release();
  FreeAllCanvasContexts();
  EXPECT_EQ(b.Canvas().CurrentHandle(), nullptr);
}

TEST_F(BitmapTest, ABitmapIsSelectedInOneContextOnly) {
  TBitmap bitmap;
  MakePicture24(bitmap, 2, 2);
  bitmap.Canvas().SetPixelColor(0, 0, clRed);
  ASSERT_NE(bitmap.Canvas().CurrentHandle(), nullptr);
  DeselectFromCanvases(bitmap.Image().BitmapHandle);
  EXPECT_EQ(bitmap.Canvas().CurrentHandle(), nullptr);
  EXPECT_EQ(PixelOf(bitmap, 0, 0), static_cast<COLORREF>(clRed));
}

TEST_F(BitmapTest, PatternBrushPaintsWithADeviceBitmap) {
  TBitmap pattern;
  MakePicture24(pattern, 8, 8);
  TBrush brush;
  brush.SetPatternBitmap(&pattern);
  EXPECT_NE(brush.Handle(), nullptr);
  EXPECT_EQ(pattern.HandleKind(), hkDDB);
  brush.SetPatternBitmap(nullptr);
}

// ---- Clipboard ---------------------------------------------------------------------------

TEST_F(BitmapTest, ClipboardRoundTripKeepsThePixels) {
  TBitmap source;
  MakePicture24(source, 3, 2);
  source.Canvas().SetPixelColor(2, 1, clRed);
  WORD format = 0;
  HANDLE data = nullptr;
  HPALETTE palette = nullptr;
  source.SaveClipboardFormat(format, data, palette);
  EXPECT_EQ(format, 2);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(palette, nullptr);

  TBitmap target;
  target.LoadClipboardFormat(format, data, palette);
  EXPECT_EQ(target.HandleKind(), hkDDB);
  EXPECT_EQ(PixelsOf(target), PixelsOf(source));
  EXPECT_NE(target.Image().BitmapHandle, static_cast<HBITMAP>(data));  // the clipboard's stays its own
  EXPECT_TRUE(DeleteObject(data));
}

TEST_F(BitmapTest, ClipboardRefusesOtherFormatsAndNoData) {
  TBitmap bitmap;
  HBITMAP handle = CreateBitmap(1, 1, 1, 32, nullptr);
  for (auto [format, data] : {std::pair<WORD, HANDLE>{8, handle}, std::pair<WORD, HANDLE>{2, nullptr}}) {
    try {
      bitmap.LoadClipboardFormat(format, data, nullptr);
      ADD_FAILURE();
    } catch (const EInvalidGraphic& e) {
      EXPECT_EQ(e.Message(), strings::UnknownClipboardFormat);
    }
  }
  DeleteObject(handle);
}

}  // namespace
