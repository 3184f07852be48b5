// Writing bitmaps as BMP files: layouts, kept files, parking, short streams.
#include <gtest/gtest.h>

#include "BmpTestFiles.h"
#include "graphics/Bitmap.h"
#include "runtime/Exceptions.h"
#include "runtime/MemoryStream.h"

using namespace bmptest;

namespace {

// Takes at most `limit` bytes in all, as a full disk would.
class TShortStream : public TMemoryStream {
 public:
  explicit TShortStream(std::int64_t limit) : limit_(limit) {}
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    const std::int64_t n = std::max<std::int64_t>(0, std::min(count, limit_ - Position()));
    return n == 0 ? 0 : TMemoryStream::Write(buffer, n);
  }

 private:
  std::int64_t limit_;
};

BmpFile Indexed8() {
  BmpFile f;
  f.width = 9;
  f.height = 4;
  f.bitCount = 8;
  f.colors = Palette(256);
  f.clrUsed = 256;
  f.pixels = PackIndices(IndexRows(9, 4, 256), 8);
  return f;
}

BmpFile Rle8() {
  BmpFile f;
  f.width = 4;
  f.height = 2;
  f.bitCount = 8;
  f.compression = BI_RLE8;
  f.colors = Palette(4);
  f.clrUsed = 4;
  f.pixels = {4, 1, 0, 0, 2, 2, 2, 3, 0, 1};  // bottom 1 1 1 1, top 2 2 3 3
  return f;
}

}  // namespace

TEST(BmpWrite, TrueColourPictureHasNoTableAndItsSizes) {
  TBitmap bitmap;
  bitmap.SetHandleKind(hkDIB);
  bitmap.SetWidth(100);
  bitmap.SetHeight(10);
  bitmap.SetBitDepth(bd24Bit);
  const Bytes saved = Save(bitmap);
  ASSERT_EQ(saved.size(), 3054u);
  EXPECT_EQ(Get<WORD>(saved, 0), 0x4D42);
  EXPECT_EQ(Get<DWORD>(saved, 2), 3054u);
  EXPECT_EQ(Get<DWORD>(saved, 6), 0u);
  EXPECT_EQ(Get<DWORD>(saved, 10), 54u);
  EXPECT_EQ(Get<DWORD>(saved, 14), 40u);
  EXPECT_EQ(Get<std::int32_t>(saved, 18), 100);
  EXPECT_EQ(Get<WORD>(saved, 28), 24);
  EXPECT_EQ(Get<DWORD>(saved, 34), 3000u);
  // A new picture is white.
  EXPECT_EQ(saved[54], 0xFF);
  EXPECT_EQ(saved.back(), 0xFF);
}

TEST(BmpWrite, IndexedAndMaskedLayouts) {
  TBitmap eight;
  Load(eight, Indexed8().Build());
  Bytes saved = Save(eight);
  EXPECT_EQ(Get<DWORD>(saved, 10), 1078u);
  EXPECT_EQ(saved.size(), 1078u + 12 * 4);

  // The 24-bit copy of a paletted picture keeps the palette as an optional
  // colour table.
  eight.SetBitDepth(bd24Bit);
  saved = Save(eight);
  EXPECT_EQ(Get<WORD>(saved, 28), 24);
  EXPECT_EQ(Get<DWORD>(saved, 46), 256u);
  EXPECT_EQ(Get<DWORD>(saved, 10), 54u + 4 * 256);
  TBitmap back;
  Load(back, saved);
  EXPECT_EQ(Pixels(back), Pixels(eight));

  eight.SetBitDepth(bd16Bit);
  saved = Save(eight);
  EXPECT_EQ(Get<DWORD>(saved, 30), BI_BITFIELDS);
  EXPECT_EQ(Get<DWORD>(saved, 54), 0xF800u);
  EXPECT_EQ(Get<DWORD>(saved, 58), 0x07E0u);
  EXPECT_EQ(Get<DWORD>(saved, 62), 0x001Fu);
  EXPECT_EQ(Get<DWORD>(saved, 10), 66u + 4 * 256);

  BmpFile core;
  core.headerSize = 12;
  core.width = 3;
  core.height = 2;
  core.bitCount = 4;
  core.colors = Palette(16);
  core.pixels = PackIndices(IndexRows(3, 2, 16), 4);
  TBitmap four;
  Load(four, core.Build());
  saved = Save(four);
  EXPECT_EQ(Get<DWORD>(saved, 10), 74u);
  EXPECT_EQ(Get<DWORD>(saved, 14), 12u);
  EXPECT_EQ(saved.size(), 74u + 8);

  // Grown past what a core header can say, it is written with an info header.
  four.SetWidth(70000);
  saved = Save(four);
  EXPECT_EQ(Get<DWORD>(saved, 14), 40u);
  EXPECT_EQ(Get<std::int32_t>(saved, 18), 70000);
  TBitmap wide;
  Load(wide, saved);
  EXPECT_EQ(wide.Width(), 70000);
}

