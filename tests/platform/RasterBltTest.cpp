#include <gtest/gtest.h>

#include <climits>
#include <random>

#include "platform/Raster.h"
#include "tests/platform/RasterTestSurface.h"

using namespace platform;
using rastertest::TestSurface;

namespace {

const DrawAttributes kDefault{};

DrawAttributes WithMode(int stretchMode) {
  DrawAttributes a;
  a.stretchMode = stretchMode;
  return a;
}

// Distinct 24-bit values: x in the low byte, y in the middle one.
void Number(TestSurface& s) {
  for (int y = 0; y < s.view().height; ++y) {
    for (int x = 0; x < s.view().width; ++x) WritePixel(s, x, y, 0x400000u | (std::uint32_t(y) << 8) | x);
  }
}

std::uint32_t Numbered(int x, int y) { return 0x400000u | (std::uint32_t(y) << 8) | std::uint32_t(x); }

}  // namespace

TEST(RasterBlt, CopiesBetweenEqualFormatsAndThroughColourTables) {
  for (bool bottomUp : {false, true}) {
    TestSurface src(30, 20, 24, bottomUp), dst(40, 30, 24, !bottomUp);
    Number(src);
    ASSERT_TRUE(StretchSurface(dst, 5, 6, 10, 8, &src.view(), 3, 4, 10, 8, nullptr, SRCCOPY, kDefault));
    for (int y = 0; y < 30; ++y) {
      for (int x = 0; x < 40; ++x) {
        const bool in = x >= 5 && x < 15 && y >= 6 && y < 14;
        ASSERT_EQ(ReadPixel(dst, x, y), in ? Numbered(x - 2, y - 2) : 0u);
      }
    }
    EXPECT_TRUE(dst.Intact());
  }
  // An 8-bit source lands in 24 and 32 bits as its table colours.
  std::vector<RGBQUAD> table(256);
  for (int i = 0; i < 256; ++i) table[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
  TestSurface src8(16, 16, 8, true, table);
  src8.Randomise(9);
  for (int bpp : {24, 32, 16}) {
    TestSurface dst(16, 16, bpp);
    ASSERT_TRUE(StretchSurface(dst, 0, 0, 16, 16, &src8.view(), 0, 0, 16, 16, nullptr, SRCCOPY, kDefault));
    for (int y = 0; y < 16; ++y) {
      for (int x = 0; x < 16; ++x) {
        const COLORREF want = PixelToColor(src8, ReadPixel(src8, x, y));
        ASSERT_EQ(ReadPixel(dst, x, y), ColorToPixel(dst, want)) << bpp;
      }
    }
    EXPECT_TRUE(dst.Intact());
  }
  // True colour into an indexed surface picks the nearest table colour.
  TestSurface s24(4, 1, 24), d4(4, 1, 4, false, {{0, 0, 0, 0}, {0, 0, 255, 0}, {255, 255, 255, 0}});
  WritePixel(s24, 0, 0, 0xF01010);
  WritePixel(s24, 1, 0, 0xEEEEEE);
  WritePixel(s24, 2, 0, 0x101010);
  ASSERT_TRUE(StretchSurface(d4, 0, 0, 4, 1, &s24.view(), 0, 0, 4, 1, nullptr, SRCCOPY, kDefault));
  EXPECT_EQ(ReadPixel(d4, 0, 0), 1u);
  EXPECT_EQ(ReadPixel(d4, 1, 0), 2u);
  EXPECT_EQ(ReadPixel(d4, 2, 0), 0u);
}

TEST(RasterBlt, NegativeExtentsMirror) {
  TestSurface src(6, 4, 24);
  Number(src);
  TestSurface h(6, 4, 24), v(6, 4, 24), both(6, 4, 24), twice(6, 4, 24);
  StretchSurface(h, 6, 0, -6, 4, &src.view(), 0, 0, 6, 4, nullptr, SRCCOPY, kDefault);
  StretchSurface(v, 0, 0, 6, 4, &src.view(), 0, 4, 6, -4, nullptr, SRCCOPY, kDefault);
  StretchSurface(both, 6, 4, -6, -4, &src.view(), 0, 0, 6, 4, nullptr, SRCCOPY, kDefault);
  StretchSurface(twice, 6, 0, -6, 4, &src.view(), 6, 0, -6, 4, nullptr, SRCCOPY, kDefault);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) {
      EXPECT_EQ(ReadPixel(h, x, y), Numbered(5 - x, y));
      EXPECT_EQ(ReadPixel(v, x, y), Numbered(x, 3 - y));
      EXPECT_EQ(ReadPixel(both, x, y), Numbered(5 - x, 3 - y));
      EXPECT_EQ(ReadPixel(twice, x, y), Numbered(x, y));
    }
  }
}

