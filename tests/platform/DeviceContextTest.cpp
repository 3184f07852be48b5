#include <gtest/gtest.h>

#include <cstring>

#include "LeakCheck.h"
#include "platform/Windows.h"

namespace {

class DeviceContexts : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(ReleaseDC(nullptr, screen), 1);
    PlatformTest::TearDown();
  }
  HDC screen = nullptr;
};

TEST_F(DeviceContexts, TheScreenIsATrueColourDeviceWithoutPalette) {
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
  EXPECT_EQ(GetDeviceCaps(screen, PLANES), 1);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96);
  EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
  EXPECT_EQ(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, 0);
  EXPECT_EQ(GetDeviceCaps(screen, SIZEPALETTE), 0);
  EXPECT_EQ(GetObjectType(screen), OBJ_DC);
  // Drawing on the screen's context is harmless.
  EXPECT_EQ(GetPixel(screen, 0, 0), CLR_INVALID);
  MoveToEx(screen, 0, 0, nullptr);
  EXPECT_TRUE(LineTo(screen, 100, 100));
  // A screen context holds no bitmap.
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 2, 2);
  EXPECT_EQ(SelectObject(screen, bitmap), nullptr);
  EXPECT_TRUE(DeleteObject(bitmap));
}

TEST_F(DeviceContexts, AMemoryContextStartsWithTheStockMonochromeBitmapAndTools) {
  HDC dc = CreateCompatibleDC(screen);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(GetObjectType(dc), OBJ_MEMDC);
  HGDIOBJ initial = GetCurrentObject(dc, OBJ_BITMAP);
  BITMAP bm{};
  ASSERT_EQ(GetObject(initial, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmHeight, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), GetStockObject(BLACK_PEN));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), GetStockObject(WHITE_BRUSH));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), GetStockObject(SYSTEM_FONT));
  EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), GetStockObject(DEFAULT_PALETTE));
  // Its compatible bitmaps then are monochrome too, as the stock bitmap is.
  HBITMAP mono = CreateCompatibleBitmap(dc, 8, 8);
  ASSERT_EQ(GetObject(mono, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmBitsPixel, 1);
  HBITMAP colour = CreateCompatibleBitmap(screen, 8, 8);
  ASSERT_EQ(GetObject(colour, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmBitsPixel, 32);
  EXPECT_EQ(bm.bmBits, nullptr);
  EXPECT_TRUE(DeleteObject(mono));
  EXPECT_TRUE(DeleteObject(colour));
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
}

TEST_F(DeviceContexts, ABitmapIsSelectedIntoOneContextAtATime) {
  HDC a = CreateCompatibleDC(screen);
  HDC b = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 4, 4);
  HGDIOBJ oldA = SelectObject(a, bitmap);
  ASSERT_NE(oldA, nullptr);
  SetLastError(0);
  EXPECT_EQ(SelectObject(b, bitmap), nullptr);
  EXPECT_NE(GetLastError(), 0u);
  EXPECT_EQ(SelectObject(a, bitmap), bitmap) << "selecting it again where it is returns it";
  // Selected, it cannot be deleted; selected out, it can go elsewhere.
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_EQ(SelectObject(a, oldA), bitmap);
  HGDIOBJ oldB = SelectObject(b, bitmap);
  EXPECT_NE(oldB, nullptr);
  // Deleting a context lets go of what it held.
  EXPECT_TRUE(DeleteDC(b));
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteDC(a));
}

TEST_F(DeviceContexts, SelectedToolsCannotBeDeletedAndSelectReturnsThePrevious) {
  HDC dc = CreateCompatibleDC(screen);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
  HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
  EXPECT_EQ(SelectObject(dc, pen), GetStockObject(BLACK_PEN));
  EXPECT_EQ(SelectObject(dc, brush), GetStockObject(WHITE_BRUSH));
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(brush));
  EXPECT_EQ(SelectObject(dc, GetStockObject(BLACK_PEN)), pen);
  EXPECT_TRUE(DeleteObject(pen));
  // A palette goes in through SelectPalette, not SelectObject.
  HPALETTE palette = CreateHalftonePalette(screen);
  EXPECT_EQ(SelectObject(dc, palette), nullptr);
  EXPECT_EQ(SelectPalette(dc, palette, TRUE), GetStockObject(DEFAULT_PALETTE));
  EXPECT_FALSE(DeleteObject(palette));
  EXPECT_EQ(SelectPalette(dc, reinterpret_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), TRUE), palette);
  EXPECT_TRUE(DeleteObject(palette));
  // A context is not deleted through DeleteObject, nor selected into another.
  EXPECT_FALSE(DeleteObject(dc));
  EXPECT_EQ(SelectObject(dc, dc), nullptr);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_TRUE(DeleteObject(brush)) << "deleting the context released the brush";
}

