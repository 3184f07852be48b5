#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "BitmapTestSupport.h"
#include "CanvasTestSupport.h"
#include "graphics/Bitmap.h"
#include "graphics/PixelFormat.h"
#include "platform/Objects.h"
#include "runtime/Exceptions.h"
#include "runtime/Strings.h"

namespace {

using graphicstest::LeakCheckedTest;
using graphicstest::MakePicture24;
using graphicstest::MakePicture8;
using graphicstest::PixelOf;
using graphicstest::PixelsOf;

class PixelFormatTest : public LeakCheckedTest {};

std::vector<RGBQUAD> GreyRamp() {
  std::vector<RGBQUAD> colours(256);
  for (int i = 0; i < 256; ++i)
    colours[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i / 2), 0};
  return colours;
}

std::vector<PALETTEENTRY> EntriesOf(HPALETTE palette) {
  std::vector<PALETTEENTRY> entries(256);
  entries.resize(GetPaletteEntries(palette, 0, 256, entries.data()));
  return entries;
}

// ---- Depth changes -------------------------------------------------------------------

TEST_F(PixelFormatTest, TwentyFourBitsFromEightMapsEveryIndexAndKeepsThePalette) {
  const std::vector<RGBQUAD> colours = GreyRamp();
  TBitmap bitmap;
  MakePicture8(bitmap, 32, 8, colours);
  ASSERT_EQ(bitmap.BitDepth(), bd8Bit);
  // As a BMP load does: the palette is made from the section's table.
  ASSERT_NE(bitmap.ColorPalette(), nullptr);
  bitmap.SetBitDepth(bd24Bit);
  EXPECT_EQ(bitmap.BitDepth(), bd24Bit);
  EXPECT_EQ(bitmap.HandleKind(), hkDIB);

  for (int y = 0; y < 8; ++y) {
    const std::uint8_t* row = bitmap.ScanLineAddress(y);
    for (int x = 0; x < 32; ++x) {
      const RGBQUAD& c = colours[(x + y * 32) % 256];
      ASSERT_EQ(row[3 * x], c.rgbBlue) << x << "," << y;
      ASSERT_EQ(row[3 * x + 1], c.rgbGreen);
      ASSERT_EQ(row[3 * x + 2], c.rgbRed);
    }
  }
  const std::vector<PALETTEENTRY> kept = EntriesOf(bitmap.ColorPalette());
  ASSERT_EQ(kept.size(), 256u);
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(kept[i].peRed, colours[i].rgbRed);
    EXPECT_EQ(kept[i].peBlue, colours[i].rgbBlue);
  }
  EXPECT_TRUE(bitmap.PaletteDirty());
}

TEST_F(PixelFormatTest, SameDepthTwiceSendsOneChange) {
  TBitmap bitmap;
  MakePicture8(bitmap, 4, 4, GreyRamp());
  int changes = 0;
  bitmap.OnChange = [&](TObject*) { ++changes; };
  bitmap.SetBitDepth(bd24Bit);
  const TBitmapImage* image = &bitmap.Image();
  bitmap.SetBitDepth(bd24Bit);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(&bitmap.Image(), image);
}

TEST_F(PixelFormatTest, FourBitsUseTheSharedSixteenColourPalette) {
  HPALETTE shared = SystemPalette16();
  ASSERT_NE(shared, nullptr);
  {
    TBitmap bitmap;
    MakePicture24(bitmap, 4, 4);
    bitmap.Canvas().SetPixelColor(1, 1, clNavy);
    bitmap.SetBitDepth(bd4Bit);
    EXPECT_EQ(bitmap.BitDepth(), bd4Bit);
    EXPECT_EQ(bitmap.ColorPalette(), shared);
    EXPECT_EQ(PixelOf(bitmap, 1, 1), static_cast<COLORREF>(clNavy));
    // A copy that is changed shares the palette too rather than copying it.
    TBitmap copy;
    copy.CopyFrom(&bitmap);
    copy.SetWidth(5);
    EXPECT_EQ(copy.Image().ColorPalette, shared);
  }
  const std::vector<PALETTEENTRY> entries = EntriesOf(shared);
  ASSERT_EQ(entries.size(), 16u);
  EXPECT_EQ(entries[4].peBlue, 128);  // navy
  EXPECT_EQ(entries[8].peRed, 192);   // silver
  EXPECT_EQ(entries[15].peGreen, 255);
}