TEST(RasterBlt, GrowsByWholeFactorsExactlyAndShrinksByTheStretchMode) {
  TestSurface src(5, 3, 24);
  Number(src);
  TestSurface big(15, 6, 24);
  StretchSurface(big, 0, 0, 15, 6, &src.view(), 0, 0, 5, 3, nullptr, SRCCOPY, kDefault);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 15; ++x) ASSERT_EQ(ReadPixel(big, x, y), Numbered(x / 3, y / 2));
  }
  TestSurface small(5, 3, 24);
  StretchSurface(small, 0, 0, 5, 3, &big.view(), 0, 0, 15, 6, nullptr, SRCCOPY, WithMode(COLORONCOLOR));
  EXPECT_EQ(small.Pixels(), src.Pixels());

  // Halving a monochrome row: AND keeps black, OR keeps white, average greys.
  TestSurface row(8, 1, 1);
  const int bits[8] = {0, 1, 1, 1, 0, 0, 1, 0};
  for (int x = 0; x < 8; ++x) WritePixel(row, x, 0, bits[x]);
  TestSurface andHalf(4, 1, 1), orHalf(4, 1, 1);
  StretchSurface(andHalf, 0, 0, 4, 1, &row.view(), 0, 0, 8, 1, nullptr, SRCCOPY, WithMode(BLACKONWHITE));
  StretchSurface(orHalf, 0, 0, 4, 1, &row.view(), 0, 0, 8, 1, nullptr, SRCCOPY, WithMode(WHITEONBLACK));
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(ReadPixel(andHalf, x, 0), std::uint32_t(bits[2 * x] & bits[2 * x + 1]));
    EXPECT_EQ(ReadPixel(orHalf, x, 0), std::uint32_t(bits[2 * x] | bits[2 * x + 1]));
  }
  TestSurface grey(1, 1, 24), twoByTwo(2, 2, 24);
  WritePixel(twoByTwo, 0, 0, 0xFFFFFF);
  WritePixel(twoByTwo, 1, 1, 0x0000FF);
  StretchSurface(grey, 0, 0, 1, 1, &twoByTwo.view(), 0, 0, 2, 2, nullptr, SRCCOPY, WithMode(HALFTONE));
  EXPECT_EQ(ReadPixel(grey, 0, 0), 0x404080u);
}

// Whatever the arguments, nothing outside either surface is read or written
// (AddressSanitizer watches the reads), and the pixels that are drawn are the
// ones an unclipped copy would draw.
TEST(RasterBlt, ClipsEveryArgumentToBothSurfaces) {
  TestSurface src(13, 9, 24);
  Number(src);
  const int extreme[] = {INT_MIN, INT_MIN + 1, -1000000000, -13, -1, 0, 1, 5, 13, 1000000000, INT_MAX - 1, INT_MAX};
  std::mt19937 rng(3);
  for (int n = 0; n < 3000; ++n) {
    auto pick = [&] { return (rng() & 1) ? extreme[rng() % 12] : int(rng() % 40) - 20; };
    const int x = pick(), y = pick(), w = pick(), h = pick(), sx = pick(), sy = pick(), sw = pick(), sh = pick();
    for (int bpp : {24, 4}) {
      TestSurface dst(11, 7, bpp, n & 1, {{0, 0, 0, 0}, {255, 255, 255, 0}});
      StretchSurface(dst, x, y, w, h, &src.view(), sx, sy, sw, sh, nullptr, SRCCOPY, WithMode(n % 4 + 1));
      ASSERT_TRUE(dst.Intact()) << x << " " << y << " " << w << " " << h << " " << sx << " " << sy << " " << sw << " "
                                << sh;
    }
  }
  // A copy hanging over every edge keeps the pixels that overlap.
  TestSurface dst(11, 7, 24);
  StretchSurface(dst, -4, -3, 20, 15, &src.view(), -2, -1, 20, 15, nullptr, SRCCOPY, kDefault);
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 11; ++x) {
      const int sx = x + 2, sy = y + 2;
      ASSERT_EQ(ReadPixel(dst, x, y), (sx < 13 && sy < 9) ? Numbered(sx, sy) : 0u) << x << "," << y;
    }
  }
}