TEST_F(DeviceContexts, AttributesKeepTheirValuesAndReturnThePrevious) {
  HDC dc = CreateCompatibleDC(screen);
  EXPECT_EQ(SetTextColor(dc, RGB(1, 2, 3)), RGB(0, 0, 0));
  EXPECT_EQ(GetTextColor(dc), RGB(1, 2, 3));
  EXPECT_EQ(SetBkColor(dc, RGB(4, 5, 6)), RGB(255, 255, 255));
  EXPECT_EQ(GetBkColor(dc), RGB(4, 5, 6));
  EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SetBkMode(dc, 7), 0);
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  EXPECT_EQ(SetROP2(dc, R2_XORPEN), R2_COPYPEN);
  EXPECT_EQ(SetROP2(dc, 0), 0);
  EXPECT_EQ(SetROP2(dc, 17), 0);
  EXPECT_EQ(GetROP2(dc), R2_XORPEN);
  EXPECT_EQ(SetStretchBltMode(dc, HALFTONE), BLACKONWHITE);
  EXPECT_EQ(GetStretchBltMode(dc), HALFTONE);
  POINT p{};
  EXPECT_TRUE(SetBrushOrgEx(dc, 3, 4, &p));
  EXPECT_TRUE(GetBrushOrgEx(dc, &p));
  EXPECT_EQ(p.x, 3);
  EXPECT_EQ(p.y, 4);
  EXPECT_TRUE(MoveToEx(dc, 7, 8, &p));
  EXPECT_EQ(p.x, 0);
  EXPECT_TRUE(GetCurrentPositionEx(dc, &p));
  EXPECT_EQ(p.x, 7);
  EXPECT_EQ(p.y, 8);
  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_EQ(GetTextColor(dc), CLR_INVALID);
  EXPECT_FALSE(MoveToEx(dc, 0, 0, nullptr));
}

TEST_F(DeviceContexts, WindowAndViewportOriginsMoveEveryDrawingCall) {
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 10, 10);
  HGDIOBJ old = SelectObject(dc, bitmap);
  POINT previous{};
  EXPECT_TRUE(SetWindowOrgEx(dc, 5, 0, &previous));
  EXPECT_TRUE(SetViewportOrgEx(dc, 0, 2, nullptr));
  POINT origin{};
  EXPECT_TRUE(GetWindowOrgEx(dc, &origin));
  EXPECT_EQ(origin.x, 5);
  // Logical (6, 1) is device (1, 3).
  EXPECT_NE(SetPixel(dc, 6, 1, RGB(255, 0, 0)), CLR_INVALID);
  EXPECT_EQ(GetPixel(dc, 6, 1), RGB(255, 0, 0));
  SetWindowOrgEx(dc, 0, 0, nullptr);
  SetViewportOrgEx(dc, 0, 0, nullptr);
  EXPECT_EQ(GetPixel(dc, 1, 3), RGB(255, 0, 0));

  // A line's ends are moved too; the current position stays logical.
  SetWindowOrgEx(dc, -2, 0, nullptr);
  MoveToEx(dc, 0, 5, nullptr);
  LineTo(dc, 3, 5);
  POINT position{};
  GetCurrentPositionEx(dc, &position);
  EXPECT_EQ(position.x, 3);
  SetWindowOrgEx(dc, 0, 0, nullptr);
  EXPECT_EQ(GetPixel(dc, 1, 5), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(dc, 2, 5), RGB(0, 0, 0));
  // Huge origins saturate instead of overflowing.
  SetWindowOrgEx(dc, INT32_MIN, INT32_MIN, nullptr);
  SetViewportOrgEx(dc, INT32_MAX, INT32_MAX, nullptr);
  EXPECT_EQ(SetPixel(dc, INT32_MAX, INT32_MAX, 0), CLR_INVALID);
  EXPECT_TRUE(LineTo(dc, INT32_MAX, INT32_MIN));
  SelectObject(dc, old);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteDC(dc));
}

