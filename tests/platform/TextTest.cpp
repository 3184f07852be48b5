#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "platform/Text.h"
#include "tests/platform/RasterTestSurface.h"

using namespace platform;
using rastertest::TestSurface;

namespace {

LOGFONTA Font(const char* face, LONG height, LONG weight = FW_NORMAL, BYTE italic = 0) {
  LOGFONTA lf{};
  lf.lfHeight = height;
  lf.lfWeight = weight;
  lf.lfItalic = italic;
  std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return lf;
}

const char kGothic[] = "ＭＳ Ｐゴシック";

struct Box {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
  int count = 0;
};

// Where pixels differ from `background`, and whether every one of them is `ink`.
Box Ink(const TestSurface& s, std::uint32_t background, std::uint32_t ink, bool* onlyInk) {
  Box b;
  *onlyInk = true;
  for (int y = 0; y < s.view().height; ++y) {
    for (int x = 0; x < s.view().width; ++x) {
      const std::uint32_t v = ReadPixel(s, x, y);
      if (v == background) continue;
      if (v != ink) *onlyInk = false;
      b.left = std::min(b.left, x), b.right = std::max(b.right, x + 1);
      b.top = std::min(b.top, y), b.bottom = std::max(b.bottom, y + 1);
      ++b.count;
    }
  }
  return b;
}

DrawAttributes WhiteText(int bkMode) {
  DrawAttributes a;
  a.textColor = RGB(255, 255, 255);
  a.bkColor = RGB(0, 0, 255);
  a.bkMode = bkMode;
  return a;
}

}  // namespace

TEST(Text, ResolvesTheProgramsAliasAndFallsBackClearly) {
  const TextFont* gothic = ResolveFont(Font(kGothic, -12));
  ASSERT_NE(gothic, nullptr);
  const FontDescription d = DescribeFont(gothic);
  EXPECT_EQ(d.family, "IPAPGothic");
  EXPECT_FALSE(d.fallback);
  EXPECT_EQ(d.charHeight, 12);
  EXPECT_EQ(d.cellHeight, d.ascent + d.descent);
  EXPECT_GE(d.cellHeight, 12);
  EXPECT_EQ(ResolveFont(Font(kGothic, -12)), gothic);  // one object per attribute set

  const TextFont* missing = ResolveFont(Font("No Such Face Anywhere", -12));
  ASSERT_NE(missing, nullptr);
  EXPECT_TRUE(DescribeFont(missing).fallback);
  EXPECT_FALSE(DescribeFont(missing).file.empty());

  // A positive height is the cell height.
  EXPECT_EQ(DescribeFont(ResolveFont(Font(kGothic, 20))).cellHeight, 20);
  // Hostile heights and an unterminated face name are survived.
  LOGFONTA odd = Font(kGothic, INT_MIN);
  std::memset(odd.lfFaceName, 'A', LF_FACESIZE);
  ASSERT_NE(ResolveFont(odd), nullptr);
  EXPECT_EQ(DescribeFont(ResolveFont(odd)).charHeight, kMaxFontPixels);
  EXPECT_EQ(MeasureText(nullptr, "x", 1).cx, 0);
}

TEST(Text, ExtentIsTheSumOfAdvancesAndTheCellHeight) {
  const TextFont* f = ResolveFont(Font(kGothic, -12));
  ASSERT_NE(f, nullptr);
  const SIZE a = MeasureText(f, "A", 1), aa = MeasureText(f, "AA", 2), none = MeasureText(f, "", 0);
  EXPECT_GT(a.cx, 0);
  EXPECT_EQ(aa.cx, 2 * a.cx);
  EXPECT_EQ(none.cx, 0);
  EXPECT_EQ(a.cy, DescribeFont(f).cellHeight);
  const std::string jp = "切り取り";
  EXPECT_GT(MeasureText(f, jp.data(), jp.size()).cx, 3 * a.cx);
  // Malformed UTF-8 measures as replacement characters instead of failing.
  const char bad[] = "\xE5\x88\xFF\xC0\x80\xED\xA0\x80";
  EXPECT_GT(MeasureText(f, bad, sizeof bad - 1).cx, 0);
  // Bold text without a bold face is emboldened, and so at least as wide.
  EXPECT_GE(MeasureText(ResolveFont(Font(kGothic, -12, FW_BOLD)), "AA", 2).cx, aa.cx);
}

TEST(Text, GlyphsLandInsideTheirExtentInTheTextColourOnly) {
  const TextFont* f = ResolveFont(Font(kGothic, -16));
  ASSERT_NE(f, nullptr);
  const std::string text = "Kiritori 切り取り gjpqy";
  const SIZE ext = MeasureText(f, text.data(), text.size());
  for (int bpp : {24, 1}) {
    TestSurface s(400, 60, bpp, true);
    const DrawAttributes attr = WhiteText(TRANSPARENT);
    ASSERT_TRUE(DrawText(s, f, 10, 20, 0, nullptr, text.data(), text.size(), nullptr, attr));
    bool onlyInk = false;
    const Box b = Ink(s, 0, ColorToPixel(s, RGB(255, 255, 255)), &onlyInk);
    EXPECT_TRUE(onlyInk) << bpp;  // monochrome glyphs: no blended colours
    EXPECT_GT(b.count, 100);
    EXPECT_GE(b.left, 10);
    EXPECT_LE(b.right, 10 + ext.cx + 1);  // the last glyph may overhang its advance by a pixel
    EXPECT_GE(b.top, 20);
    EXPECT_LE(b.bottom, 20 + ext.cy);
    EXPECT_TRUE(s.Intact());
  }
}

