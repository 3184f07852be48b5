#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <vector>

#include "LeakCheck.h"
#include "platform/Windows.h"

namespace {

class Palettes : public PlatformTest {};

HPALETTE MakePalette(const std::vector<PALETTEENTRY>& entries) {
  std::vector<unsigned char> block(sizeof(LOGPALETTE) + entries.size() * sizeof(PALETTEENTRY));
  auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = static_cast<WORD>(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) lp->palPalEntry[i] = entries[i];
  return CreatePalette(lp);
}

TEST_F(Palettes, KeepTheirEntriesAndReportTheirCount) {
  HPALETTE palette = MakePalette({{255, 0, 0, 0}, {0, 255, 0, 0}, {0, 0, 255, 0}});
  ASSERT_NE(palette, nullptr);
  WORD count = 0;
  EXPECT_EQ(GetObject(palette, sizeof count, &count), 2);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 3u);
  PALETTEENTRY got[4]{};
  EXPECT_EQ(GetPaletteEntries(palette, 1, 4, got), 2u) << "clipped to the palette";
  EXPECT_EQ(got[0].peGreen, 255);
  EXPECT_EQ(GetPaletteEntries(palette, 3, 1, got), 0u);
  const PALETTEENTRY grey{9, 9, 9, 0};
  EXPECT_EQ(SetPaletteEntries(palette, 2, 1, &grey), 1u);
  GetPaletteEntries(palette, 2, 1, got);
  EXPECT_EQ(got[0].peBlue, 9);
  EXPECT_EQ(GetNearestPaletteIndex(palette, RGB(200, 30, 30)), 0u);
  EXPECT_EQ(GetNearestPaletteIndex(palette, RGB(10, 10, 10)), 2u);
  EXPECT_TRUE(UnrealizeObject(palette));
  EXPECT_TRUE(DeleteObject(palette));
}

TEST_F(Palettes, RefuseBadDescriptions) {
  LOGPALETTE lp{0x300, 0, {}};
  EXPECT_EQ(CreatePalette(&lp), nullptr);
  lp.palVersion = 0x200;
  lp.palNumEntries = 1;
  EXPECT_EQ(CreatePalette(&lp), nullptr);
  EXPECT_EQ(CreatePalette(nullptr), nullptr);
}

TEST_F(Palettes, TheHalftonePaletteHas256ColoursWithTheStaticOnesAtItsEnds) {
  HDC screen = GetDC(nullptr);
  HPALETTE halftone = CreateHalftonePalette(screen);
  ASSERT_EQ(GetPaletteEntries(halftone, 0, 0, nullptr), 256u);
  PALETTEENTRY entries[256];
  ASSERT_EQ(GetPaletteEntries(halftone, 0, 256, entries), 256u);
  PALETTEENTRY system[256];
  ASSERT_EQ(GetSystemPaletteEntries(screen, 0, 256, system), 256u);
  // The standard sixteen colours are all there, and the system palette has
  // the classic layout: silver at 7, grey and the pure colours in the last 8.
  std::set<std::tuple<int, int, int>> colours;
  for (const auto& e : entries) colours.insert({e.peRed, e.peGreen, e.peBlue});
  for (auto c : {std::tuple{0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0}, {0, 0, 128}, {128, 0, 128},
                 {0, 128, 128}, {128, 128, 128}, {192, 192, 192}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
                 {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255}})
    EXPECT_TRUE(colours.count(c));
  EXPECT_EQ(system[7].peRed, 192);
  EXPECT_EQ(system[248].peRed, 128);
  EXPECT_EQ(system[255].peBlue, 255);
  EXPECT_EQ(system[249].peRed, 255);
  EXPECT_EQ(system[249].peGreen, 0);
  // Every colour of the 6 x 6 x 6 cube is exact.
  EXPECT_TRUE(colours.count({51, 102, 153}));
  EXPECT_EQ(GetDeviceCaps(screen, NUMRESERVED), 20);
  EXPECT_TRUE(DeleteObject(halftone));
  ReleaseDC(nullptr, screen);
}

TEST_F(Palettes, SelectAndRealizeOnATrueColourScreen) {
  HDC dc = CreateCompatibleDC(nullptr);
  HPALETTE palette = MakePalette({{0, 0, 0, 0}, {10, 200, 30, 0}});
  HPALETTE previous = SelectPalette(dc, palette, FALSE);
  EXPECT_EQ(previous, GetStockObject(DEFAULT_PALETTE));
  EXPECT_EQ(RealizePalette(dc), 0u) << "nothing to map on a true-colour device";
  // A palette-index colour draws the selected palette's entry.
  HBITMAP bitmap = CreateBitmap(1, 1, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  SetPixel(dc, 0, 0, PALETTEINDEX(1));
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(10, 200, 30));
  SelectObject(dc, old);
  DeleteObject(bitmap);
  EXPECT_EQ(SelectPalette(dc, previous, TRUE), palette);
  EXPECT_TRUE(DeleteObject(palette));
  EXPECT_EQ(RealizePalette(reinterpret_cast<HDC>(palette)), CLR_INVALID);
  DeleteDC(dc);
}

TEST_F(Palettes, ColourTableEntriesMayNamePaletteIndices) {
  HDC dc = CreateCompatibleDC(nullptr);
  HPALETTE palette = MakePalette({{1, 2, 3, 0}, {200, 100, 50, 0}});
  HGDIOBJ previous = SelectPalette(dc, palette, FALSE);
  struct {
    BITMAPINFOHEADER h;
    WORD indices[2];
  } info{{sizeof(BITMAPINFOHEADER), 1, 1, 1, 1, BI_RGB, 0, 0, 0, 0, 0}, {1, 0}};
  HBITMAP section =
      CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_PAL_COLORS, nullptr, nullptr, 0);
  ASSERT_NE(section, nullptr);
  HGDIOBJ old = SelectObject(dc, section);
  RGBQUAD table[2];
  ASSERT_EQ(GetDIBColorTable(dc, 0, 2, table), 2u);
  EXPECT_EQ(table[0].rgbRed, 200);
  EXPECT_EQ(table[1].rgbBlue, 3);
  SelectObject(dc, old);
  DeleteObject(section);
  SelectPalette(dc, reinterpret_cast<HPALETTE>(previous), FALSE);
  DeleteObject(palette);
  DeleteDC(dc);
}

}  // namespace