TEST_F(DeviceContexts, BlitsBetweenContextsAndSetPixelReportsTheColourSet) {
  HDC source = CreateCompatibleDC(screen);
  HDC target = CreateCompatibleDC(screen);
  HBITMAP a = CreateCompatibleBitmap(screen, 4, 4);
  HBITMAP b = CreateBitmap(4, 4, 1, 1, nullptr);
  HGDIOBJ oldA = SelectObject(source, a);
  HGDIOBJ oldB = SelectObject(target, b);
  const RECT all{0, 0, 4, 4};
  FillRect(source, &all, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  EXPECT_EQ(SetPixel(source, 1, 1, RGB(200, 10, 10)), RGB(200, 10, 10));
  // Colour to monochrome: the source's background colour becomes white.
  SetBkColor(source, RGB(255, 255, 255));
  EXPECT_TRUE(BitBlt(target, 0, 0, 4, 4, source, 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(target, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(target, 1, 1), RGB(0, 0, 0));
  // On a monochrome bitmap SetPixel reports the colour it could set.
  EXPECT_EQ(SetPixel(target, 2, 2, RGB(250, 240, 250)), RGB(255, 255, 255));
  // A source-using operation needs a source.
  EXPECT_FALSE(BitBlt(target, 0, 0, 4, 4, nullptr, 0, 0, SRCCOPY));
  EXPECT_TRUE(PatBlt(target, 0, 0, 4, 4, BLACKNESS));
  EXPECT_EQ(GetPixel(target, 3, 3), RGB(0, 0, 0));
  SelectObject(source, oldA);
  SelectObject(target, oldB);
  DeleteObject(a);
  DeleteObject(b);
  DeleteDC(source);
  DeleteDC(target);
}

}  // namespace

namespace {

TEST_F(DeviceContexts, ABlitWithinOneBitmapReadsThePixelsAsTheyWereBefore) {
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 1, 6);
  HGDIOBJ old = SelectObject(dc, bitmap);
  for (int y = 0; y < 6; ++y) SetPixel(dc, 0, y, RGB(y * 10, 0, 0));
  // Move rows 0..3 down by two: a naive top-down copy would smear row 0.
  EXPECT_TRUE(BitBlt(dc, 0, 2, 1, 4, dc, 0, 0, SRCCOPY));
  for (int y = 2; y < 6; ++y) EXPECT_EQ(GetPixel(dc, 0, y), RGB((y - 2) * 10, 0, 0)) << y;
  // Mirror the column in place.
  for (int y = 0; y < 6; ++y) SetPixel(dc, 0, y, RGB(y * 10, 0, 0));
  EXPECT_TRUE(StretchBlt(dc, 0, 0, 1, 6, dc, 0, 6, 1, -6, SRCCOPY));
  for (int y = 0; y < 6; ++y) EXPECT_EQ(GetPixel(dc, 0, y), RGB((5 - y) * 10, 0, 0)) << y;
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}

}  // namespace

namespace {

int DarkPixels(HDC dc, int width, int height) {
  int n = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) n += GetPixel(dc, x, y) == RGB(0, 0, 0);
  return n;
}

TEST_F(DeviceContexts, TextIsMeasuredAndDrawnWithTheSelectedFontAtTheLogicalPosition) {
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 80, 24);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  LOGFONTA lf{};
  lf.lfHeight = -12;
  lf.lfCharSet = SHIFTJIS_CHARSET;
  std::strcpy(lf.lfFaceName, "ＭＳ Ｐゴシック");
  HFONT font = CreateFontIndirect(&lf);
  HGDIOBJ oldFont = SelectObject(dc, font);
  SIZE size{};
  ASSERT_TRUE(GetTextExtentPoint32A(dc, "Ab画", 5, &size));
  EXPECT_GT(size.cx, 10);
  EXPECT_GT(size.cy, 10);
  EXPECT_FALSE(GetTextExtentPoint32A(dc, "Ab", -1, &size));

  const RECT all{0, 0, 80, 24};
  FillRect(dc, &all, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  // With the window origin at (-40, 0), logical x 0 is device x 40: the left
  // half stays white.
  SetWindowOrgEx(dc, -40, 0, nullptr);
  EXPECT_TRUE(ExtTextOutA(dc, 0, 0, 0, nullptr, "Ab", 2, nullptr));
  SetWindowOrgEx(dc, 0, 0, nullptr);
  EXPECT_EQ(DarkPixels(dc, 40, 24), 0);
  EXPECT_GT(DarkPixels(dc, 80, 24), 0);
  EXPECT_FALSE(ExtTextOutA(dc, 0, 0, 0, nullptr, nullptr, 3, nullptr));

  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  EXPECT_TRUE(DeleteObject(font));
  DeleteObject(bitmap);
  DeleteDC(dc);
}

}  // namespace

namespace {

TEST_F(DeviceContexts, NoCoordinateReachesOutsideTheBitmaps) {
  HDC a = CreateCompatibleDC(screen);
  HDC b = CreateCompatibleDC(screen);
  HBITMAP small = CreateCompatibleBitmap(screen, 3, 3);
  HBITMAP mono = CreateBitmap(3, 3, 1, 1, nullptr);
  HGDIOBJ oldA = SelectObject(a, small);
  HGDIOBJ oldB = SelectObject(b, mono);
  const int extremes[] = {INT32_MIN, -70000, -1, 0, 2, 3, 70000, INT32_MAX};
  for (int v : extremes) {
    for (int w : extremes) {
      BitBlt(a, v, w, w, v, b, w, v, SRCCOPY);
      StretchBlt(b, w, v, v, w, a, v, v, w, w, SRCINVERT);
      MaskBlt(a, v, v, w, w, b, w, v, mono, v, w, MAKEROP4(SRCCOPY, 0x00AA0029));
      PatBlt(a, v, w, v, w, PATINVERT);
      const RECT r{v, w, w, v};
      FillRect(b, &r, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      Rectangle(a, v, w, w, v);
      MoveToEx(a, v, w, nullptr);
      LineTo(a, w, v);
      SetPixel(a, v, w, 0);
    }
  }
  SelectObject(a, oldA);
  SelectObject(b, oldB);
  DeleteObject(small);
  DeleteObject(mono);
  DeleteDC(a);
  DeleteDC(b);
}

}  // namespace