TEST(BmpWrite, EmptyBitmapWritesNothing) {
  TBitmap bitmap;
  EXPECT_TRUE(Save(bitmap).empty());
  bitmap.SetHandleKind(hkDIB);
  bitmap.SetWidth(5);  // height still 0: no pixels
  EXPECT_TRUE(Save(bitmap).empty());
}

TEST(BmpWrite, WritingChangesNothingAndTellsNothing) {
  TBitmap bitmap;
  Load(bitmap, Indexed8().Build());
  int changes = 0;
  bitmap.OnChange = [&](TObject*) { ++changes; };
  const Bytes first = Save(bitmap);
  EXPECT_EQ(Save(bitmap), first);
  EXPECT_EQ(changes, 0);
}

TEST(BmpWrite, RunLengthFileIsWrittenUncompressedOnceDrawnOn) {
  const Bytes file = Rle8().Build();
  TBitmap original;
  Load(original, file);
  TBitmap copy;
  copy.CopyFrom(&original);
  EXPECT_EQ(Save(copy), file);

  copy.Canvas().SetPixelColor(0, 0, clWhite);
  EXPECT_EQ(copy.Image().KeptFile, nullptr);
  const Bytes drawn = Save(copy);
  EXPECT_EQ(Get<DWORD>(drawn, 30), BI_RGB);
  EXPECT_GT(Get<WORD>(drawn, 28), 8);
  TBitmap back;
  Load(back, drawn);
  auto expected = Pixels(original);
  expected[0][0] = 0xFFFFFF;
  EXPECT_EQ(Pixels(back), expected);
  // The original shared the image until the copy drew: it still has the file.
  EXPECT_EQ(Save(original), file);
}

TEST(BmpWrite, ParkedBitmapKeepsItsFileAndComesBackOnUse) {
  for (const Bytes& file : {Indexed8().Build(), Rle8().Build()}) {
    TBitmap bitmap;
    Load(bitmap, file);
    const auto pixels = Pixels(bitmap);
    const THandleKind kind = bitmap.HandleKind();
    bitmap.ParkAsFileData();
    EXPECT_EQ(bitmap.Image().BitmapHandle, nullptr);
    EXPECT_EQ(bitmap.Image().SectionHandle, nullptr);
    EXPECT_FALSE(bitmap.IsEmpty());
    EXPECT_FALSE(bitmap.HasCanvas());
    EXPECT_EQ(bitmap.Width(), Get<std::int32_t>(file, 18));
    EXPECT_EQ(Save(bitmap), file);

    bitmap.EnsureHandle();
    EXPECT_EQ(bitmap.HandleKind(), kind);
    EXPECT_EQ(Pixels(bitmap), pixels);
    EXPECT_EQ(Save(bitmap), file);
  }
  TBitmap core;
  BmpFile f;
  f.headerSize = 12;
  f.bitCount = 1;
  f.colors = Palette(2);
  f.pixels = Bytes(4, 0x80);
  Load(core, f.Build());
  core.ParkAsFileData();
  EXPECT_TRUE(core.Image().CoreFormat);
  core.Canvas().SetPixelColor(0, 0, static_cast<TColor>(0x00FFFFFF));
  EXPECT_TRUE(core.Image().CoreFormat);
  EXPECT_EQ(Get<DWORD>(Save(core), 14), 12u);

  TBitmap empty;
  empty.ParkAsFileData();
  EXPECT_TRUE(empty.IsEmpty());
}

TEST(BmpWrite, AStreamThatTakesFewerBytesRaisesTheWriteError) {
  TBitmap plain;
  const Bytes file = Indexed8().Build();
  Load(plain, file);
  TBitmap kept;
  const Bytes rle = Rle8().Build();
  Load(kept, rle);
  for (TBitmap* bitmap : {&plain, &kept}) {
    const std::int64_t size = static_cast<std::int64_t>(Save(*bitmap).size());
    for (std::int64_t limit : {std::int64_t{0}, std::int64_t{13}, std::int64_t{20}, std::int64_t{54}, size - 1}) {
      TShortStream stream(limit);
      EXPECT_THROW(bitmap->SaveStream(stream), EWriteError) << limit;
      TShortStream withPrefix(limit + 3);
      EXPECT_THROW(bitmap->WritePropertyData(withPrefix), EWriteError) << limit;
    }
    TShortStream enough(size);
    bitmap->SaveStream(enough);
    EXPECT_EQ(enough.Size(), size);
  }
}
