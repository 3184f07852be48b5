#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "DibInfo.h"
#include "LeakCheck.h"
#include "platform/Windows.h"

namespace {

class DibConversion : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    dc = CreateCompatibleDC(nullptr);
  }
  void TearDown() override {
    DeleteDC(dc);
    PlatformTest::TearDown();
  }

  // A 24-bit section holding `colors`, one pixel each, in one top row.
  HBITMAP MakeSource(const std::vector<COLORREF>& colors, int height = 1) {
    DibInfo info(static_cast<int>(colors.size()), height, 24);
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, info.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, section);
    for (int y = 0; y < height; ++y)
      for (std::size_t x = 0; x < colors.size(); ++x) SetPixel(dc, static_cast<int>(x), y, colors[x]);
    SelectObject(dc, old);
    return section;
  }

  // The colours of a bitmap's top row, read back through a 24-bit GetDIBits.
  std::vector<COLORREF> TopRow(HBITMAP bitmap, int width, int height) {
    DibInfo info(width, -height, 24);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>((width * 3 + 3) / 4 * 4 * height));
    EXPECT_EQ(GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), info.info(), DIB_RGB_COLORS),
              height);
    std::vector<COLORREF> row;
    for (int x = 0; x < width; ++x) row.push_back(RGB(pixels[3 * x + 2], pixels[3 * x + 1], pixels[3 * x]));
    return row;
  }

  // Converts `source` to a section of `bits` bits through GetDIBits and returns it.
  HBITMAP ConvertTo(HBITMAP source, int width, int bits, DWORD compression = BI_RGB, int height = 1) {
    DibInfo info(width, height, bits, compression);
    if (compression == BI_BITFIELDS) info.SetMasks(0xF800, 0x07E0, 0x001F);
    // First ask for the table alone, as callers making a section do.
    EXPECT_NE(GetDIBits(dc, source, 0, 1, nullptr, info.info(), DIB_RGB_COLORS), 0);
    void* memory = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, info.info(), DIB_RGB_COLORS, &memory, nullptr, 0);
    EXPECT_NE(section, nullptr);
    EXPECT_EQ(GetDIBits(dc, source, 0, static_cast<UINT>(height), memory, info.info(), DIB_RGB_COLORS), height);
    return section;
  }

  HDC dc = nullptr;
};

const std::vector<COLORREF> kVga = {RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
                                    RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(128, 128, 128),
                                    RGB(192, 192, 192), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
                                    RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};

TEST_F(DibConversion, ColoursEveryDepthCanShowSurviveTheRoundTrip) {
  const std::vector<COLORREF> arbitrary = {RGB(1, 2, 3), RGB(250, 128, 7), RGB(17, 99, 201), RGB(255, 255, 255)};
  HBITMAP source = MakeSource(arbitrary);
  for (int bits : {24, 32}) {
    HBITMAP converted = ConvertTo(source, 4, bits);
    EXPECT_EQ(TopRow(converted, 4, 1), arbitrary) << bits;
    DeleteObject(converted);
  }
  DeleteObject(source);

  HBITMAP vga = MakeSource(kVga);
  for (int bits : {4, 8, 24, 32}) {
    HBITMAP converted = ConvertTo(vga, 16, bits);
    EXPECT_EQ(TopRow(converted, 16, 1), kVga) << bits << " bits show the sixteen standard colours";
    DeleteObject(converted);
  }
  DeleteObject(vga);
}

TEST_F(DibConversion, LowDepthsTakeTheNearestColour) {
  HBITMAP source = MakeSource({RGB(20, 20, 20), RGB(230, 230, 230), RGB(250, 10, 10), RGB(100, 100, 100)});
  HBITMAP mono = ConvertTo(source, 4, 1);
  EXPECT_EQ(TopRow(mono, 4, 1),
            (std::vector<COLORREF>{RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0), RGB(0, 0, 0)}));
  HBITMAP four = ConvertTo(source, 4, 4);
  EXPECT_EQ(TopRow(four, 4, 1),
            (std::vector<COLORREF>{RGB(0, 0, 0), RGB(255, 255, 255), RGB(255, 0, 0), RGB(128, 128, 128)}));
  HBITMAP eight = ConvertTo(source, 4, 8);
  const std::vector<COLORREF> got = TopRow(eight, 4, 1);
  EXPECT_EQ(got[2], RGB(255, 0, 0));
  EXPECT_EQ(GetRValue(got[0]), GetGValue(got[0])) << "a grey stays grey on the halftone palette";
  EXPECT_LE(std::abs(GetRValue(got[0]) - 20), 6);
  DeleteObject(mono);
  DeleteObject(four);
  DeleteObject(eight);
  DeleteObject(source);
}