TEST(RasterBlt, OverlappingCopiesWithinOneSurface) {
  TestSurface s(8, 8, 24), ref(8, 8, 24);
  Number(s);
  Number(ref);
  StretchSurface(s, 1, 2, 6, 5, &s.view(), 0, 0, 6, 5, nullptr, SRCCOPY, kDefault);
  for (int y = 2; y < 7; ++y) {
    for (int x = 1; x < 7; ++x) ASSERT_EQ(ReadPixel(s, x, y), ReadPixel(ref, x - 1, y - 2));
  }
  // Mirrored and stretched in place: the result is that of a separate source.
  TestSurface m(8, 8, 24), g(8, 8, 24);
  Number(m);
  Number(g);
  StretchSurface(m, 0, 0, 8, 8, &m.view(), 0, 8, 8, -8, nullptr, SRCCOPY, kDefault);
  StretchSurface(g, 0, 0, 8, 8, &g.view(), 0, 0, 4, 4, nullptr, SRCCOPY, kDefault);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) {
      ASSERT_EQ(ReadPixel(m, x, y), Numbered(x, 7 - y));
      ASSERT_EQ(ReadPixel(g, x, y), Numbered(x / 2, y / 2));
    }
  }
  // A masked transfer down the same surface reads each row before it is overwritten.
  TestSurface k(4, 6, 24), ones(4, 6, 1);
  Number(k);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 4; ++x) WritePixel(ones, x, y, 1);
  }
  MaskSurface(k, 0, 1, 4, 5, &k.view(), 0, 0, ones, 0, 0, nullptr, MAKEROP4(SRCCOPY, SRCCOPY), kDefault);
  for (int y = 1; y < 6; ++y) ASSERT_EQ(ReadPixel(k, 2, y), Numbered(2, y - 1));
}

