#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "DibInfo.h"
#include "LeakCheck.h"
#include "platform/BitmapLayout.h"
#include "platform/Windows.h"

namespace {

class DibSections : public PlatformTest {};

struct Case {
  int bits;
  int width;
  int stride;
};

TEST_F(DibSections, HaveTheMemoryLayoutOfABmpFileForEveryDepthAndOrientation) {
  const Case cases[] = {{1, 33, 8}, {4, 9, 8}, {8, 5, 8}, {16, 3, 8}, {24, 5, 16}, {32, 3, 12}};
  for (const Case& c : cases) {
    for (int height : {3, -3}) {
      DibInfo info(c.width, height, c.bits);
      void* bits = nullptr;
      HBITMAP section = CreateDIBSection(nullptr, info.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
      ASSERT_NE(section, nullptr) << c.bits;
      ASSERT_NE(bits, nullptr);
      DIBSECTION ds{};
      ASSERT_EQ(GetObject(section, sizeof ds, &ds), static_cast<int>(sizeof ds));
      EXPECT_EQ(ds.dsBm.bmWidth, c.width);
      EXPECT_EQ(ds.dsBm.bmHeight, 3) << "the BITMAP part reports rows";
      EXPECT_EQ(ds.dsBm.bmWidthBytes, c.stride) << c.bits;
      EXPECT_EQ(ds.dsBm.bmBitsPixel, c.bits);
      EXPECT_EQ(ds.dsBm.bmPlanes, 1);
      EXPECT_EQ(ds.dsBm.bmBits, bits);
      EXPECT_EQ(ds.dsBmih.biSize, sizeof(BITMAPINFOHEADER));
      EXPECT_EQ(ds.dsBmih.biHeight, height) << "the header keeps the orientation";
      EXPECT_EQ(ds.dsBmih.biSizeImage, static_cast<DWORD>(c.stride * 3));
      // The bitmap's pixel memory is fresh and zeroed; each byte is reachable.
      const auto* p = static_cast<const std::uint8_t*>(bits);
      for (int i = 0; i < c.stride * 3; ++i) ASSERT_EQ(p[i], 0);
      EXPECT_TRUE(DeleteObject(section));
    }
  }
}

TEST_F(DibSections, RowZeroOfAScreenContextIsTheTopRowForBothOrientations) {
  HDC dc = CreateCompatibleDC(nullptr);
  for (int height : {2, -2}) {
    DibInfo info(1, height, 24);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, info.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, section);
    SetPixel(dc, 0, 0, RGB(255, 0, 0));
    const auto* p = static_cast<const std::uint8_t*>(bits);
    // Bottom-up memory holds the top row last.
    const std::uint8_t* top = height > 0 ? p + 4 : p;
    EXPECT_EQ(top[2], 255) << height;
    EXPECT_EQ(top[0], 0);
    SelectObject(dc, old);
    DeleteObject(section);
  }
  DeleteDC(dc);
}

TEST_F(DibSections, KeepTheirColourTableAndMasks) {
  DibInfo info(4, 4, 4);
  info.header.biClrUsed = 3;
  info.colors[0] = {0, 0, 255, 0};
  info.colors[1] = {0, 255, 0, 0};
  info.colors[2] = {255, 0, 0, 0};
  HBITMAP section = CreateDIBSection(nullptr, info.info(), DIB_RGB_COLORS, nullptr, nullptr, 0);
  ASSERT_NE(section, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, section);
  RGBQUAD table[256];
  ASSERT_EQ(GetDIBColorTable(dc, 0, 256, table), 3u);
  EXPECT_EQ(table[0].rgbRed, 255);
  EXPECT_EQ(table[2].rgbBlue, 255);
  EXPECT_EQ(GetDIBColorTable(dc, 2, 256, table), 1u);
  EXPECT_EQ(GetDIBColorTable(dc, 3, 256, table), 0u);
  const RGBQUAD whites[5] = {{255, 255, 255, 0}, {255, 255, 255, 0}, {255, 255, 255, 0}, {255, 255, 255, 0},
                             {255, 255, 255, 0}};
  EXPECT_EQ(SetDIBColorTable(dc, 1, 5, whites), 2u) << "clipped to the table";
  ASSERT_EQ(GetDIBColorTable(dc, 1, 1, table), 1u);
  EXPECT_EQ(table[0].rgbGreen, 255);
  // The pixels follow the table: index 1 now reads white.
  SetPixel(dc, 0, 0, RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
  SelectObject(dc, old);
  DeleteObject(section);

  DibInfo wide(2, 2, 24);
  HBITMAP deep = CreateDIBSection(nullptr, wide.info(), DIB_RGB_COLORS, nullptr, nullptr, 0);
  old = SelectObject(dc, deep);
  EXPECT_EQ(GetDIBColorTable(dc, 0, 256, table), 0u) << "no table above 8 bits";
  SelectObject(dc, old);
  DeleteObject(deep);

  DibInfo masked(2, 2, 16, BI_BITFIELDS);
  masked.SetMasks(0xF800, 0x07E0, 0x001F);
  void* bits = nullptr;
  HBITMAP rgb565 = CreateDIBSection(nullptr, masked.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(rgb565, nullptr);
  DIBSECTION ds{};
  ASSERT_EQ(GetObject(rgb565, sizeof ds, &ds), static_cast<int>(sizeof ds));
  EXPECT_EQ(ds.dsBmih.biCompression, BI_BITFIELDS);
  EXPECT_EQ(ds.dsBitfields[0], 0xF800u);
  EXPECT_EQ(ds.dsBitfields[1], 0x07E0u);
  old = SelectObject(dc, rgb565);
  SetPixel(dc, 0, 0, RGB(0, 255, 0));
  const auto* p = static_cast<const std::uint8_t*>(bits);
  EXPECT_EQ(p[4] | (p[5] << 8), 0x07E0) << "top row sits last in bottom-up memory";
  SelectObject(dc, old);
  DeleteObject(rgb565);
  DeleteDC(dc);
}

TEST_F(DibSections, ALongerHeaderCarriesItsMasksAndIsFollowedByTheTable) {
  // A 108-byte header: masks inside it at offset 40, colour table after it.
  alignas(4) std::uint8_t block[108 + 1024] = {};
  BITMAPINFOHEADER h{};
  h.biSize = 108;
  h.biWidth = 2;
  h.biHeight = 1;
  h.biPlanes = 1;
  h.biBitCount = 8;
  h.biClrUsed = 2;
  std::memcpy(block, &h, sizeof h);
  const RGBQUAD colors[2] = {{0, 0, 0, 0}, {10, 20, 30, 0}};
  std::memcpy(block + 108, colors, sizeof colors);
  HBITMAP section =
      CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(block), DIB_RGB_COLORS, nullptr, nullptr, 0);
  ASSERT_NE(section, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, section);
  RGBQUAD table[2];
  ASSERT_EQ(GetDIBColorTable(dc, 0, 2, table), 2u);
  EXPECT_EQ(table[1].rgbRed, 30);
  SelectObject(dc, old);
  DeleteObject(section);
  DeleteDC(dc);
}

TEST_F(DibSections, RefuseWhatTheyCannotHonour) {
  const struct {
    int width, height, bits;
    DWORD compression;
  } bad[] = {{0, 1, 24, BI_RGB},  {-1, 1, 24, BI_RGB},    {1, 0, 24, BI_RGB},
             {1, 1, 7, BI_RGB},   {1, 1, 24, BI_BITFIELDS}, {1, 1, 8, BI_RLE8},
             {1, 1, 24, 99}};
  for (const auto& b : bad) {
    DibInfo info(b.width, b.height, b.bits, b.compression);
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateDIBSection(nullptr, info.info(), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
  }
  DibInfo planes(1, 1, 24);
  planes.header.biPlanes = 2;
  EXPECT_EQ(CreateDIBSection(nullptr, planes.info(), DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(CreateDIBSection(nullptr, nullptr, DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
}

TEST_F(DibSections, TooMuchPixelMemoryIsRefusedLikeAFailedAllocation) {
  DibInfo huge(100000, 100000, 32);
  SetLastError(0);
  EXPECT_EQ(CreateDIBSection(nullptr, huge.info(), DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  DibInfo wide(static_cast<int>(platform::kMaxBitmapDimension) + 1, 1, 1);
  EXPECT_EQ(CreateDIBSection(nullptr, wide.info(), DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  DibInfo tall(1, INT32_MIN + 1, 1);
  EXPECT_EQ(CreateDIBSection(nullptr, tall.info(), DIB_RGB_COLORS, nullptr, nullptr, 0), nullptr);
  SetLastError(0);
  EXPECT_EQ(CreateBitmap(1 << 24, 2, 1, 32, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(CreateCompatibleBitmap(screen, 60000, 60000), nullptr);
  ReleaseDC(nullptr, screen);
}

TEST_F(DibSections, DeviceBitmapsDescribeThemselvesAsBitmaps) {
  const BYTE rows[4] = {0x80, 0, 0x40, 0};
  HBITMAP mono = CreateBitmap(9, 2, 1, 1, rows);
  BITMAP bm{};
  EXPECT_EQ(GetObject(mono, 0, nullptr), static_cast<int>(sizeof(BITMAP)));
  DIBSECTION ds{};
  EXPECT_EQ(GetObject(mono, sizeof ds, &ds), static_cast<int>(sizeof(BITMAP))) << "no DIB part";
  ASSERT_EQ(GetObject(mono, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidthBytes, 2);
  EXPECT_EQ(bm.bmBits, nullptr);
  EXPECT_EQ(GetObject(mono, 4, &bm), 0) << "a buffer too small for a BITMAP";
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, mono);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 0, 0));
  SelectObject(dc, old);
  DeleteObject(mono);
  DeleteDC(dc);
  // An empty size gives the stock bitmap, which DeleteObject leaves alone.
  HBITMAP empty = CreateBitmap(0, 0, 1, 1, nullptr);
  ASSERT_NE(empty, nullptr);
  EXPECT_TRUE(DeleteObject(empty));
  EXPECT_EQ(GetObjectType(empty), OBJ_BITMAP);
  EXPECT_EQ(CreateBitmap(2, 2, 1, 24, nullptr), nullptr);
}

}  // namespace