TEST_F(DibConversion, SixteenBitsKeepFiveOrSixBitsPerChannel) {
  HBITMAP source = MakeSource({RGB(255, 255, 255), RGB(0x87, 0x43, 0x21), RGB(0, 0, 0)});
  HBITMAP rgb555 = ConvertTo(source, 3, 16);
  const auto widen5 = [](int c) { return ((c >> 3) << 3) | (c >> 5); };
  const auto widen6 = [](int c) { return ((c >> 2) << 2) | (c >> 6); };
  EXPECT_EQ(TopRow(rgb555, 3, 1), (std::vector<COLORREF>{RGB(255, 255, 255),
                                                          RGB(widen5(0x87), widen5(0x43), widen5(0x21)),
                                                          RGB(0, 0, 0)}));
  HBITMAP rgb565 = ConvertTo(source, 3, 16, BI_BITFIELDS);
  EXPECT_EQ(TopRow(rgb565, 3, 1)[1], RGB(widen5(0x87), widen6(0x43), widen5(0x21)));
  DeleteObject(rgb555);
  DeleteObject(rgb565);
  DeleteObject(source);
}

TEST_F(DibConversion, RowsKeepTheirOrderBetweenOrientations) {
  DibInfo info(1, 3, 24);
  void* bits = nullptr;
  HBITMAP source = CreateDIBSection(nullptr, info.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, source);
  SetPixel(dc, 0, 0, RGB(255, 0, 0));
  SetPixel(dc, 0, 1, RGB(0, 255, 0));
  SetPixel(dc, 0, 2, RGB(0, 0, 255));
  SelectObject(dc, old);
  for (int height : {3, -3}) {
    DibInfo target(1, height, 32);
    std::uint32_t pixels[3] = {};
    ASSERT_EQ(GetDIBits(dc, source, 0, 3, pixels, target.info(), DIB_RGB_COLORS), 3);
    const std::uint32_t top = height < 0 ? pixels[0] : pixels[2];
    const std::uint32_t bottom = height < 0 ? pixels[2] : pixels[0];
    EXPECT_EQ(top, 0xFF0000u) << height;
    EXPECT_EQ(bottom, 0x0000FFu) << height;
  }
  // Scan lines count from the bottom of a bottom-up buffer: scan 0 is the bottom row.
  DibInfo one(1, 1, 32);
  std::uint32_t pixel = 0;
  ASSERT_EQ(GetDIBits(dc, source, 0, 1, &pixel, one.info(), DIB_RGB_COLORS), 1);
  EXPECT_EQ(pixel, 0x0000FFu);
  EXPECT_EQ(GetDIBits(dc, source, 5, 1, &pixel, one.info(), DIB_RGB_COLORS), 0) << "past the last scan";
  DeleteObject(source);
}