TEST(RasterBlt, MonochromeTransfersFollowTextAndBackgroundColours) {
  DrawAttributes attr;
  attr.textColor = RGB(255, 0, 0);
  attr.bkColor = RGB(0, 0, 255);
  TestSurface mono(4, 1, 1);
  WritePixel(mono, 1, 0, 1);
  WritePixel(mono, 3, 0, 1);
  TestSurface colour(4, 1, 24);
  StretchSurface(colour, 0, 0, 4, 1, &mono.view(), 0, 0, 4, 1, nullptr, SRCCOPY, attr);
  EXPECT_EQ(ReadPixel(colour, 0, 0), 0xFF0000u);
  EXPECT_EQ(ReadPixel(colour, 1, 0), 0x0000FFu);

  // Colour to monochrome: the source's background colour becomes 1, all else 0.
  TestSurface back(4, 1, 1);
  WritePixel(colour, 2, 0, 0x0000FE);
  attr.srcBkColor = RGB(0, 0, 255);
  attr.bkColor = RGB(1, 2, 3);
  StretchSurface(back, 0, 0, 4, 1, &colour.view(), 0, 0, 4, 1, nullptr, SRCCOPY, attr);
  EXPECT_EQ(ReadPixel(back, 0, 0), 0u);
  EXPECT_EQ(ReadPixel(back, 1, 0), 1u);
  EXPECT_EQ(ReadPixel(back, 2, 0), 0u);
  EXPECT_EQ(ReadPixel(back, 3, 0), 1u);
  attr.srcBkColor = CLR_INVALID;
  attr.bkColor = RGB(255, 0, 0);
  StretchSurface(back, 0, 0, 4, 1, &colour.view(), 0, 0, 4, 1, nullptr, SRCCOPY, attr);
  EXPECT_EQ(ReadPixel(back, 0, 0), 1u);
  EXPECT_EQ(ReadPixel(back, 1, 0), 0u);
  // A 1-bit section with a colour table is a two-colour surface: its table
  // colours go out, and colours come in as the nearer of the two.
  TestSurface redBlue(2, 1, 1, false, {{0, 0, 255, 0}, {255, 0, 0, 0}});
  WritePixel(redBlue, 1, 0, 1);
  StretchSurface(colour, 0, 0, 2, 1, &redBlue.view(), 0, 0, 2, 1, nullptr, SRCCOPY, attr);
  EXPECT_EQ(ReadPixel(colour, 0, 0), 0xFF0000u);
  EXPECT_EQ(ReadPixel(colour, 1, 0), 0x0000FFu);
  TestSurface greys(3, 1, 24), section(3, 1, 1, false, {{0, 0, 0, 0}, {255, 255, 255, 0}});
  WritePixel(greys, 0, 0, 0xC0C0C0);
  WritePixel(greys, 1, 0, 0x404040);
  WritePixel(greys, 2, 0, 0xFF0000);
  StretchSurface(section, 0, 0, 3, 1, &greys.view(), 0, 0, 3, 1, nullptr, SRCCOPY, attr);
  EXPECT_EQ(ReadPixel(section, 0, 0), 1u);
  EXPECT_EQ(ReadPixel(section, 1, 0), 0u);
  EXPECT_EQ(ReadPixel(section, 2, 0), 0u);
  // Between two 1-bit surfaces the bits go through both tables: a (white, black)
  // section lands inverted in a (black, white) one and in a table-less bitmap,
  // and unchanged in a section with its own table.
  TestSurface whiteBlack(3, 1, 1, false, {{255, 255, 255, 0}, {0, 0, 0, 0}});
  WritePixel(whiteBlack, 1, 0, 1);
  for (const bool ownTable : {false, true}) {
    TestSurface blackWhite(3, 1, 1, false, {{0, 0, 0, 0}, {255, 255, 255, 0}}), plainMono(3, 1, 1);
    TestSurface same(3, 1, 1, false, {{255, 255, 255, 0}, {0, 0, 0, 0}});
    TestSurface& target = ownTable ? blackWhite : plainMono;
    StretchSurface(target, 0, 0, 3, 1, &whiteBlack.view(), 0, 0, 3, 1, nullptr, SRCCOPY, attr);
    StretchSurface(same, 0, 0, 3, 1, &whiteBlack.view(), 0, 0, 3, 1, nullptr, SRCCOPY, attr);
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(ReadPixel(target, x, 0), x == 1 ? 0u : 1u) << ownTable << x;
      EXPECT_EQ(ReadPixel(same, x, 0), x == 1 ? 1u : 0u) << x;
    }
  }
  // The unused fourth byte of a 32-bit pixel does not take part.
  TestSurface x32(2, 1, 32);
  WritePixel(x32, 0, 0, 0xFFFF0000u);
  WritePixel(x32, 1, 0, 0xFFFE0000u);
  StretchSurface(back, 0, 0, 2, 1, &x32.view(), 0, 0, 2, 1, nullptr, SRCCOPY, attr);
  EXPECT_EQ(ReadPixel(back, 0, 0), 1u);
  EXPECT_EQ(ReadPixel(back, 1, 0), 0u);
}

