// Reading BMP data into a bitmap, and writing back what was read.
#include <gtest/gtest.h>

#include "BmpTestFiles.h"
#include "graphics/Bitmap.h"
#include "runtime/Exceptions.h"
#include "runtime/MemoryStream.h"

using namespace bmptest;

namespace {

// A file of every depth, written as this system writes it, so that loading and
// saving it again must give the same bytes.
BmpFile Canonical(int bits, std::uint32_t headerSize = 40, int width = 7, int height = 5) {
  BmpFile f;
  f.headerSize = headerSize;
  f.width = width;
  f.height = height;
  f.bitCount = static_cast<std::uint16_t>(bits);
  if (bits <= 8) {
    const int colors = 1 << bits;
    f.colors = Palette(colors);
    if (headerSize != 12) f.clrUsed = static_cast<std::uint32_t>(colors);
    f.pixels = PackIndices(IndexRows(width, height, colors), bits);
  } else if (bits == 24 || bits == 32) {
    f.pixels = PackColors(ColorRows(width, height), bits);
  } else {
    f.pixels.resize(Stride(width, bits) * height);
    for (std::size_t i = 0; i < f.pixels.size(); ++i) f.pixels[i] = static_cast<std::uint8_t>(i * 7 + 3);
  }
  return f;
}

std::vector<std::vector<std::uint32_t>> Expected(const std::vector<std::vector<int>>& indices,
                                                 const std::vector<RGBQUAD>& colors) {
  std::vector<std::vector<std::uint32_t>> rows;
  for (const auto& r : indices) {
    rows.emplace_back();
    for (int i : r) rows.back().push_back(ColorOf(colors[i]));
  }
  return rows;
}

// A 6 × 3 RLE8 picture: runs, a literal block, end of line and end of bitmap.
BmpFile Rle8File() {
  BmpFile f;
  f.width = 6;
  f.height = 3;
  f.bitCount = 8;
  f.compression = BI_RLE8;
  f.colors = Palette(8);
  f.clrUsed = 8;
  f.pixels = {4, 1, 2, 2, 0, 0,              // bottom row
              0, 3, 3, 4, 5, 0, 3, 6, 0, 0,  // literal 3, 4, 5 (padded), run of 6
              6, 7, 0, 1};                   // top row, end of bitmap
  return f;
}
const std::vector<std::vector<int>> kRle8Rows = {{7, 7, 7, 7, 7, 7}, {3, 4, 5, 6, 6, 6}, {1, 1, 1, 1, 2, 2}};

BmpFile Rle4File() {
  BmpFile f;
  f.width = 6;
  f.height = 2;
  f.bitCount = 4;
  f.compression = BI_RLE4;
  f.colors = Palette(16);
  f.pixels = {6, 0x12, 0, 0, 0, 4, 0x34, 0x56, 2, 0x77, 0, 1};
  return f;
}
const std::vector<std::vector<int>> kRle4Rows = {{3, 4, 5, 6, 7, 7}, {1, 2, 1, 2, 1, 2}};

}  // namespace

TEST(BmpRead, EveryDepthAndHeaderKeepsItsBitsAndSavesToTheSameBytes) {
  struct Case {
    int bits;
    std::uint32_t headerSize;
  } cases[] = {{1, 40}, {4, 40}, {8, 40}, {16, 40}, {24, 40}, {32, 40},
               {1, 12}, {4, 12}, {8, 12}, {24, 12}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bits << " bits, header " << c.headerSize);
    const BmpFile f = Canonical(c.bits, c.headerSize);
    const Bytes file = f.Build();
    TBitmap bitmap;
    Load(bitmap, file);
    EXPECT_EQ(bitmap.HandleKind(), hkDIB);
    EXPECT_EQ(bitmap.Width(), 7);
    EXPECT_EQ(bitmap.Height(), 5);
    EXPECT_EQ(bitmap.Image().CoreFormat, c.headerSize == 12);
    EXPECT_EQ(bitmap.Image().KeptFile, nullptr);
    EXPECT_EQ(bitmap.Image().DIB.dsBmih.biBitCount, c.bits);
    EXPECT_EQ(SectionBytes(bitmap), f.pixels);
    if (c.bits <= 8) {
      EXPECT_EQ(Pixels(bitmap), Expected(IndexRows(7, 5, 1 << c.bits), f.colors));
    } else if (c.bits != 16) {
      EXPECT_EQ(Pixels(bitmap), ColorRows(7, 5));
    }
    EXPECT_EQ(Save(bitmap), file);
  }
}