TEST_F(PixelFormatTest, OneBitFromADeviceBitmapIsBlackAndWhite) {
  TBitmap bitmap;
  bitmap.SetWidth(4);
  bitmap.SetHeight(1);
  bitmap.Canvas().SetPixelColor(0, 0, clBlack);
  bitmap.Canvas().SetPixelColor(1, 0, clNavy);
  bitmap.SetBitDepth(bd1Bit);
  EXPECT_EQ(bitmap.BitDepth(), bd1Bit);
  RGBQUAD table[2] = {};
  {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap.Image().SectionHandle);
    EXPECT_EQ(GetDIBColorTable(dc, 0, 2, table), 2u);
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  EXPECT_EQ(table[0].rgbRed, 0);
  EXPECT_EQ(table[1].rgbRed, 255);
  EXPECT_EQ(table[1].rgbBlue, 255);
  // The drawing maps colours to the two by the background-colour rule of
  // colour-to-monochrome transfers: white (the background) is 1, all else 0.
  EXPECT_EQ(PixelsOf(bitmap), (std::vector<COLORREF>{0, 0, 0xFFFFFF, 0xFFFFFF}));
}

TEST_F(PixelFormatTest, DeviceDepthGivesADeviceBitmap) {
  TBitmap bitmap;
  MakePicture24(bitmap, 3, 3);
  bitmap.Canvas().SetPixelColor(2, 0, clRed);
  bitmap.SetBitDepth(bdDevice);
  EXPECT_EQ(bitmap.HandleKind(), hkDDB);
  EXPECT_EQ(bitmap.BitDepth(), bdDevice);
  EXPECT_EQ(PixelOf(bitmap, 2, 0), static_cast<COLORREF>(clRed));
}

TEST_F(PixelFormatTest, CustomDepthIsRefused) {
  TBitmap bitmap;
  MakePicture24(bitmap, 2, 2);
  try {
    bitmap.SetBitDepth(bdCustom);
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), strings::UnknownFormat);
  }
  EXPECT_EQ(bitmap.BitDepth(), bd24Bit);
}