TEST(RasterBlt, BrushesSolidHatchedPatternAndNull) {
  DrawAttributes attr;
  attr.bkColor = RGB(0, 255, 0);
  BrushSpec hatch;
  hatch.style = BS_HATCHED;
  hatch.hatch = HS_CROSS;
  hatch.color = RGB(255, 0, 0);
  TestSurface opaque(16, 16, 24), clear(16, 16, 24);
  clear.Randomise(4);
  TestSurface clearBefore(16, 16, 24);
  clearBefore.Randomise(4);
  FillSurface(opaque, RECT{0, 0, 16, 16}, hatch, attr);
  attr.bkMode = TRANSPARENT;
  FillSurface(clear, RECT{0, 0, 16, 16}, hatch, attr);
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool line = x % 8 == 7 || y % 8 == 7;
      ASSERT_EQ(ReadPixel(opaque, x, y), line ? 0xFF0000u : 0x00FF00u);
      ASSERT_EQ(ReadPixel(clear, x, y), line ? 0xFF0000u : ReadPixel(clearBefore, x, y));
    }
  }
  // A pattern bitmap is tiled from the brush origin.
  TestSurface tile(3, 2, 24);
  Number(tile);
  BrushSpec pattern;
  pattern.style = BS_PATTERN;
  pattern.pattern = &tile.view();
  attr.brushOrigin = POINT{1, 1};
  TestSurface tiled(10, 7, 24);
  ASSERT_TRUE(StretchSurface(tiled, 0, 0, 10, 7, nullptr, 0, 0, 0, 0, &pattern, PATCOPY, attr));
  for (int y = 0; y < 7; ++y) {
    for (int x = 0; x < 10; ++x) ASSERT_EQ(ReadPixel(tiled, x, y), Numbered((x + 2) % 3, (y + 1) % 2));
  }
  // A null brush draws nothing; a reversed rectangle fills nothing.
  BrushSpec null;
  null.style = BS_NULL;
  TestSurface untouched(4, 4, 24);
  FillSurface(untouched, RECT{0, 0, 4, 4}, null, attr);
  BrushSpec solid;
  solid.color = RGB(1, 2, 3);
  FillSurface(untouched, RECT{4, 4, 0, 0}, solid, attr);
  EXPECT_EQ(untouched.Pixels(), TestSurface(4, 4, 24).Pixels());
  FillSurface(untouched, RECT{INT_MIN, 2, INT_MAX, INT_MAX}, solid, attr);
  EXPECT_EQ(ReadPixel(untouched, 3, 3), 0x010203u);
  EXPECT_EQ(ReadPixel(untouched, 3, 1), 0u);
  EXPECT_TRUE(untouched.Intact());
}

TEST(RasterBlt, MaskTransfersChooseTheirOperationByTheMaskBit) {
  TestSurface src(6, 2, 24), dst(6, 2, 24), before(6, 2, 24), mask(8, 3, 1);
  Number(src);
  dst.Randomise(2);
  before.Randomise(2);
  for (int x = 0; x < 8; ++x) WritePixel(mask, x, 1, x & 1);
  for (int x = 0; x < 8; ++x) WritePixel(mask, x, 2, (x >> 1) & 1);
  // The transparent draw: where the mask is 1 the destination stays, elsewhere the source.
  ASSERT_TRUE(MaskSurface(dst, 0, 0, 6, 2, &src.view(), 0, 0, mask, 1, 1, nullptr, 0xCCAA0029, kDefault));
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 6; ++x) {
      const bool keep = ReadPixel(mask, x + 1, y + 1) != 0;
      ASSERT_EQ(ReadPixel(dst, x, y), keep ? ReadPixel(before, x, y) : Numbered(x, y));
    }
  }
  EXPECT_FALSE(MaskSurface(dst, 0, 0, 6, 2, nullptr, 0, 0, mask, 0, 0, nullptr, 0xCCAA0029, kDefault));
  // A mask that does not cover the rectangle limits the drawing to what it covers.
  TestSurface far(6, 2, 24);
  ASSERT_TRUE(
      MaskSurface(far, 0, 0, 6, 2, &src.view(), 0, 0, mask, 5, 2, nullptr, MAKEROP4(SRCCOPY, SRCCOPY), kDefault));
  EXPECT_EQ(ReadPixel(far, 2, 0), Numbered(2, 0));
  EXPECT_EQ(ReadPixel(far, 3, 0), 0u);
  EXPECT_EQ(ReadPixel(far, 0, 1), 0u);
  EXPECT_TRUE(far.Intact());
}