// Spacing entries come one per byte; a character advances by its bytes' sum.
TEST(Text, SpacingEntriesPlaceTheCharacters) {
  const TextFont* f = ResolveFont(Font(kGothic, -16));
  ASSERT_NE(f, nullptr);
  const std::string text = "切A";
  const INT dx[] = {20, 20, 20, 5};
  TestSurface s(120, 30, 24);
  ASSERT_TRUE(DrawText(s, f, 0, 0, 0, nullptr, text.data(), text.size(), dx, WhiteText(TRANSPARENT)));
  int between = 0, after = 0;
  for (int y = 0; y < 30; ++y) {
    for (int x = 25; x < 120; ++x) {
      if (ReadPixel(s, x, y) == 0) continue;
      ++(x < 60 ? between : after);
    }
  }
  EXPECT_EQ(between, 0);
  EXPECT_GT(after, 10);
}

TEST(Text, UnderlineAndStrikeOutRunTheWholeAdvance) {
  LOGFONTA lf = Font(kGothic, -16);
  lf.lfUnderline = 1;
  lf.lfStrikeOut = 1;
  const TextFont* f = ResolveFont(lf);
  ASSERT_NE(f, nullptr);
  ASSERT_NE(f, ResolveFont(Font(kGothic, -16)));
  const FontDescription d = DescribeFont(f);
  ASSERT_GT(d.underlineThickness, 0);
  ASSERT_GT(d.strikeOutThickness, 0);
  EXPECT_GT(d.underlineTop, d.strikeOutTop);
  EXPECT_LE(d.underlineTop + d.underlineThickness, d.cellHeight);
  const SIZE ext = MeasureText(f, "i i", 3);
  TestSurface s(80, 30, 24);
  ASSERT_TRUE(DrawText(s, f, 4, 2, 0, nullptr, "i i", 3, nullptr, WhiteText(TRANSPARENT)));
  for (int x = 0; x < 80; ++x) {
    const std::uint32_t want = (x >= 4 && x < 4 + ext.cx) ? 0xFFFFFFu : 0u;
    EXPECT_EQ(ReadPixel(s, x, 2 + d.underlineTop), want) << x;
    EXPECT_EQ(ReadPixel(s, x, 2 + d.strikeOutTop), want) << x;
  }
}

TEST(Text, BackgroundAndClipping) {
  const TextFont* f = ResolveFont(Font(kGothic, -12));
  ASSERT_NE(f, nullptr);
  const SIZE ext = MeasureText(f, "Hello", 5);

  // An opaque background fills exactly the text's cell box.
  TestSurface s(100, 40, 24);
  ASSERT_TRUE(DrawText(s, f, 5, 6, 0, nullptr, "Hello", 5, nullptr, WhiteText(OPAQUE)));
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 100; ++x) {
      const bool inBox = x >= 5 && x < 5 + ext.cx && y >= 6 && y < 6 + ext.cy;
      const std::uint32_t v = ReadPixel(s, x, y);
      if (inBox) {
        ASSERT_TRUE(v == 0xFFFFFFu || v == 0x0000FFu) << x << "," << y;
      } else {
        ASSERT_EQ(v, 0u) << x << "," << y;
      }
    }
  }

  // ETO_CLIPPED keeps everything inside the rectangle; ETO_OPAQUE fills it.
  TestSurface c(100, 40, 24);
  const RECT clip{8, 8, 20, 14};
  ASSERT_TRUE(DrawText(c, f, 5, 6, ETO_CLIPPED | ETO_OPAQUE, &clip, "Hello", 5, nullptr, WhiteText(TRANSPARENT)));
  bool onlyInk = false;
  const Box b = Ink(c, 0, 0xFFFFFF, &onlyInk);
  EXPECT_EQ(b.left, 8);
  EXPECT_EQ(b.top, 8);
  EXPECT_EQ(b.right, 20);
  EXPECT_EQ(b.bottom, 14);

  // Text hanging over every edge, or far away, touches nothing outside.
  TestSurface edge(20, 10, 4, false, {{0, 0, 0, 0}, {255, 255, 255, 0}});
  const DrawAttributes opaque = WhiteText(OPAQUE);
  const int spots[][2] = {{-7, -5}, {15, 4}, {INT_MIN, 0}, {INT_MAX - 3, INT_MAX - 3}, {0, INT_MIN + 1}};
  for (const auto& p : spots) {
    DrawText(edge, f, p[0], p[1], ETO_OPAQUE, &clip, "WWW 切", 7, nullptr, opaque);
  }
  const INT wide[] = {INT_MAX, INT_MAX, INT_MAX};
  DrawText(edge, f, 0, 0, 0, nullptr, "WWW", 3, wide, opaque);
  EXPECT_TRUE(edge.Intact());
  EXPECT_FALSE(DrawText(edge, nullptr, 0, 0, 0, nullptr, "x", 1, nullptr, opaque));
}