TEST(BmpRead, MasksAfterA40ByteHeaderOrInsideALongerOne) {
  // Masks of all zeros stand for 5-5-5, as shown, and are written so.
  for (const std::vector<DWORD>& masks : {std::vector<DWORD>{0x7C00, 0x03E0, 0x001F}, std::vector<DWORD>{0, 0, 0}}) {
    for (std::uint32_t headerSize : {40u, 56u, 108u, 124u}) {
      SCOPED_TRACE(testing::Message() << headerSize << " " << masks[0]);
      BmpFile f = Canonical(16, headerSize);
      f.compression = BI_BITFIELDS;
      f.masks = masks;
      TBitmap bitmap;
      Load(bitmap, f.Build());
      const DIBSECTION& dib = bitmap.Image().DIB;
      EXPECT_EQ(dib.dsBitfields[0], 0x7C00u);
      EXPECT_EQ(dib.dsBitfields[1], 0x03E0u);
      EXPECT_EQ(dib.dsBitfields[2], 0x001Fu);
      EXPECT_EQ(bitmap.BitDepth(), bdCustom);
      EXPECT_EQ(SectionBytes(bitmap), f.pixels);
      // Written with a 40-byte header followed by the masks.
      const Bytes saved = Save(bitmap);
      EXPECT_EQ(Get<DWORD>(saved, 10), 66u);
      EXPECT_EQ(Get<DWORD>(saved, 14), 40u);
      EXPECT_EQ(Get<DWORD>(saved, 54), 0x7C00u);
      EXPECT_EQ(Bytes(saved.begin() + 66, saved.end()), f.pixels);
    }
  }
  BmpFile f32 = Canonical(32);
  f32.compression = BI_BITFIELDS;
  f32.masks = {0xFF0000, 0x00FF00, 0x0000FF};
  const Bytes file = f32.Build();
  TBitmap bitmap;
  Load(bitmap, file);
  EXPECT_EQ(Pixels(bitmap), ColorRows(7, 5));
  EXPECT_EQ(Save(bitmap), file);
}

TEST(BmpRead, TopDownRowsLoadAsATopDownSection) {
  BmpFile f = Canonical(24);
  f.height = -5;
  f.pixels = PackColors(ColorRows(7, 5), 24, true);
  const Bytes file = f.Build();
  TBitmap bitmap;
  Load(bitmap, file);
  EXPECT_EQ(bitmap.Height(), 5);
  EXPECT_EQ(bitmap.Image().DIB.dsBmih.biHeight, -5);
  EXPECT_EQ(Pixels(bitmap), ColorRows(7, 5));
  EXPECT_EQ(Save(bitmap), file);
}

TEST(BmpRead, ImageSizeZeroReadsTheRowsThatArePresent) {
  BmpFile f = Canonical(24);
  f.sizeImage = 0;
  TBitmap whole;
  Load(whole, f.Build());
  EXPECT_EQ(Pixels(whole), ColorRows(7, 5));

  // Two bottom rows and a bit: the rest keeps the section's zeros.
  f.pixels.resize(2 * 24 + 5);
  TBitmap part;
  Load(part, f.Build());
  Bytes expected = Canonical(24).pixels;
  std::fill(expected.begin() + 2 * 24 + 5, expected.end(), 0);
  EXPECT_EQ(SectionBytes(part), expected);
}

TEST(BmpRead, ColorCountReadsThatManyEntriesBeforeThePixels) {
  BmpFile f = Canonical(4);
  f.clrUsed = 5;
  f.colors = Palette(5);
  f.pixels = PackIndices(IndexRows(7, 5, 5), 4);
  TBitmap bitmap;
  Load(bitmap, f.Build());
  EXPECT_EQ(SectionBytes(bitmap), f.pixels);
  EXPECT_EQ(Pixels(bitmap), Expected(IndexRows(7, 5, 5), f.colors));
  EXPECT_EQ(Get<DWORD>(Save(bitmap), 14 + 32), 5u);
}

TEST(BmpRead, ColorTableOfADeepPictureBecomesItsPalette) {
  BmpFile f = Canonical(24);
  f.clrUsed = 3;
  f.colors = Palette(3);
  const Bytes file = f.Build();
  TBitmap bitmap;
  Load(bitmap, file);
  ASSERT_NE(bitmap.Image().ColorPalette, nullptr);
  PALETTEENTRY entries[3];
  ASSERT_EQ(GetPaletteEntries(bitmap.Image().ColorPalette, 0, 3, entries), 3u);
  EXPECT_EQ(entries[2].peRed, f.colors[2].rgbRed);
  EXPECT_EQ(entries[2].peBlue, f.colors[2].rgbBlue);
  EXPECT_TRUE(bitmap.PaletteDirty());
  EXPECT_EQ(Pixels(bitmap), ColorRows(7, 5));
  EXPECT_EQ(Save(bitmap), file);
  // Without its palette it is written with no table and a count of 0 that
  // says so, and reads back the same.
  bitmap.SetColorPalette(nullptr);
  const Bytes bare = Save(bitmap);
  EXPECT_EQ(Get<DWORD>(bare, 14 + 32), 0u);
  EXPECT_EQ(Get<DWORD>(bare, 10), 54u);
  TBitmap back;
  Load(back, bare);
  EXPECT_EQ(Pixels(back), ColorRows(7, 5));
}

