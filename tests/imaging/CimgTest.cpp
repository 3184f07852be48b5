#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "graphics/Bitmap.h"
#include "graphics/Picture.h"
#include "imaging/Cimg.h"
#include "jpeg/ExifOrientation.h"
#include "jpeg/Jpeg.h"
#include "jpeg/JpegImage.h"
#include "runtime/Exceptions.h"
#include "tests/graphics/BmpTestFiles.h"
#include "tests/jpeg/ExifTestSupport.h"
#include "tests/jpeg/JpegTestSupport.h"
#include "tests/platform/LeakCheck.h"

namespace {

using Rows = std::vector<std::vector<std::uint32_t>>;

// Odd sizes, so that BMP rows are padded and JPEG blocks are cut.
constexpr int kWidth = 37;
constexpr int kHeight = 23;

const jpegtest::Rgb& Photo() {
  static const jpegtest::Rgb photo = jpegtest::PhotoLike(kWidth, kHeight);
  return photo;
}

// A JPEG file of the photo, compressed by our own encoder.
void WriteJpeg(const std::string& path, bool grey = false) {
  auto bitmap = jpegtest::BitmapOf(Photo());
  TJPEGImage image;
  image.SetGrayscale(grey);
  image.CopyFrom(bitmap.get());
  image.SaveFile(path);
}

// A 24-bit BMP file whose neighbouring pixels all differ.
bmptest::Bytes ColourBmp() {
  bmptest::BmpFile file;
  file.width = kWidth;
  file.height = kHeight;
  file.pixels = bmptest::PackColors(bmptest::ColorRows(kWidth, kHeight), 24);
  return file.Build();
}

// An 8-bit BMP file using all 256 colours of its table.
bmptest::BmpFile IndexedBmp() {
  bmptest::BmpFile file;
  file.width = kWidth;
  file.height = kHeight;
  file.bitCount = 8;
  file.colors = bmptest::Palette(256);
  file.pixels = bmptest::PackIndices(bmptest::IndexRows(kWidth, kHeight, 256), 8);
  return file;
}

std::uint32_t PhotoPixel(int x, int y) {
  const std::uint8_t* p = Photo().At(x, y);
  return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
}

// Every channel within tolerance: what JPEG's loss allows.
::testing::AssertionResult Close(std::uint32_t a, std::uint32_t b, int tolerance) {
  for (int shift = 0; shift < 24; shift += 8) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (std::abs(d) > tolerance) return ::testing::AssertionFailure() << std::hex << a << " vs " << b;
  }
  return ::testing::AssertionSuccess();
}

void ExpectLikePhoto(TBitmap& bitmap) {
  ASSERT_EQ(bitmap.Width(), kWidth);
  ASSERT_EQ(bitmap.Height(), kHeight);
  const Rows pixels = bmptest::Pixels(bitmap);
  for (auto [x, y] : {std::pair{0, 0}, {kWidth - 1, 0}, {18, 11}, {0, kHeight - 1}, {kWidth - 1, kHeight - 1}})
    EXPECT_TRUE(Close(pixels[y][x], PhotoPixel(x, y), 40)) << x << "," << y;
}

// Each test must give back every platform object it made.
class CimgTest : public PlatformTest {
 protected:
  bool Exists(const std::string& name) const { return std::filesystem::exists(dir / name); }
  jpegtest::TempDir dir;
};

TEST_F(CimgTest, LoadsJpgJpegAndBmpInAnyCaseAs24Bits) {
  jpegtest::WriteAll(dir / "b.Bmp", ColourBmp());
  Cimg holder;

  for (const char* name : {"A.JPG", "c.Jpeg"}) {
    WriteJpeg(dir / name);
    ASSERT_TRUE(Cimg::Opens(dir / name)) << name;
    ASSERT_TRUE(holder.Load(dir / name)) << name;
    EXPECT_EQ(holder.bitmap->BitDepth(), bd24Bit);
    EXPECT_EQ(holder.Width(), kWidth);
    EXPECT_EQ(holder.Height(), kHeight);
    ExpectLikePhoto(*holder.bitmap);
  }

  ASSERT_TRUE(holder.Load(dir / "b.Bmp"));
  EXPECT_EQ(holder.bitmap->BitDepth(), bd24Bit);
  EXPECT_EQ(bmptest::Pixels(*holder.bitmap), bmptest::ColorRows(kWidth, kHeight));
}

