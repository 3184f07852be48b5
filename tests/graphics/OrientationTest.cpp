#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "BitmapTestSupport.h"
#include "CanvasTestSupport.h"
#include "graphics/Bitmap.h"
#include "graphics/Orientation.h"

namespace {

using graphicstest::LeakCheckedTest;
using graphicstest::PixelOf;

using Grid = std::vector<std::vector<COLORREF>>;

Grid GridOf(TBitmap& bitmap) {
  Grid grid(bitmap.Height(), std::vector<COLORREF>(bitmap.Width()));
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) grid[y][x] = PixelOf(bitmap, x, y);
  return grid;
}

// The upright picture as a camera's manual describes each orientation, built
// from two moves: a quarter turn clockwise and a mirror left to right.
Grid QuarterClockwise(const Grid& g) {
  const std::size_t height = g.size(), width = g[0].size();
  Grid turned(width, std::vector<COLORREF>(height));
  for (std::size_t y = 0; y < height; ++y)
    for (std::size_t x = 0; x < width; ++x) turned[x][height - 1 - y] = g[y][x];
  return turned;
}

Grid Mirrored(Grid g) {
  for (auto& row : g) std::reverse(row.begin(), row.end());
  return g;
}

Grid Upright(const Grid& g, int orientation) {
  const auto half = [](const Grid& h) { return QuarterClockwise(QuarterClockwise(h)); };
  switch (orientation) {
    case 2: return Mirrored(g);
    case 3: return half(g);
    case 4: return Mirrored(half(g));
    case 5: return Mirrored(QuarterClockwise(g));
    case 6: return QuarterClockwise(g);
    case 7: return QuarterClockwise(Mirrored(g));
    case 8: return QuarterClockwise(half(g));
    default: return g;
  }
}

// Distinct colours a bitmap of this depth holds exactly: its palette's, or
// colours whose low bits every depth of 15 bits and more keeps.
std::vector<TColor> ColoursFor(TBitmap& bitmap) {
  std::vector<TColor> colours;
  if (HPALETTE palette = bitmap.ColorPalette(); palette != nullptr && bitmap.BitDepth() <= bd8Bit) {
    PALETTEENTRY entries[256];
    const UINT count = GetPaletteEntries(palette, 0, 256, entries);
    for (UINT i = 0; i < count; ++i) colours.push_back(RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue));
  } else {
    for (int i = 0; i < 97; ++i) colours.push_back(RGB((i * 40) & 0xF8, (i * 88) & 0xF8, (i * 24 + 8) & 0xF8));
  }
  return colours;
}

// width x height at depth, every pixel set from a scrambled pick of its colours.
void Paint(TBitmap& bitmap, int width, int height) {
  const std::vector<TColor> colours = ColoursFor(bitmap);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      bitmap.Canvas().SetPixelColor(x, y, colours[static_cast<std::size_t>(x * 7 + y * 13 + x * y) % colours.size()]);
}

void Sized(TBitmap& bitmap, TBitDepth depth, int width, int height) {
  bitmap.SetBitDepth(depth);
  bitmap.SetWidth(width);
  bitmap.SetHeight(height);
  Paint(bitmap, width, height);
}

class OrientationTest : public LeakCheckedTest {};

TEST_F(OrientationTest, TheReferenceTurnsAPortraitPhotoAsACameraMeansIt) {
  // Stored rows a b c / d e f: the camera was turned a quarter clockwise.
  EXPECT_EQ(Upright({{1, 2, 3}, {4, 5, 6}}, 6), (Grid{{4, 1}, {5, 2}, {6, 3}}));
}

TEST_F(OrientationTest, EveryDepthTurnsAllEightWaysSharedOrNotAndTheStoredPictureStays) {
  // Odd sizes, so that rows are padded and packed pixels end mid-byte.
  constexpr int kWidth = 37;  // two blocks of 16 pixels and five more
  constexpr int kHeight = 7;
  struct Source {
    const char* what;
    std::function<void(TBitmap&)> make;
  };
  std::vector<RGBQUAD> greys(256);
  for (int i = 0; i < 256; ++i) greys[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
  const std::vector<Source> sources = {
      {"1 bit", [](TBitmap& b) { Sized(b, bd1Bit, kWidth, kHeight); }},
      {"4 bits", [](TBitmap& b) { Sized(b, bd4Bit, kWidth, kHeight); }},
      {"8 bits, grey table", [&](TBitmap& b) { graphicstest::MakePicture8(b, kWidth, kHeight, greys); }},
      {"15 bits", [](TBitmap& b) { Sized(b, bd15Bit, kWidth, kHeight); }},
      {"16 bits", [](TBitmap& b) { Sized(b, bd16Bit, kWidth, kHeight); }},
      {"24 bits", [](TBitmap& b) { Sized(b, bd24Bit, kWidth, kHeight); }},
      {"24 bits, top-down", [](TBitmap& b) {
         graphicstest::MakePicture24(b, kWidth, kHeight, /*topDown=*/true);
         Paint(b, kWidth, kHeight);
       }},
      {"32 bits", [](TBitmap& b) { Sized(b, bd32Bit, kWidth, kHeight); }},
      {"device", [](TBitmap& b) { Sized(b, bdDevice, kWidth, kHeight); }},
      {"one row", [](TBitmap& b) { Sized(b, bd24Bit, kWidth, 1); }},
  };
  for (const Source& source : sources) {
    TBitmap stored;
    source.make(stored);
    const Grid pixels = GridOf(stored);
    const TBitDepth depth = stored.BitDepth();
    for (int orientation = 0; orientation <= 9; ++orientation) {
      for (bool shared : {true, false}) {
        TBitmap turned;
        turned.CopyFrom(&stored);
        if (!shared) turned.MakeUnique();
        int changes = 0;
        turned.OnChange = [&](TObject*) { ++changes; };
        TurnUpright(turned, orientation);
        EXPECT_EQ(GridOf(turned), Upright(pixels, orientation))
            << source.what << ", orientation " << orientation << (shared ? ", shared" : "");
        EXPECT_EQ(changes > 0, orientation >= 2 && orientation <= 8) << source.what << ", " << orientation;
        // A device bitmap is turned through its pixels: it becomes a section.
        if (depth != bdDevice) {
          EXPECT_EQ(turned.BitDepth(), depth) << source.what;
        }
      }
    }
    EXPECT_EQ(GridOf(stored), pixels) << source.what;
  }
}

TEST_F(OrientationTest, AnEmptyBitmapStaysEmpty) {
  TBitmap empty;
  TurnUpright(empty, 6);
  EXPECT_TRUE(empty.IsEmpty());
}

}  // namespace
