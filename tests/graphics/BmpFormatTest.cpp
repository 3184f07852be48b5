// The header checks and layouts, on streams alone.
#include <gtest/gtest.h>

#include "BmpTestFiles.h"
#include "graphics/BmpFormat.h"
#include "runtime/Exceptions.h"
#include "runtime/MemoryStream.h"

using namespace bmptest;

namespace {

Bytes InfoHeaderBytes(std::uint32_t headerSize, std::size_t present) {
  BmpFile f;
  f.headerSize = headerSize;
  f.fileHeader = false;
  Bytes data = f.Build();
  data.resize(present);
  return data;
}

}  // namespace

TEST(BmpFormat, HeaderCutShortIsInvalidWithoutAllocatingItsSize) {
  // A header that claims 4 GB in a stream of 40 bytes.
  Bytes data = InfoHeaderBytes(40, 40);
  const std::uint32_t huge = 0xFFFFFFF0u;
  std::memcpy(data.data(), &huge, 4);
  DataStream hugeStream(data);
  EXPECT_THROW(bmp::ReadInfoHeader(hugeStream, std::int64_t{1} << 40), EInvalidGraphic);

  for (std::size_t present : {0u, 2u, 4u, 20u, 39u}) {
    DataStream stream(InfoHeaderBytes(40, present));
    EXPECT_THROW(bmp::ReadInfoHeader(stream, 1000), EInvalidGraphic) << present;
  }
  DataStream core(InfoHeaderBytes(12, 9));
  EXPECT_THROW(bmp::ReadInfoHeader(core, 1000), EInvalidGraphic);
  // The stream holds the header but the data's declared size does not.
  DataStream declared(InfoHeaderBytes(108, 108));
  EXPECT_THROW(bmp::ReadInfoHeader(declared, 100), EInvalidGraphic);
}

TEST(BmpFormat, CoreHeaderIsWidenedAndColorsMoveToFourByteSlots) {
  BmpFile f;
  f.headerSize = 12;
  f.width = 0xFFFF;  // unsigned: never negative, never top-down
  f.height = 0x8001;
  f.bitCount = 4;
  f.fileHeader = false;
  f.colors = Palette(16);
  DataStream stream(f.Build());
  bmp::InfoHeader header = bmp::ReadInfoHeader(stream, stream.Size());
  EXPECT_TRUE(header.core);
  EXPECT_EQ(header.storedSize, 12u);
  const BITMAPINFOHEADER& h = header.description.Header();
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 0xFFFF);
  EXPECT_EQ(h.biHeight, 0x8001);
  std::int64_t left = stream.Size() - 12;
  bmp::ReadColorInfo(stream, header, left);
  EXPECT_EQ(h.biClrUsed, 16u);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(header.colorInfoEnd, 12 + 48);
  const RGBQUAD* table = header.description.ColorTable();
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(ColorOf(table[i]), ColorOf(f.colors[i])) << i;
    EXPECT_EQ(table[i].rgbReserved, 0);
  }
}

TEST(BmpFormat, ColorCountsDefaultByDepthAndAreLimitedTo256) {
  struct Case {
    std::uint16_t bits;
    std::uint32_t clrUsed;
    std::uint32_t expected;
  } cases[] = {{1, 0, 2}, {4, 0, 16}, {8, 0, 256}, {4, 5, 5}, {24, 0, 0}, {24, 3, 3}, {32, 256, 256}};
  for (const Case& c : cases) {
    BmpFile f;
    f.bitCount = c.bits;
    f.clrUsed = c.clrUsed;
    f.fileHeader = false;
    f.colors = Palette(static_cast<int>(c.expected));
    DataStream stream(f.Build());
    bmp::InfoHeader header = bmp::ReadInfoHeader(stream, stream.Size());
    std::int64_t left = stream.Size() - 40;
    bmp::ReadColorInfo(stream, header, left);
    EXPECT_EQ(header.description.Header().biClrUsed, c.expected);
    EXPECT_EQ(left, 0) << c.bits << " " << c.clrUsed;
  }
  for (std::uint32_t tooMany : {257u, 0xFFFFFFFFu}) {
    BmpFile f;
    f.bitCount = 8;
    f.clrUsed = tooMany;
    f.fileHeader = false;
    f.colors = Palette(256);
    DataStream stream(f.Build());
    bmp::InfoHeader header = bmp::ReadInfoHeader(stream, stream.Size());
    std::int64_t left = stream.Size() - 40;
    EXPECT_THROW(bmp::ReadColorInfo(stream, header, left), EInvalidGraphic);
  }
}

