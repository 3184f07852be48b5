#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <set>
#include <utility>

#include "platform/Raster.h"
#include "tests/platform/RasterTestSurface.h"

using namespace platform;
using rastertest::TestSurface;

namespace {

using Pixel = std::pair<long long, long long>;

// The pixels of the line from (x0, y0) to (x1, y1), end excluded, worked out in
// floating point: along the longer axis one pixel per step, the other coordinate
// the ideal line's rounded to nearest with halves away from the start.
std::set<Pixel> ReferenceLine(long long x0, long long y0, long long x1, long long y1) {
  std::set<Pixel> out;
  const long long dx = x1 - x0, dy = y1 - y0;
  const long long L = std::max(std::llabs(dx), std::llabs(dy));
  for (long long i = 0; i < L; ++i) {
    const long double t = static_cast<long double>(i) / L;
    auto along = [&](long long d) {
      const long double ideal = std::fabs(static_cast<long double>(d) * t);
      const long long r = static_cast<long long>(std::floor(ideal + 0.5L));
      return d < 0 ? -r : r;
    };
    out.insert({x0 + along(dx), y0 + along(dy)});
  }
  return out;
}

std::set<Pixel> Changed(const TestSurface& s, long long offX = 0, long long offY = 0) {
  std::set<Pixel> out;
  for (int y = 0; y < s.view().height; ++y) {
    for (int x = 0; x < s.view().width; ++x) {
      if (ReadPixel(s, x, y) != 0) out.insert({x + offX, y + offY});
    }
  }
  return out;
}

PenSpec WhitePen() {
  PenSpec p;
  p.color = RGB(255, 255, 255);
  return p;
}

std::vector<RGBQUAD> Greys() {
  std::vector<RGBQUAD> t(256);
  for (int i = 0; i < 256; ++i) t[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
  return t;
}

DrawAttributes Xor() {
  DrawAttributes a;
  a.rop2 = R2_XORPEN;
  return a;
}

}  // namespace

TEST(RasterLine, EveryOctantMatchesTheReferenceWithStartDrawnAndEndNot) {
  const int ends[][2] = {{20, 0},  {20, 7},  {20, 10},  {20, 20},   {7, 20},    {0, 20},  {-7, 20}, {-20, 10},
                         {-20, 3}, {-20, 0}, {-20, -5}, {-20, -20}, {-10, -20}, {0, -20}, {3, -20}, {20, -13},
                         {1, 2},   {2, 1},   {-1, 2},   {2, -1},    {6, 4},     {-6, -4}, {4, -6},  {1, 0}};
  for (const auto& e : ends) {
    TestSurface s(64, 64, 1);
    DrawLine(s, 30, 30, 30 + e[0], 30 + e[1], WhitePen(), DrawAttributes{});
    EXPECT_EQ(Changed(s), ReferenceLine(30, 30, 30 + e[0], 30 + e[1])) << e[0] << "," << e[1];
    EXPECT_EQ(ReadPixel(s, 30, 30), 1u);
    EXPECT_EQ(ReadPixel(s, 30 + e[0], 30 + e[1]), 0u);
    EXPECT_TRUE(s.Intact());
  }
  TestSurface s(8, 8, 8);
  DrawLine(s, 3, 3, 3, 3, WhitePen(), DrawAttributes{});
  EXPECT_TRUE(Changed(s).empty());
}

// A line clipped by a small surface draws exactly the part of the full line
// that falls on it, whichever edges it crosses.
TEST(RasterLine, ClippingKeepsExactlyTheVisiblePixels) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> coord(-40, 60);
  for (int n = 0; n < 400; ++n) {
    const int x0 = coord(rng), y0 = coord(rng), x1 = coord(rng), y1 = coord(rng);
    TestSurface small(21, 17, 1);
    DrawLine(small, x0, y0, x1, y1, WhitePen(), DrawAttributes{});
    std::set<Pixel> want;
    for (const Pixel& p : ReferenceLine(x0, y0, x1, y1)) {
      if (p.first >= 0 && p.first < 21 && p.second >= 0 && p.second < 17) want.insert(p);
    }
    ASSERT_EQ(Changed(small), want) << x0 << "," << y0 << " -> " << x1 << "," << y1;
    ASSERT_TRUE(small.Intact());
  }
}

TEST(RasterLine, ExtremeCoordinatesCostOnlyTheirVisiblePart) {
  TestSurface s(50, 40, 24);
  const auto start = std::chrono::steady_clock::now();
  DrawLine(s, INT_MIN, 5, INT_MAX, 5, WhitePen(), DrawAttributes{});
  DrawLine(s, 7, INT_MAX, 7, INT_MIN, WhitePen(), DrawAttributes{});
  DrawLine(s, INT_MIN, INT_MIN, INT_MAX, INT_MAX, WhitePen(), DrawAttributes{});
  DrawLine(s, INT_MAX, INT_MIN, INT_MIN + 3, INT_MAX - 9, WhitePen(), DrawAttributes{});
  for (int i = 0; i < 1000; ++i) DrawLine(s, -2000000000, -5, 2000000000, -1000000, WhitePen(), DrawAttributes{});
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 0.5);
  EXPECT_TRUE(s.Intact());
  for (int x = 0; x < 50; ++x) EXPECT_EQ(ReadPixel(s, x, 5), 0xFFFFFFu);
  for (int y = 0; y < 40; ++y) EXPECT_EQ(ReadPixel(s, 7, y), 0xFFFFFFu);
  EXPECT_EQ(ReadPixel(s, 20, 20), 0xFFFFFFu);  // the main diagonal crosses the surface
}

