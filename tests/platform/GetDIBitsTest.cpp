#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "DibInfo.h"
#include "LeakCheck.h"
#include "platform/BitmapLayout.h"
#include "platform/PixelConvert.h"
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
    std::vector<std::uint8_t> pixels(platform::DibStride(width, 24) * static_cast<std::size_t>(height));
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

// A pixel format a picture can come in, for the conversions into 24 bits.
struct SourceFormat {
  const char* name;
  int bits;
  DWORD masks[3];
  int colorCount;  // entries of the table for 1, 4 and 8 bits; -1 for none
};

const SourceFormat kSourceFormats[] = {
    {"1-bit", 1, {0, 0, 0}, 2},
    {"1-bit without a table", 1, {0, 0, 0}, -1},
    {"4-bit", 4, {0, 0, 0}, 16},
    {"4-bit, short table", 4, {0, 0, 0}, 5},
    {"8-bit", 8, {0, 0, 0}, 256},
    {"8-bit, short table", 8, {0, 0, 0}, 100},
    {"16-bit 5-5-5", 16, {0, 0, 0}, 0},
    {"16-bit 5-5-5 masks", 16, {0x7C00, 0x03E0, 0x001F}, 0},
    {"16-bit 5-6-5", 16, {0xF800, 0x07E0, 0x001F}, 0},
    {"16-bit 4-4-4", 16, {0x0F00, 0x00F0, 0x000F}, 0},
    {"32-bit", 32, {0, 0, 0}, 0},
    {"32-bit 8-8-8 masks", 32, {0xFF0000, 0x00FF00, 0x0000FF}, 0},
    {"32-bit blue-first masks", 32, {0x0000FF, 0x00FF00, 0xFF0000}, 0},
};

// Random pixels in a surface's own memory, rows padded as in a DIB.
struct RandomPicture {
  RandomPicture(const SourceFormat& f, int width, int height, bool topDown, std::mt19937& random) {
    const std::size_t stride = platform::DibStride(width, f.bits);
    bytes.resize(stride * static_cast<std::size_t>(height));
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    for (int i = 0; i < std::max(f.colorCount, 0); ++i)
      colors.push_back(
          RGBQUAD{static_cast<BYTE>(random()), static_cast<BYTE>(random()), static_cast<BYTE>(random()), 0});
    surface = Over(bytes, width, height, f.bits, topDown);
    surface.colors = colors.empty() ? nullptr : colors.data();
    surface.colorCount = static_cast<std::int32_t>(colors.size());
    std::copy(f.masks, f.masks + 3, surface.masks);
  }
  static platform::Surface Over(std::vector<std::uint8_t>& memory, int width, int height, int bits, bool topDown) {
    const auto stride = static_cast<std::ptrdiff_t>(memory.size() / static_cast<std::size_t>(height));
    platform::Surface s;
    s.width = width;
    s.height = height;
    s.bitsPerPixel = bits;
    s.top = topDown ? memory.data() : memory.data() + stride * (height - 1);
    s.pitch = topDown ? stride : -stride;
    return s;
  }
  std::vector<std::uint8_t> bytes;
  std::vector<RGBQUAD> colors;
  platform::Surface surface;
};

// The 24-bit bytes the general reader and writer give for a block: what every
// faster road must give too.
void ConvertThroughColourLine(const platform::Surface& source, int sx, const platform::Surface& target, int dx,
                              int width) {
  platform::RowReader reader(source);
  platform::RowWriter writer(target);
  std::vector<platform::Bgrx> line(static_cast<std::size_t>(width));
  for (int y = 0; y < target.height; ++y) {
    reader.Read(sx, y, width, line.data());
    writer.Write(dx, y, width, line.data());
  }
}

TEST(DirectConversionTo24Bits, GivesTheSameBytesAsTheColourLineForEveryFormat) {
  std::mt19937 random(24);
  struct Block {
    int sourceWidth, width, height, sx, dx;
  };
  // Odd starts inside a byte for 1 and 4 bits, widths around the four-pixel
  // groups, an unaligned start in the target, and one block large enough to
  // be written around the caches.
  const Block blocks[] = {{1, 1, 1, 0, 0},   {5, 5, 2, 0, 0},     {13, 9, 3, 3, 1},   {37, 30, 2, 5, 2},
                          {16, 8, 2, 7, 3},  {64, 61, 2, 1, 0},   {700, 699, 520, 1, 1}};
  for (const SourceFormat& format : kSourceFormats) {
    for (const Block& b : blocks) {
      for (bool topDown : {false, true}) {
        RandomPicture picture(format, b.sourceWidth, b.height, topDown, random);
        const int targetWidth = b.dx + b.width + 2;
        const std::size_t targetBytes = platform::DibStride(targetWidth, 24) * b.height;
        std::vector<std::uint8_t> direct(targetBytes, 0xA5), expected(targetBytes, 0xA5);
        const auto directTarget = RandomPicture::Over(direct, targetWidth, b.height, 24, !topDown);
        const auto expectedTarget = RandomPicture::Over(expected, targetWidth, b.height, 24, !topDown);
        ASSERT_EQ(platform::ConvertPixels(picture.surface, b.sx, 0, directTarget, b.dx, 0, b.width, b.height),
                  b.height);
        ConvertThroughColourLine(picture.surface, b.sx, expectedTarget, b.dx, b.width);
        ASSERT_EQ(direct, expected) << format.name << ", " << b.width << " x " << b.height << " from " << b.sx
                                    << " to " << b.dx << (topDown ? ", top-down" : ", bottom-up");
      }
    }
  }
}