TEST(BmpFormat, TablesAndMasksBeyondTheDataAreReadErrors) {
  BmpFile f;
  f.bitCount = 8;
  f.colors = Palette(256);
  f.fileHeader = false;
  Bytes data = f.Build();
  data.resize(40 + 1000);
  DataStream stream(data);
  bmp::InfoHeader header = bmp::ReadInfoHeader(stream, stream.Size());
  std::int64_t left = stream.Size() - 40;
  EXPECT_THROW(bmp::ReadColorInfo(stream, header, left), EReadError);

  // The stream goes on, but the data's declared size ends inside the table.
  DataStream longer(f.Build());
  bmp::InfoHeader again = bmp::ReadInfoHeader(longer, longer.Size());
  std::int64_t declared = 100;
  EXPECT_THROW(bmp::ReadColorInfo(longer, again, declared), EReadError);
}

TEST(BmpFormat, ImageSizeZeroIsComputedAndImpossibleDimensionsAreInvalid) {
  BmpFile f;
  f.width = 5;
  f.height = -3;
  f.sizeImage = 0;
  f.fileHeader = false;
  DataStream stream(f.Build());
  bmp::InfoHeader header = bmp::ReadInfoHeader(stream, stream.Size());
  std::int64_t left = 0;
  bmp::ReadColorInfo(stream, header, left);
  EXPECT_EQ(header.description.Header().biSizeImage, 16u * 3);

  for (auto [w, h, bits] : {std::tuple{-5, 3, 24}, {1 << 20, 1 << 20, 24}, {5, 3, 7}, {5, INT32_MIN, 24}}) {
    BmpFile bad;
    bad.width = w;
    bad.height = h;
    bad.bitCount = static_cast<std::uint16_t>(bits);
    bad.sizeImage = 0;
    bad.fileHeader = false;
    DataStream s(bad.Build());
    bmp::InfoHeader hb = bmp::ReadInfoHeader(s, s.Size());
    std::int64_t none = 0;
    EXPECT_THROW(bmp::ReadColorInfo(s, hb, none), EInvalidGraphic) << w << "x" << h << "x" << bits;
  }
}

TEST(BmpFormat, PixelOffsetIsBelievedOnlyWhenThePixelsFitAfterIt) {
  BmpFile f;
  f.width = 2;
  f.height = 2;
  f.pixels = Bytes(16, 0x55);
  f.fileHeader = false;
  DataStream stream(f.Build());
  bmp::InfoHeader header = bmp::ReadInfoHeader(stream, stream.Size());
  std::int64_t left = stream.Size() - 40;
  bmp::ReadColorInfo(stream, header, left);

  BITMAPFILEHEADER file{0x4D42, 0, 0, 0, 54};
  bmp::PixelSpan span = bmp::LocatePixels(header, &file, 16 + 10);  // 10 bytes of gap
  EXPECT_EQ(span.skip, 0);
  EXPECT_EQ(span.count, 16);
  file.bfOffBits = 64;
  span = bmp::LocatePixels(header, &file, 26);
  EXPECT_EQ(span.skip, 10);
  EXPECT_EQ(span.count, 16);
  file.bfOffBits = 65;  // the pixels would run past the end
  span = bmp::LocatePixels(header, &file, 26);
  EXPECT_EQ(span.skip, 0);
  EXPECT_EQ(span.count, 16);
  file.bfOffBits = 20;  // inside the header
  EXPECT_EQ(bmp::LocatePixels(header, &file, 26).skip, 0);
  file.bfOffBits = 0xFFFFFFFF;
  EXPECT_EQ(bmp::LocatePixels(header, &file, 26).skip, 0);
  // Without a file header there is no offset to believe; short data is read
  // as far as it goes.
  span = bmp::LocatePixels(header, nullptr, 7);
  EXPECT_EQ(span.skip, 0);
  EXPECT_EQ(span.count, 7);
}