// The selection outline: MoveTo a corner and four LineTo round the rectangle.
TEST(RasterLine, WhiteXorOutlineInvertsEachPixelOnceAndUndoesItself) {
  const int rects[][4] = {{10, 20, 110, 70}, {110, 70, 10, 20}, {5, 60, 90, 3},   {-30, -10, 40, 25},
                          {0, 0, 119, 79},   {3, 3, 4, 4},      {50, 50, 50, 60}, {0, 0, 0, 0}};
  for (const auto& r : rects) {
    for (int bpp : {24, 32, 8, 1}) {
      const std::vector<RGBQUAD> table = bpp == 8 ? Greys() : std::vector<RGBQUAD>{};
      TestSurface s(120, 80, bpp, true, table);
      s.Randomise(5);
      const std::vector<std::uint8_t> before = s.Pixels();
      auto outline = [&] {
        const int pts[5][2] = {{r[0], r[1]}, {r[2], r[1]}, {r[2], r[3]}, {r[0], r[3]}, {r[0], r[1]}};
        for (int i = 0; i < 4; ++i) DrawLine(s, pts[i][0], pts[i][1], pts[i + 1][0], pts[i + 1][1], WhitePen(), Xor());
      };
      outline();
      if (r[0] != r[2] && r[1] != r[3]) {
        TestSurface original(120, 80, bpp, true, table);
        original.Randomise(5);
        const std::uint32_t all = bpp >= 24 ? 0xFFFFFFu : (1u << bpp) - 1;
        for (int y = 0; y < 80; ++y) {
          for (int x = 0; x < 120; ++x) {
            const bool onX = (x == r[0] || x == r[2]) && y >= std::min(r[1], r[3]) && y <= std::max(r[1], r[3]);
            const bool onY = (y == r[1] || y == r[3]) && x >= std::min(r[0], r[2]) && x <= std::max(r[0], r[2]);
            const std::uint32_t want = ReadPixel(original, x, y) ^ ((onX || onY) ? all : 0);
            ASSERT_EQ(ReadPixel(s, x, y), want) << x << "," << y << " bpp " << bpp;
          }
        }
      }
      outline();
      ASSERT_EQ(s.Pixels(), before);
      ASSERT_TRUE(s.Intact());
    }
  }
}

TEST(RasterLine, NullAndDashedPens) {
  TestSurface s(40, 3, 1);
  PenSpec pen = WhitePen();
  pen.style = PS_NULL;
  DrawLine(s, 0, 1, 40, 1, pen, DrawAttributes{});
  EXPECT_TRUE(Changed(s).empty());

  pen.style = PS_DOT;
  DrawAttributes transparent;
  transparent.bkMode = TRANSPARENT;
  DrawLine(s, 0, 0, 40, 0, pen, transparent);
  for (int x = 0; x < 12; ++x) EXPECT_EQ(ReadPixel(s, x, 0), (x % 6) < 3 ? 1u : 0u) << x;

  DrawAttributes opaque;
  opaque.bkMode = OPAQUE;
  opaque.bkColor = RGB(255, 255, 255);
  pen.color = RGB(0, 0, 0);
  TestSurface grey(40, 1, 8, false, {{0, 0, 0, 0}, {255, 255, 255, 0}, {128, 128, 128, 0}});
  for (int x = 0; x < 40; ++x) WritePixel(grey, x, 0, 2);
  DrawLine(grey, 0, 0, 40, 0, pen, opaque);
  for (int x = 0; x < 12; ++x) EXPECT_EQ(ReadPixel(grey, x, 0), (x % 6) < 3 ? 0u : 1u) << x;
}

TEST(RasterLine, RectangleLeavesOutTheRightAndBottomEdges) {
  TestSurface s(12, 12, 8, false, {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 255, 0}});
  PenSpec pen = WhitePen();
  BrushSpec red;
  red.color = RGB(255, 0, 0);
  DrawRectangleShape(s, RECT{2, 3, 7, 9}, pen, &red, DrawAttributes{});
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) {
      std::uint32_t want = 0;
      if (x >= 2 && x <= 6 && y >= 3 && y <= 8) want = (x == 2 || x == 6 || y == 3 || y == 8) ? 1 : 2;
      ASSERT_EQ(ReadPixel(s, x, y), want) << x << "," << y;
    }
  }
  // Reversed corners draw the same; a null pen fills one pixel less each way.
  TestSurface t(12, 12, 8, false, {{0, 0, 0, 0}, {255, 255, 255, 0}, {0, 0, 255, 0}});
  pen.style = PS_NULL;
  DrawRectangleShape(t, RECT{7, 9, 2, 3}, pen, &red, DrawAttributes{});
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 12; ++x) ASSERT_EQ(ReadPixel(t, x, y), (x >= 2 && x < 6 && y >= 3 && y < 8) ? 2u : 0u);
  }
  // An XOR rectangle outline twice leaves nothing, and huge corners stay in bounds.
  TestSurface u(30, 20, 24);
  u.Randomise(3);
  const auto before = u.Pixels();
  pen.style = PS_SOLID;
  for (int i = 0; i < 2; ++i) DrawRectangleShape(u, RECT{-5, 4, 25, 40}, pen, nullptr, Xor());
  EXPECT_EQ(u.Pixels(), before);
  DrawRectangleShape(u, RECT{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, pen, &red, DrawAttributes{});
  EXPECT_EQ(ReadPixel(u, 10, 10), 0xFF0000u);
  EXPECT_TRUE(u.Intact());
}