TEST(DirectConversionTo24Bits, ARowConvertedOntoItsOwnMemoryReadsItsSourceFirst) {
  // Eight 8-bit pixels at the start of a row that the 24-bit target shares:
  // each must take its own colour, not one already overwritten.
  std::vector<std::uint8_t> memory(32, 0);
  for (int i = 0; i < 8; ++i) memory[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
  std::vector<RGBQUAD> table;
  for (int i = 0; i < 256; ++i) table.push_back(RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i + 1), 9, 0});
  auto source = RandomPicture::Over(memory, 8, 1, 8, true);
  source.colors = table.data();
  source.colorCount = 256;
  const auto target = RandomPicture::Over(memory, 8, 1, 24, true);
  ASSERT_EQ(platform::ConvertPixels(source, 0, 0, target, 0, 0, 8, 1), 1);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(memory[3 * static_cast<std::size_t>(i)], i) << i;
    EXPECT_EQ(memory[3 * static_cast<std::size_t>(i) + 1], i + 1) << i;
  }
}

TEST_F(DibConversion, ALargeSectionStartsBlackAndConvertsExactly) {
  // 1500 x 1000 at 8 bits and 24 bits: both sections are past the size that
  // is mapped from the system rather than taken from the heap.
  std::mt19937 random(8);
  DibInfo info(1500, 1000, 8);
  for (auto& c : info.colors) c = RGBQUAD{static_cast<BYTE>(random()), static_cast<BYTE>(random()), 3, 0};
  void* bits = nullptr;
  HBITMAP source = CreateDIBSection(nullptr, info.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(source, nullptr);
  auto* indices = static_cast<std::uint8_t*>(bits);
  const std::size_t count = 1500 * 1000;
  for (std::size_t i = 0; i < count; ++i) ASSERT_EQ(indices[i], 0) << "new pixel memory reads as zero";
  for (std::size_t i = 0; i < count; ++i) indices[i] = static_cast<std::uint8_t>(random());

  DibInfo deep(1500, 1000, 24);
  void* out = nullptr;
  HBITMAP target = CreateDIBSection(nullptr, deep.info(), DIB_RGB_COLORS, &out, nullptr, 0);
  ASSERT_NE(target, nullptr);
  auto* rgb = static_cast<std::uint8_t*>(out);
  ASSERT_EQ(rgb[0], 0);
  ASSERT_EQ(rgb[3 * count - 1], 0);
  ASSERT_EQ(GetDIBits(dc, source, 0, 1000, out, deep.info(), DIB_RGB_COLORS), 1000);
  for (std::size_t i = 0; i < count; i += 997) {
    const RGBQUAD& c = info.colors[indices[i]];
    ASSERT_EQ(rgb[3 * i], c.rgbBlue) << i;
    ASSERT_EQ(rgb[3 * i + 1], c.rgbGreen) << i;
    ASSERT_EQ(rgb[3 * i + 2], c.rgbRed) << i;
  }
  EXPECT_EQ(rgb[3 * count - 3], info.colors[indices[count - 1]].rgbBlue) << "the last pixel is written";
  DeleteObject(target);
  DeleteObject(source);
}

#if !defined(__SANITIZE_ADDRESS__)
TEST_F(DibConversion, ASectionTheSystemCannotBackFailsCleanly) {
  // A process held to 1 GB of address space asks for a 1.6 GB section: the
  // call must fail as an allocation does, not hand out an unusable address.
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
  rlimit tight = old;
  tight.rlim_cur = std::min<rlim_t>(old.rlim_max, rlim_t{1} << 30);
  ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
  DibInfo huge(20000, 20000, 32);
  void* bits = &huge;
  SetLastError(0);
  HBITMAP section = CreateDIBSection(nullptr, huge.info(), DIB_RGB_COLORS, &bits, nullptr, 0);
  const DWORD error = GetLastError();
  setrlimit(RLIMIT_AS, &old);
  EXPECT_EQ(section, nullptr);
  EXPECT_EQ(bits, nullptr);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
  if (section != nullptr) DeleteObject(section);
}
#endif

}  // namespace