TEST_F(PixelFormatTest, BitFieldLayoutsReadByTheirMasks) {
  struct Case {
    WORD bits;
    DWORD masks[3];
    TBitDepth expected;
  };
  for (const Case& c : {Case{16, {0x7C00, 0x03E0, 0x001F}, bdCustom}, Case{16, {0xF800, 0x07E0, 0x001F}, bd16Bit},
                        Case{32, {0xFF0000, 0xFF00, 0xFF}, bdCustom}}) {
    struct {
      BITMAPINFOHEADER header;
      DWORD masks[3];
    } info{};
    info.header = {sizeof(BITMAPINFOHEADER), 2, 2, 1, c.bits, BI_BITFIELDS, 0, 0, 0, 0, 0};
    std::copy(std::begin(c.masks), std::end(c.masks), info.masks);
    void* bits = nullptr;
    TBitmap bitmap;
    bitmap.SetBitmapHandle(
        CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
    EXPECT_EQ(bitmap.BitDepth(), c.expected) << c.bits << " " << c.masks[0];
  }
}

// Pictures whose colours every depth in the pair can hold survive a change
// from one depth to the other unchanged.
TEST_F(PixelFormatTest, ConversionsBetweenAllDepthsKeepRepresentableColours) {
  const TBitDepth depths[] = {bd1Bit, bd4Bit, bd8Bit, bd15Bit, bd16Bit, bd24Bit, bd32Bit};
  const std::vector<TColor> corners = {clBlack, clRed, clLime, clBlue, clYellow, clFuchsia, clAqua, clWhite};
  const std::vector<TColor> mono = {clBlack, clWhite};
  for (TBitDepth from : depths) {
    for (TBitDepth to : depths) {
      const std::vector<TColor>& colours = (from == bd1Bit || to == bd1Bit) ? mono : corners;
      TBitmap bitmap;
      MakePicture24(bitmap, 5, 3);
      for (int i = 0; i < 15; ++i)
        bitmap.Canvas().SetPixelColor(i % 5, i / 5, colours[(i * 3) % colours.size()]);
      const std::vector<COLORREF> before = PixelsOf(bitmap);
      bitmap.SetBitDepth(from);
      bitmap.SetBitDepth(to);
      EXPECT_EQ(bitmap.BitDepth(), to);
      EXPECT_EQ(PixelsOf(bitmap), before) << "from " << int(from) << " to " << int(to);
    }
  }
}

TEST_F(PixelFormatTest, EmptyBitmapRecordsTheWantedFormat) {
  TBitmap bitmap;
  bitmap.SetBitDepth(bd8Bit);
  EXPECT_TRUE(bitmap.IsEmpty());
  bitmap.SetWidth(3);
  bitmap.SetHeight(2);
  EXPECT_EQ(bitmap.BitDepth(), bd8Bit);
  EXPECT_EQ(PixelOf(bitmap, 2, 1), static_cast<COLORREF>(clWhite));
}

// ---- Kinds, monochrome and palettes ---------------------------------------------------

TEST_F(PixelFormatTest, HandleKindRoundTripKeepsPixels) {
  TBitmap bitmap;
  MakePicture24(bitmap, 3, 2);
  bitmap.Canvas().SetPixelColor(1, 1, clTeal);
  bitmap.SetHandleKind(hkDDB);
  EXPECT_EQ(bitmap.HandleKind(), hkDDB);
  EXPECT_NE(bitmap.Image().SectionHandle, nullptr);  // the section stays as a copy
  bitmap.SetHandleKind(hkDIB);
  EXPECT_EQ(bitmap.HandleKind(), hkDIB);
  EXPECT_EQ(bitmap.Image().BitmapHandle, bitmap.Image().SectionHandle);
  EXPECT_EQ(PixelOf(bitmap, 1, 1), static_cast<COLORREF>(clTeal));

  TBitmap copy;
  copy.CopyFrom(&bitmap);
  copy.SetHandleKind(hkDDB);
  EXPECT_EQ(bitmap.HandleKind(), hkDIB);
  EXPECT_EQ(PixelOf(copy, 1, 1), static_cast<COLORREF>(clTeal));
}

TEST_F(PixelFormatTest, EmptyBitmapOnlyRecordsTheKind) {
  TBitmap bitmap;
  bitmap.SetHandleKind(hkDIB);
  EXPECT_EQ(bitmap.HandleKind(), hkDIB);
  EXPECT_TRUE(bitmap.IsEmpty());
  bitmap.SetWidth(2);
  bitmap.SetHeight(2);
  EXPECT_EQ(bitmap.HandleKind(), hkDIB);
  EXPECT_EQ(bitmap.BitDepth(), bd32Bit);
}

TEST_F(PixelFormatTest, MonochromeAndBack) {
  TBitmap bitmap;
  MakePicture24(bitmap, 2, 1);
  bitmap.Canvas().SetPixelColor(0, 0, clBlack);
  bitmap.SetMonochrome(true);
  EXPECT_TRUE(bitmap.IsMonochrome());
  EXPECT_EQ(bitmap.KeyColor(), 0x02FFFFFF);
  bitmap.SetMonochrome(false);
  EXPECT_FALSE(bitmap.IsMonochrome());
  EXPECT_EQ(bitmap.HandleKind(), hkDDB);
  EXPECT_EQ(PixelsOf(bitmap), (std::vector<COLORREF>{0, 0xFFFFFF}));
}

TEST_F(PixelFormatTest, NewPaletteRewritesTheColourTable) {
  TBitmap bitmap;
  MakePicture8(bitmap, 4, 1, {{0, 0, 0, 0}, {255, 255, 255, 0}});
  struct {
    WORD version = 0x300;
    WORD count = 2;
    PALETTEENTRY entries[2] = {{0, 0, 0, 0}, {255, 0, 0, 0}};
  } red;
  HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&red));
  bitmap.SetColorPalette(palette);
  EXPECT_EQ(bitmap.ColorPalette(), palette);
  EXPECT_EQ(PixelOf(bitmap, 0, 0), 0u);
  EXPECT_EQ(PixelOf(bitmap, 1, 0), static_cast<COLORREF>(clRed));
  bitmap.SetColorPalette(nullptr);
  EXPECT_EQ(bitmap.Image().ColorPalette, nullptr);
}