TEST_F(CimgTest, OtherNamesAreRefusedWithoutOpeningTheFile) {
  // Every file holds good JPEG data: only the name may make the load fail.
  std::filesystem::create_directory(dir / "a.b");
  const std::vector<std::string> names = {"c.jpe", "d.png", "noextension", "a.b/file", "e.jpg.png"};
  for (const std::string& name : names) WriteJpeg(dir / name);
  jpegtest::WriteAll(dir / "b.bmp", ColourBmp());

  Cimg fresh;
  Cimg loaded;
  ASSERT_TRUE(loaded.Load(dir / "b.bmp"));
  TBitmap* const picture = loaded.bitmap.get();
  for (const std::string& name : names) {
    EXPECT_FALSE(Cimg::Opens(dir / name)) << name;
    EXPECT_FALSE(fresh.Load(dir / name)) << name;
    EXPECT_EQ(fresh.bitmap, nullptr) << name;
    EXPECT_FALSE(loaded.Load(dir / name)) << name;
    EXPECT_EQ(loaded.bitmap.get(), picture) << name;
  }
  EXPECT_EQ(bmptest::Pixels(*loaded.bitmap), bmptest::ColorRows(kWidth, kHeight));
  // The refusal names the extension, as the picture registry words it.
  EXPECT_FALSE(loaded.Save(dir / "out.png"));
  ASSERT_NE(loaded.FailureRaised(), nullptr);
  std::string refusal;
  try {
    std::rethrow_exception(loaded.FailureRaised());
  } catch (const EInvalidGraphic& error) {
    refusal = error.Message();
  } catch (...) {
  }
  EXPECT_EQ(refusal, "拡張子 .png の画像形式は処理できません");
  EXPECT_FALSE(std::filesystem::exists(dir / "out.png"));
}

TEST_F(CimgTest, ANewExtensionIsOneRegistryRowAndOneMark) {
  // Restarting the JPEG module puts its own rows back and drops the new one.
  struct RestoreJpegRows {
    ~RestoreJpegRows() {
      jpeg::Shutdown();
      jpeg::Startup();
    }
  } restore;
  WriteJpeg(dir / "p.jpe");
  Cimg holder;
  TPicture::RegisterFormat("jpe", "", TJPEGImage::ClassInfo());
  EXPECT_FALSE(holder.Load(dir / "p.jpe"));
  EXPECT_EQ(holder.bitmap, nullptr);

  FileFormatRegistry().MarkOpenedByHolder("JPE");
  ASSERT_TRUE(holder.Load(dir / "p.jpe"));
  ExpectLikePhoto(*holder.bitmap);
  ASSERT_TRUE(holder.Save(dir / "q.JPE"));
  TJPEGImage written;
  written.LoadFile(dir / "q.JPE");
  ExpectLikePhoto(*written.DecodeBitmap());
}

TEST_F(CimgTest, UnreadableFilesLeaveAnEmptyBitmap) {
  jpegtest::WriteAll(dir / "x.jpg", ColourBmp());
  WriteJpeg(dir / "y.bmp");
  jpegtest::WriteAll(dir / "good.bmp", ColourBmp());
  for (const char* name : {"missing.jpg", "missing.bmp", "x.jpg", "y.bmp"}) {
    Cimg holder;
    ASSERT_TRUE(holder.Load(dir / "good.bmp"));
    EXPECT_EQ(holder.FailureRaised(), nullptr) << name;
    EXPECT_FALSE(holder.Load(dir / name)) << name;
    EXPECT_NE(holder.FailureRaised(), nullptr) << name;  // what the reader raised
    ASSERT_NE(holder.bitmap, nullptr) << name;
    EXPECT_TRUE(holder.bitmap->IsEmpty()) << name;
    EXPECT_EQ(holder.Width(), 0) << name;
  }
}

TEST_F(CimgTest, PaletteAndGreyPicturesBecome24BitsWithTheirPixels) {
  const bmptest::BmpFile indexed = IndexedBmp();
  jpegtest::WriteAll(dir / "p.bmp", indexed.Build());
  Cimg holder;
  ASSERT_TRUE(holder.Load(dir / "p.bmp"));
  EXPECT_EQ(holder.bitmap->BitDepth(), bd24Bit);
  Rows expected(kHeight, std::vector<std::uint32_t>(kWidth));
  const auto indices = bmptest::IndexRows(kWidth, kHeight, 256);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) expected[y][x] = bmptest::ColorOf(indexed.colors[indices[y][x]]);
  EXPECT_EQ(bmptest::Pixels(*holder.bitmap), expected);

  WriteJpeg(dir / "g.jpg", /*grey=*/true);
  TJPEGImage reference;
  reference.LoadFile(dir / "g.jpg");
  ASSERT_EQ(reference.DecodeBitmap()->BitDepth(), bd8Bit);
  ASSERT_TRUE(holder.Load(dir / "g.jpg"));
  EXPECT_EQ(holder.bitmap->BitDepth(), bd24Bit);
  EXPECT_EQ(holder.Width(), kWidth);
  EXPECT_EQ(holder.Height(), kHeight);
  EXPECT_EQ(bmptest::Pixels(*holder.bitmap), bmptest::Pixels(*reference.DecodeBitmap()));
}

