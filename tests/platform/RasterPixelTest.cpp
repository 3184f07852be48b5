#include <gtest/gtest.h>

#include <random>

#include "platform/Raster.h"
#include "tests/platform/RasterTestSurface.h"

using namespace platform;
using rastertest::TestSurface;

namespace {

std::vector<RGBQUAD> Table(std::initializer_list<COLORREF> colors) {
  std::vector<RGBQUAD> t;
  for (COLORREF c : colors) t.push_back(RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0});
  return t;
}

// The result the ternary code `index` gives for one bit of p, s and d.
std::uint32_t RuleBit(unsigned index, std::uint32_t p, std::uint32_t s, std::uint32_t d, int bit) {
  const unsigned k = (((p >> bit) & 1u) << 2) | (((s >> bit) & 1u) << 1) | ((d >> bit) & 1u);
  return ((index >> k) & 1u) << bit;
}

}  // namespace

TEST(RasterPixel, TrueColourValuesFollowTheirLayouts) {
  TestSurface s24(2, 1, 24), s32(2, 1, 32), s16(2, 1, 16), s565(2, 1, 16);
  s565.view().masks[0] = 0xF800, s565.view().masks[1] = 0x07E0, s565.view().masks[2] = 0x001F;
  const COLORREF c = RGB(0x12, 0x34, 0x56);
  EXPECT_EQ(ColorToPixel(s24, c), 0x123456u);
  EXPECT_EQ(ColorToPixel(s32, c), 0x123456u);
  EXPECT_EQ(ColorToPixel(s16, RGB(255, 0, 0)), 0x7C00u);
  EXPECT_EQ(ColorToPixel(s16, RGB(0, 0, 255)), 0x001Fu);
  EXPECT_EQ(ColorToPixel(s565, RGB(0, 255, 0)), 0x07E0u);
  EXPECT_EQ(PixelToColor(s16, 0x7FFF), RGB(255, 255, 255));
  EXPECT_EQ(PixelToColor(s565, 0xF800), RGB(255, 0, 0));
  EXPECT_EQ(PixelToColor(s24, 0x123456), c);

  WritePixel(s24, 1, 0, 0xABCDEF);
  EXPECT_EQ(s24.Pixels()[3], 0xEF);  // blue first
  EXPECT_EQ(s24.Pixels()[5], 0xAB);
  EXPECT_EQ(ReadPixel(s24, 1, 0), 0xABCDEFu);
  EXPECT_EQ(ReadPixel(s24, 2, 0), 0u);
  WritePixel(s24, -1, 0, 1);
  WritePixel(s24, 0, 1, 1);
  EXPECT_TRUE(s24.Intact());
}

TEST(RasterPixel, IndexedSurfacesTakeTheNearestTableColour) {
  TestSurface mono(9, 1, 1);
  EXPECT_EQ(ColorToPixel(mono, RGB(200, 200, 200)), 1u);
  EXPECT_EQ(ColorToPixel(mono, RGB(40, 40, 40)), 0u);
  EXPECT_EQ(PixelToColor(mono, 1), RGB(255, 255, 255));

  TestSurface redBlue(4, 1, 1, false, Table({RGB(255, 0, 0), RGB(0, 0, 255)}));
  EXPECT_EQ(ColorToPixel(redBlue, RGB(200, 0, 30)), 0u);
  EXPECT_EQ(ColorToPixel(redBlue, RGB(0, 0, 0x80)), 1u);

  TestSurface s4(3, 1, 4, false, Table({RGB(0, 0, 0), RGB(128, 0, 0), RGB(0, 128, 0), RGB(255, 255, 255)}));
  EXPECT_EQ(ColorToPixel(s4, RGB(0, 120, 10)), 2u);
  EXPECT_EQ(ColorToPixel(s4, PALETTEINDEX(3)), 3u);
  EXPECT_EQ(PixelToColor(s4, 9), RGB(0, 0, 0));  // past the table: black
  WritePixel(s4, 1, 0, 0xE);
  WritePixel(s4, 2, 0, 0x3);
  EXPECT_EQ(ReadPixel(s4, 0, 0), 0u);
  EXPECT_EQ(ReadPixel(s4, 1, 0), 0xEu);
  EXPECT_EQ(ReadPixel(s4, 2, 0), 3u);
  WritePixel(mono, 8, 0, 1);
  EXPECT_EQ(mono.Pixels()[1], 0x80);
  EXPECT_TRUE(mono.Intact());
  EXPECT_TRUE(s4.Intact());
}