TEST_F(PixelFormatTest, PaletteHelpers) {
  EXPECT_EQ(DuplicatePalette(nullptr), nullptr);
  const RGBQUAD table[3] = {{1, 2, 3, 9}, {4, 5, 6, 9}, {7, 8, 9, 9}};
  HPALETTE palette = PaletteFromColorTable(nullptr, table, 3);
  ASSERT_NE(palette, nullptr);
  std::vector<PALETTEENTRY> entries = EntriesOf(palette);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[1].peRed, 6);
  EXPECT_EQ(entries[1].peBlue, 4);
  EXPECT_EQ(entries[1].peFlags, 0);

  HPALETTE duplicate = DuplicatePalette(palette);
  ASSERT_NE(duplicate, nullptr);
  EXPECT_NE(duplicate, palette);
  EXPECT_EQ(EntriesOf(duplicate).size(), 3u);

  RGBQUAD back[4] = {};
  EXPECT_EQ(PaletteToColorTable(duplicate, back, 1), 2u);
  EXPECT_EQ(back[1].rgbBlue, 4);
  EXPECT_EQ(back[1].rgbRed, 6);
  EXPECT_EQ(back[1].rgbReserved, 0);
  EXPECT_EQ(PaletteFromColorTable(nullptr, table, 0), nullptr);
  DeleteObject(palette);
  DeleteObject(duplicate);
}

// ---- Failures ------------------------------------------------------------------------------

TEST_F(PixelFormatTest, GraphicsCheckRaisesWithTheSystemTextOrItsOwn) {
  int handle = 0;
  EXPECT_EQ(GraphicsCheck(reinterpret_cast<HBITMAP>(&handle)), reinterpret_cast<HBITMAP>(&handle));
  SetLastError(ERROR_SUCCESS);
  try {
    GraphicsCheck(static_cast<HBITMAP>(nullptr));
    ADD_FAILURE();
  } catch (const EOutOfResources& e) {
    EXPECT_EQ(e.Message(), strings::OutOfResources);
  }
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  try {
    GraphicsCheck(static_cast<HBITMAP>(nullptr));
    ADD_FAILURE();
  } catch (const EOutOfResources& e) {
    EXPECT_NE(e.Message(), strings::OutOfResources);
    EXPECT_FALSE(e.Message().empty());
  }
}

TEST_F(PixelFormatTest, ConvertingSomethingThatIsNoBitmapIsRefused) {
  HPALETTE notABitmap = CreateHalftonePalette(nullptr);
  DIBSECTION d{};
  d.dsBm.bmWidth = 2;
  d.dsBm.bmHeight = 2;
  try {
    ConvertBitmap(reinterpret_cast<HBITMAP>(notABitmap), nullptr, nullptr, nullptr, d);
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), strings::InvalidBitmap);
  }
  DeleteObject(notABitmap);
}

TEST_F(PixelFormatTest, FailedDepthChangeKeepsTheOldImage) {
  TBitmap bitmap;
  MakePicture8(bitmap, 4, 4, GreyRamp());
  const TBitmapImage* image = &bitmap.Image();
  // A depth the platform refuses for sections.
  bitmap.Image().DIB.dsBmih.biCompression = BI_RLE8;
  DIBSECTION d = bitmap.Image().DIB;
  d.dsBmih.biBitCount = 16;
  EXPECT_THROW(RebuildImage(bitmap, bitmap.Image().BitmapHandle, bitmap.ColorPalette(), d), EOutOfResources);
  EXPECT_EQ(&bitmap.Image(), image);
  bitmap.Image().DIB.dsBmih.biCompression = BI_RGB;
}

}  // namespace