TEST_F(CimgTest, SetGraphicTakes24BitCopiesAndLeavesTheSourceAlone) {
  TBitmap indexed;
  bmptest::Load(indexed, IndexedBmp().Build());
  const Rows before = bmptest::Pixels(indexed);
  Cimg holder;
  ASSERT_TRUE(holder.SetGraphic(&indexed));
  EXPECT_EQ(holder.bitmap->BitDepth(), bd24Bit);
  EXPECT_EQ(bmptest::Pixels(*holder.bitmap), before);
  EXPECT_EQ(indexed.BitDepth(), bd8Bit);

  WriteJpeg(dir / "j.jpg");
  TJPEGImage jpeg;
  jpeg.LoadFile(dir / "j.jpg");
  ASSERT_TRUE(holder.SetGraphic(&jpeg));
  ExpectLikePhoto(*holder.bitmap);

  TBitmap empty;
  EXPECT_FALSE(holder.SetGraphic(&empty));
  EXPECT_FALSE(holder.SetGraphic(nullptr));
  EXPECT_EQ(holder.Width(), 0);
}

TEST_F(CimgTest, APictureSharesTheHoldersPixels) {
  WriteJpeg(dir / "s.jpg");
  Cimg holder;
  ASSERT_TRUE(holder.Load(dir / "s.jpg"));
  TPicture picture;
  picture.AsBitmap().CopyFrom(holder.bitmap.get());
  holder.Make24Bit();
  EXPECT_EQ(&picture.AsBitmap().Image(), &holder.bitmap->Image());
}

TEST_F(CimgTest, SavesJpgJpegAndBmpByExtensionAndNothingElse) {
  auto source = jpegtest::BitmapOf(Photo());
  Cimg holder;
  ASSERT_TRUE(holder.SetGraphic(source.get()));
  TBitmap* const picture = holder.bitmap.get();

  for (const char* name : {"out.JPG", "out.jpeg"}) {
    ASSERT_TRUE(holder.Save(dir / name)) << name;
    TJPEGImage written;
    written.LoadFile(dir / name);
    ExpectLikePhoto(*written.DecodeBitmap());
  }

  ASSERT_TRUE(holder.Save(dir / "out.bmp"));
  const bmptest::Bytes bmp = jpegtest::ReadAll(dir / "out.bmp");
  EXPECT_EQ(bmptest::Get<std::uint16_t>(bmp, 28), 24);  // biBitCount
  TBitmap reread;
  reread.LoadFile(dir / "out.bmp");
  EXPECT_EQ(bmptest::Pixels(reread), bmptest::Pixels(*source));

  EXPECT_FALSE(holder.Save(dir / "out.png"));
  EXPECT_FALSE(Exists("out.png"));

  // A save that fails reports it, and leaves nothing beside the target.
  std::filesystem::create_directory(dir / "taken.bmp");
  EXPECT_FALSE(holder.Save(dir / "taken.bmp"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / ""), {}), 4);

  EXPECT_EQ(holder.bitmap.get(), picture);
}