TEST(BmpRead, PixelOffsetWithAGapIsHonouredAndAnImpossibleOneIgnored) {
  BmpFile f = Canonical(24);
  f.gap = 6;
  f.offBits = 54 + 6;
  TBitmap gapped;
  Load(gapped, f.Build());
  EXPECT_EQ(Pixels(gapped), ColorRows(7, 5));

  // The offset points past the pixels' end: they are read after the table.
  BmpFile lying = Canonical(24);
  lying.offBits = 54 + 6;
  TBitmap read;
  Load(read, lying.Build());
  EXPECT_EQ(Pixels(read), ColorRows(7, 5));
  // An offset inside the header is ignored as well.
  lying.offBits = 20;
  TBitmap inside;
  Load(inside, lying.Build());
  EXPECT_EQ(Pixels(inside), ColorRows(7, 5));

  BmpFile indexed = Canonical(8);
  indexed.gap = 2;
  indexed.offBits = 1078 + 2;
  TBitmap eight;
  Load(eight, indexed.Build());
  EXPECT_EQ(SectionBytes(eight), indexed.pixels);
}

TEST(BmpRead, RunLengthDataBecomesADeviceBitmapAndKeepsTheFile) {
  struct Case {
    BmpFile file;
    const std::vector<std::vector<int>>* rows;
  } cases[] = {{Rle8File(), &kRle8Rows}, {Rle4File(), &kRle4Rows}};
  for (Case& c : cases) {
    SCOPED_TRACE(c.file.bitCount);
    const Bytes file = c.file.Build();
    TBitmap bitmap;
    Load(bitmap, file);
    EXPECT_EQ(bitmap.HandleKind(), hkDDB);
    EXPECT_EQ(bitmap.Width(), 6);
    ASSERT_NE(bitmap.Image().KeptFile, nullptr);
    EXPECT_EQ(StreamBytes(*bitmap.Image().KeptFile), file);
    EXPECT_NE(bitmap.Image().ColorPalette, nullptr);
    EXPECT_EQ(Pixels(bitmap), Expected(*c.rows, c.file.colors));
    EXPECT_EQ(Save(bitmap), file);
  }
}

TEST(BmpRead, RunLengthFileWithAGapIsKeptWholeAndDecodedFromTheOffset) {
  BmpFile f = Rle8File();
  f.gap = 10;
  f.offBits = 14 + 40 + 32 + 10;
  const Bytes file = f.Build();
  TBitmap bitmap;
  Load(bitmap, file);
  EXPECT_EQ(Pixels(bitmap), Expected(kRle8Rows, f.colors));
  EXPECT_EQ(Save(bitmap), file);
}

TEST(BmpRead, RunLengthDataWithoutAFileHeaderGetsOne) {
  BmpFile f = Rle8File();
  f.fileHeader = false;
  const Bytes data = f.Build();
  DataStream stream(data);
  TBitmap bitmap;
  bitmap.ReadBitmapInfo(stream, static_cast<std::int64_t>(data.size()), nullptr);
  EXPECT_EQ(Pixels(bitmap), Expected(kRle8Rows, f.colors));
  const Bytes saved = Save(bitmap);
  ASSERT_EQ(saved.size(), data.size() + 14);
  EXPECT_EQ(Get<WORD>(saved, 0), 0x4D42);
  EXPECT_EQ(Get<DWORD>(saved, 2), data.size());  // from the info header on
  EXPECT_EQ(Bytes(saved.begin() + 14, saved.end()), data);
}

TEST(BmpRead, ReadingReplacesTheImageAndTellsOnce) {
  TBitmap bitmap;
  int changes = 0;
  bitmap.OnChange = [&](TObject*) { ++changes; };
  Load(bitmap, Canonical(8).Build());
  EXPECT_EQ(changes, 1);
  Load(bitmap, Canonical(24, 40, 3, 2).Build());
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(bitmap.Width(), 3);
  EXPECT_EQ(bitmap.Image().DIB.dsBmih.biXPelsPerMeter, 2835);
  // No data at all is an empty picture, and no change.
  Load(bitmap, {});
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(changes, 2);
}

TEST(BmpRead, PropertyDataCarriesItsLength) {
  TBitmap bitmap;
  Load(bitmap, Canonical(4).Build());
  TMemoryStream property;
  bitmap.WritePropertyData(property);
  const Bytes bytes = StreamBytes(property);
  const Bytes file = Canonical(4).Build();
  ASSERT_EQ(bytes.size(), file.size() + 4);
  EXPECT_EQ(Get<std::int32_t>(bytes, 0), static_cast<std::int32_t>(file.size()));

  property.WriteBuffer("tail", 4);  // what follows in a form stays unread
  property.SetPosition(0);
  TBitmap back;
  back.ReadPropertyData(property);
  EXPECT_EQ(SectionBytes(back), Canonical(4).pixels);
  EXPECT_EQ(property.Position(), static_cast<std::int64_t>(bytes.size()));

  TBitmap empty;
  TMemoryStream none;
  empty.WritePropertyData(none);
  EXPECT_EQ(StreamBytes(none), Bytes(4, 0));
  none.SetPosition(0);
  back.ReadPropertyData(none);
  EXPECT_TRUE(back.IsEmpty());
}