// Every one of the 256 ternary codes, on one bit per pixel: pixel k of the row
// carries the operand combination k, so the row must spell the code itself.
TEST(RasterPixel, AllTernaryCodesFollowTheBitRuleOnMonochrome) {
  TestSurface pattern(8, 1, 1), src(8, 1, 1);
  for (int k = 0; k < 8; ++k) {
    WritePixel(pattern, k, 0, (k >> 2) & 1);
    WritePixel(src, k, 0, (k >> 1) & 1);
  }
  BrushSpec brush;
  brush.style = BS_PATTERN;
  brush.pattern = &pattern.view();
  for (unsigned index = 0; index < 256; ++index) {
    TestSurface dst(8, 1, 1);
    for (int k = 0; k < 8; ++k) WritePixel(dst, k, 0, k & 1);
    ASSERT_TRUE(StretchSurface(dst, 0, 0, 8, 1, &src.view(), 0, 0, 8, 1, &brush, index << 16, DrawAttributes{}));
    for (int k = 0; k < 8; ++k) ASSERT_EQ(ReadPixel(dst, k, 0), (index >> k) & 1u) << "code " << index << " k " << k;
    ASSERT_TRUE(dst.Intact());
  }
}

TEST(RasterPixel, AllTernaryCodesFollowTheBitRuleOnTrueColour) {
  std::mt19937 rng(7);
  TestSurface pattern(16, 1, 24), src(16, 1, 24), before(16, 1, 24);
  pattern.Randomise(1);
  src.Randomise(2);
  before.Randomise(3);
  BrushSpec brush;
  brush.style = BS_PATTERN;
  brush.pattern = &pattern.view();
  for (unsigned index = 0; index < 256; ++index) {
    TestSurface dst(16, 1, 24);
    for (int k = 0; k < 16; ++k) WritePixel(dst, k, 0, ReadPixel(before, k, 0));
    ASSERT_TRUE(StretchSurface(dst, 0, 0, 16, 1, &src.view(), 0, 0, 16, 1, &brush, index << 16, DrawAttributes{}));
    for (int k = 0; k < 16; ++k) {
      const std::uint32_t p = ReadPixel(pattern, k, 0), s = ReadPixel(src, k, 0), d = ReadPixel(before, k, 0);
      std::uint32_t want = 0;
      for (int bit = 0; bit < 24; ++bit) want |= RuleBit(index, p, s, d, bit);
      ASSERT_EQ(ReadPixel(dst, k, 0), want) << "code " << index;
    }
    EXPECT_EQ(ApplyRop3(static_cast<std::uint8_t>(index), 0xF0F0F0F0u, 0xCCCCCCCCu, 0xAAAAAAAAu), index * 0x01010101u);
  }
}

TEST(RasterPixel, SourceOperationsWithoutASourceAreRefused) {
  TestSurface dst(4, 4, 24);
  EXPECT_FALSE(StretchSurface(dst, 0, 0, 4, 4, nullptr, 0, 0, 4, 4, nullptr, SRCCOPY, DrawAttributes{}));
  BrushSpec black;
  black.color = RGB(0, 0, 0);
  EXPECT_TRUE(StretchSurface(dst, 0, 0, 4, 4, nullptr, 0, 0, 0, 0, &black, WHITENESS, DrawAttributes{}));
  EXPECT_EQ(ReadPixel(dst, 3, 3), 0xFFFFFFu);
}

// The 16 mix modes of a pen, on a 24-bit pixel, against the binary rule: mode m
// sets the bit where bit (pen << 1 | dst) of m - 1 is set.
TEST(RasterPixel, AllMixModesFollowTheBitRule) {
  const std::uint32_t pens[] = {0xFFFFFF, 0x000000, 0x3C5A96};
  const std::uint32_t dsts[] = {0x123456, 0xFFFFFF, 0x000000, 0xA5C3E1};
  for (int mode = R2_BLACK; mode <= R2_WHITE; ++mode) {
    for (std::uint32_t pen : pens) {
      for (std::uint32_t d : dsts) {
        TestSurface s(3, 1, 24);
        WritePixel(s, 1, 0, d);
        DrawAttributes attr;
        attr.rop2 = mode;
        PenSpec p;
        p.color = RGB(pen >> 16, pen >> 8, pen);
        DrawLine(s, 1, 0, 2, 0, p, attr);
        std::uint32_t want = 0;
        for (int bit = 0; bit < 24; ++bit) {
          const unsigned k = (((pen >> bit) & 1u) << 1) | ((d >> bit) & 1u);
          want |= ((unsigned(mode - 1) >> k) & 1u) << bit;
        }
        ASSERT_EQ(ReadPixel(s, 1, 0), want) << "mode " << mode;
        ASSERT_EQ(ApplyRop2(mode, pen, d) & 0xFFFFFF, want);
        ASSERT_EQ(ReadPixel(s, 0, 0), 0u);
        ASSERT_EQ(ReadPixel(s, 2, 0), 0u);
      }
    }
  }
}