TEST_F(CimgTest, AJpegIsTurnedUprightAsItsExifSaysAndSavedUprightWithoutIt) {
  // Four flat quarters, so that the corners survive compression: red, green
  // above, blue, white below (0x00RRGGBB).
  constexpr int kQuarterWidth = 24, kQuarterHeight = 16;
  const std::uint32_t corners[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  jpegtest::Rgb quarters{2 * kQuarterWidth, 2 * kQuarterHeight, 3, {}};
  for (int y = 0; y < quarters.height; ++y) {
    for (int x = 0; x < quarters.width; ++x) {
      const std::uint32_t c = corners[(y / kQuarterHeight) * 2 + x / kQuarterWidth];
      quarters.pixels.insert(quarters.pixels.end(), {std::uint8_t(c >> 16), std::uint8_t(c >> 8), std::uint8_t(c)});
    }
  }
  auto stored = jpegtest::BitmapOf(quarters);
  TJPEGImage encoder;
  encoder.CopyFrom(stored.get());
  encoder.SaveFile(dir / "stored.jpg");
  const exiftest::Bytes bytes = jpegtest::ReadAll(dir / "stored.jpg");

  // Which stored corner (top-left 0, top-right 1, bottom-left 2, bottom-right
  // 3) shows at the upright top-left, top-right, bottom-left, bottom-right.
  const int upright[9][4] = {{}, {0, 1, 2, 3}, {1, 0, 3, 2}, {3, 2, 1, 0}, {2, 3, 0, 1},
                             {0, 2, 1, 3}, {2, 0, 3, 1}, {3, 1, 2, 0}, {1, 3, 0, 2}};
  auto expectUpright = [&](TBitmap& bitmap, int orientation) {
    const bool swapped = orientation >= 5;
    ASSERT_EQ(bitmap.Width(), swapped ? quarters.height : quarters.width) << orientation;
    ASSERT_EQ(bitmap.Height(), swapped ? quarters.width : quarters.height) << orientation;
    const Rows pixels = bmptest::Pixels(bitmap);
    const int right = bitmap.Width() - 2, bottom = bitmap.Height() - 2;
    const std::pair<int, int> at[4] = {{1, 1}, {right, 1}, {1, bottom}, {right, bottom}};
    for (int i = 0; i < 4; ++i)
      EXPECT_TRUE(Close(pixels[at[i].second][at[i].first], corners[upright[orientation][i]], 24))
          << "orientation " << orientation << ", corner " << i;
  };
  Cimg holder;
  for (int orientation = 1; orientation <= 8; ++orientation) {
    jpegtest::WriteAll(dir / "o.jpg", exiftest::WithOrientation(bytes, orientation, orientation % 2 == 0));
    ASSERT_TRUE(holder.Load(dir / "o.jpg"));
    EXPECT_EQ(holder.bitmap->BitDepth(), bd24Bit);
    expectUpright(*holder.bitmap, orientation);
  }

  // A grey photo decodes to 8 bits with a palette, and is turned as such.
  TJPEGImage grey;
  grey.SetGrayscale(true);
  grey.CopyFrom(stored.get());
  grey.SaveFile(dir / "grey.jpg");
  jpegtest::WriteAll(dir / "grey.jpg", exiftest::WithOrientation(jpegtest::ReadAll(dir / "grey.jpg"), 8));
  TJPEGImage reference;
  reference.LoadFile(dir / "grey.jpg");
  const Rows greyStored = bmptest::Pixels(*reference.DecodeBitmap());
  ASSERT_TRUE(holder.Load(dir / "grey.jpg"));
  EXPECT_EQ(holder.bitmap->BitDepth(), bd24Bit);
  const Rows greyUpright = bmptest::Pixels(*holder.bitmap);
  ASSERT_EQ(greyUpright.size(), greyStored[0].size());
  EXPECT_EQ(greyUpright[0][0], greyStored[0].back());   // the stored top-right
  EXPECT_EQ(greyUpright.back()[0], greyStored[0][0]);   // the stored top-left

  // What is saved is the upright picture, and carries no orientation: read
  // again, it is not turned a second time.
  jpegtest::WriteAll(dir / "portrait.jpg", exiftest::WithOrientation(bytes, 6));
  ASSERT_TRUE(holder.Load(dir / "portrait.jpg"));
  ASSERT_TRUE(holder.Save(dir / "saved.jpg"));
  const exiftest::Bytes saved = jpegtest::ReadAll(dir / "saved.jpg");
  EXPECT_EQ(jpeg::ReadExifOrientation(saved), 1);
  EXPECT_EQ(std::search(saved.begin(), saved.end(), std::begin("Exif"), std::end("Exif") - 1), saved.end());
  ASSERT_TRUE(holder.Load(dir / "saved.jpg"));
  expectUpright(*holder.bitmap, 6);
}

TEST_F(CimgTest, AHolderWithoutAPictureSavesNothing) {
  Cimg fresh;
  EXPECT_FALSE(fresh.Save(dir / "a.bmp"));
  EXPECT_EQ(fresh.Width(), 0);
  EXPECT_EQ(fresh.Height(), 0);
  fresh.Make24Bit();

  Cimg failed;
  EXPECT_FALSE(failed.Load(dir / "missing.jpg"));
  EXPECT_FALSE(failed.Save(dir / "b.jpg"));
  EXPECT_FALSE(failed.Save(dir / "c.bmp"));
  EXPECT_TRUE(std::filesystem::is_empty(dir / ""));
}

}  // namespace