TEST_F(DibConversion, DeviceBitmapsConvertFromTheirScreenFormat) {
  HDC screen = GetDC(nullptr);
  HBITMAP device = CreateCompatibleBitmap(screen, 2, 1);
  HGDIOBJ old = SelectObject(dc, device);
  SetPixel(dc, 0, 0, RGB(12, 34, 56));
  SetPixel(dc, 1, 0, RGB(255, 255, 255));
  SelectObject(dc, old);
  EXPECT_EQ(TopRow(device, 2, 1), (std::vector<COLORREF>{RGB(12, 34, 56), RGB(255, 255, 255)}));

  // The description query: the bitmap's own format and size.
  DibInfo query(0, 0, 0);
  ASSERT_NE(GetDIBits(dc, device, 0, 1, nullptr, query.info(), DIB_RGB_COLORS), 0);
  EXPECT_EQ(query.header.biWidth, 2);
  EXPECT_EQ(query.header.biHeight, 1);
  EXPECT_EQ(query.header.biBitCount, 32);
  EXPECT_EQ(query.header.biSizeImage, 8u);

  const BYTE rows[2] = {0x40, 0};
  HBITMAP mono = CreateBitmap(2, 1, 1, 1, rows);
  EXPECT_EQ(TopRow(mono, 2, 1), (std::vector<COLORREF>{RGB(0, 0, 0), RGB(255, 255, 255)}));
  DibInfo table(2, 1, 1);
  ASSERT_NE(GetDIBits(dc, mono, 0, 1, nullptr, table.info(), DIB_RGB_COLORS), 0);
  EXPECT_EQ(table.colors[0].rgbRed, 0);
  EXPECT_EQ(table.colors[1].rgbRed, 255);
  DeleteObject(mono);
  DeleteObject(device);
  ReleaseDC(nullptr, screen);
}

TEST_F(DibConversion, ASectionOfTheSameDepthKeepsItsTableAndIndices) {
  DibInfo info(3, 1, 8);
  info.header.biClrUsed = 3;
  info.colors[0] = {9, 9, 9, 0};
  info.colors[1] = {9, 9, 9, 0};  // a duplicate: the index, not the colour, must survive
  info.colors[2] = {200, 100, 50, 0};
  void* bits = nullptr;
  HBITMAP source = CreateDIBSection(nullptr, info.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
  std::memcpy(bits, "\x01\x02\x00", 3);
  DibInfo target(3, 1, 8);
  std::uint8_t out[4] = {};
  ASSERT_EQ(GetDIBits(dc, source, 0, 1, out, target.info(), DIB_RGB_COLORS), 1);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[1], 2);
  EXPECT_EQ(out[2], 0);
  EXPECT_EQ(target.colors[2].rgbBlue, 200);
  DeleteObject(source);
}

TEST_F(DibConversion, SetDIBitsWritesCallerPixelsIntoAnyBitmap) {
  HDC screen = GetDC(nullptr);
  HBITMAP device = CreateCompatibleBitmap(screen, 2, 2);
  DibInfo info(2, 2, 4);
  info.header.biClrUsed = 2;
  info.colors[0] = {0, 0, 255, 0};
  info.colors[1] = {255, 0, 0, 0};
  const std::uint8_t pixels[8] = {0x01, 0, 0, 0, 0x10, 0, 0, 0};  // bottom row first
  EXPECT_EQ(SetDIBits(dc, device, 0, 2, pixels, info.info(), DIB_RGB_COLORS), 2);
  EXPECT_EQ(TopRow(device, 2, 2), (std::vector<COLORREF>{RGB(0, 0, 255), RGB(255, 0, 0)}));
  EXPECT_EQ(SetDIBits(dc, device, 0, 2, nullptr, info.info(), DIB_RGB_COLORS), 0);
  DeleteObject(device);
  ReleaseDC(nullptr, screen);
}

TEST_F(DibConversion, RefusesBadArgumentsWithoutTouchingMemory) {
  HBITMAP source = MakeSource({RGB(1, 1, 1)});
  DibInfo rle(1, 1, 8, BI_RLE8);
  std::uint8_t buffer[4] = {};
  EXPECT_EQ(GetDIBits(dc, source, 0, 1, buffer, rle.info(), DIB_RGB_COLORS), 0);
  DibInfo fine(1, 1, 24);
  EXPECT_EQ(GetDIBits(nullptr, source, 0, 1, buffer, fine.info(), DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetDIBits(dc, nullptr, 0, 1, buffer, fine.info(), DIB_RGB_COLORS), 0);
  EXPECT_EQ(GetDIBits(dc, source, 0, 1, buffer, nullptr, DIB_RGB_COLORS), 0);
  // More lines than either picture has are cut to what both have.
  EXPECT_EQ(GetDIBits(dc, source, 0, 1000, buffer, fine.info(), DIB_RGB_COLORS), 1);
  DeleteObject(source);
}

}  // namespace
