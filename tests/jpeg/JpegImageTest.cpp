#include <gtest/gtest.h>

#include <string>

#include "JpegTestSupport.h"
#include "graphics/Picture.h"
#include "jpeg/JpegImage.h"
#include "runtime/Exceptions.h"
#include "runtime/Strings.h"

using namespace jpegtest;

namespace {

Bytes Encoded(const Rgb& picture, bool progressive = false) {
  auto bitmap = BitmapOf(picture);
  TJPEGImage image;
  image.SetEncodeProgressive(progressive);
  image.CopyFrom(bitmap.get());
  TMemoryStream out;
  image.SaveStream(out);
  return BytesOf(out);
}

}  // namespace

TEST(JpegImage, LoadingParsesTheHeaderOnlyAndSavingWritesTheSameBytes) {
  const Bytes file = Encoded(PhotoLike(33, 21));
  auto image = Loaded(file);
  EXPECT_FALSE(image->IsEmpty());
  EXPECT_EQ(image->Width(), 33);
  EXPECT_EQ(image->Height(), 21);
  EXPECT_EQ(image->CachedBitmap(), nullptr);
  EXPECT_TRUE(image->PaletteDirty());
  TMemoryStream out;
  image->SaveStream(out);
  EXPECT_EQ(BytesOf(out), file);
  EXPECT_EQ(image->CachedBitmap(), nullptr);
}

TEST(JpegImage, ProgressiveDataIsWrittenProgressiveAgainAfterABitmapIsCopiedIn) {
  auto image = Loaded(Encoded(PhotoLike(16, 16), true));
  EXPECT_TRUE(image->EncodeProgressive());
  auto bitmap = BitmapOf(PhotoLike(12, 12, 4));
  image->CopyFrom(bitmap.get());
  TMemoryStream out;
  image->SaveStream(out);
  EXPECT_TRUE(Loaded(BytesOf(out))->EncodeProgressive());
}

TEST(JpegImage, ResizingIsRefusedAndChangesNothing) {
  auto image = Loaded(Encoded(PhotoLike(8, 6)));
  for (auto set : {&TJPEGImage::SetWidth, &TJPEGImage::SetHeight}) {
    try {
      (image.get()->*set)(3);
      FAIL() << "no exception";
    } catch (const EInvalidGraphicOperation& e) {
      EXPECT_EQ(e.Message(), strings::ChangeJPGSize);
    }
  }
  EXPECT_EQ(image->Width(), 8);
  EXPECT_EQ(image->Height(), 6);
}

TEST(JpegImage, PropertyDataCarriesTheFileBytesButNeverCompresses) {
  const Bytes file = Encoded(PhotoLike(10, 10));
  auto image = Loaded(file);
  TMemoryStream data;
  image->WritePropertyData(data);
  ASSERT_EQ(data.Size(), static_cast<std::int64_t>(file.size()) + 4);
  data.SetPosition(0);
  TJPEGImage read;
  read.ReadPropertyData(data);
  EXPECT_EQ(read.Width(), 10);
  EXPECT_TRUE(read.SameContent(*image));

  auto bitmap = BitmapOf(PhotoLike(4, 4));
  TJPEGImage fromBitmap;
  fromBitmap.CopyFrom(bitmap.get());
  TMemoryStream none;
  fromBitmap.WritePropertyData(none);
  EXPECT_EQ(BytesOf(none), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(fromBitmap.SharedData().FileBytes, nullptr);
}

TEST(JpegImage, ADamagedNegativeLengthIsRefusedBeforeAnythingIsRead) {
  auto image = Loaded(Encoded(PhotoLike(5, 5)));
  const Bytes damaged = {0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0xD8};
  auto stream = StreamOf(damaged);
  EXPECT_THROW(image->ReadPropertyData(*stream), EReadError);
  EXPECT_EQ(stream->Position(), 4);
  EXPECT_EQ(image->Width(), 5);
  const Bytes tooLong = {0x00, 0x00, 0x00, 0x40, 0xFF, 0xD8};
  auto longStream = StreamOf(tooLong);
  EXPECT_THROW(image->ReadPropertyData(*longStream), EReadError);
}

TEST(JpegImage, CopiesShareTheHolderAndCompareByContent) {
  auto first = Loaded(Encoded(PhotoLike(6, 6)));
  TJPEGImage second;
  second.CopyFrom(first.get());
  EXPECT_EQ(&second.SharedData(), &first->SharedData());
  EXPECT_EQ(second.SharedData().UserCount(), 2);
  EXPECT_TRUE(second.SameContent(*first));
  auto other = StreamOf(Encoded(PhotoLike(6, 6, 99)));
  second.LoadStream(*other);
  EXPECT_FALSE(second.SameContent(*first));
  EXPECT_EQ(first->SharedData().UserCount(), 1);

  // A decoded source hands its bitmap on, sharing the image.
  first->DecodeBitmap();
  TJPEGImage third;
  third.CopyFrom(first.get());
  ASSERT_NE(third.CachedBitmap(), nullptr);
  EXPECT_EQ(&third.CachedBitmap()->Image(), &first->CachedBitmap()->Image());
  TBitmap notJpeg;
  EXPECT_FALSE(third.SameContent(notJpeg));
}

TEST(JpegImage, ABitmapCopiesTheDecodedPictureAndOtherPartnersAreRefused) {
  auto image = Loaded(Encoded(PhotoLike(7, 5)));
  TBitmap bitmap;
  bitmap.CopyFrom(image.get());
  EXPECT_EQ(bitmap.Width(), 7);
  EXPECT_EQ(bitmap.Height(), 5);
  EXPECT_EQ(&bitmap.Image(), &image->CachedBitmap()->Image());
  TPicture picture;
  EXPECT_THROW(image->CopyTo(&picture), ECopyError);
  EXPECT_THROW(image->CopyFrom(&picture), ECopyError);
  EXPECT_EQ(image->Width(), 7);
}

TEST(JpegImage, APaletteHandedInReplacesADifferentDecodedOne) {
  auto image = Loaded(Encoded(PhotoLike(12, 12)));
  image->SetDecodeDepth(jd8Bit);
  image->DecodeBitmap();
  int changes = 0;
  image->OnChange = [&](TObject*) { ++changes; };
  PALETTEENTRY entries[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  struct {
    WORD version = 0x300;
    WORD count = 2;
    PALETTEENTRY e[2];
  } block;
  block.e[0] = entries[0];
  block.e[1] = entries[1];
  HPALETTE palette = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&block));
  image->SetColorPalette(palette);
  EXPECT_EQ(image->CachedBitmap(), nullptr);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(image->ColorPalette(), palette);
  // The next decode quantises to the held palette's two colours.
  TBitmap* bitmap = image->DecodeBitmap();
  ASSERT_EQ(bitmap->BitDepth(), bd8Bit);
  const Rgb colours = ColoursOf(*bitmap);
  for (std::uint8_t v : colours.pixels) EXPECT_TRUE(v == 0 || v == 255);
}

TEST(JpegImage, RegisteredUnderJpegAndJpg) {
  EXPECT_EQ(FileFormatRegistry().FindByExtension("jpeg"), TJPEGImage::ClassInfo());
  EXPECT_EQ(FileFormatRegistry().FindByExtension("JPG"), TJPEGImage::ClassInfo());
  const std::string filter = FilterForClass(TJPEGImage::ClassInfo());
  EXPECT_EQ(filter, std::string("すべてのファイル (*.jpg;*.jpeg)|*.jpg;*.jpeg|") + strings::JPEGDescription +
                        " (*.jpg)|*.jpg|" + strings::JPEGDescription + " (*.jpeg)|*.jpeg");
}

TEST(JpegImage, AReducedScaleReportsAndDecodesTheReducedSize) {
  auto image = Loaded(Encoded(PhotoLike(33, 21)));
  image->SetScaleDown(sdHalf);
  EXPECT_EQ(image->Width(), 17);
  EXPECT_EQ(image->Height(), 11);
  image->SetScaleDown(sdEighth);
  EXPECT_EQ(image->Width(), 5);
  TBitmap* bitmap = image->DecodeBitmap();
  EXPECT_EQ(bitmap->Width(), 5);
  EXPECT_EQ(bitmap->Height(), 3);
}

TEST(JpegImage, APictureOpensJpgFilesAsJpegImagesAndDrawsThem) {
  TempDir dir;
  const Rgb picture = PhotoLike(16, 12, 3);
  WriteAll(dir / "shot.JPG", Encoded(picture));
  TPicture opened;
  opened.LoadFile(dir / "shot.JPG");
  auto* image = dynamic_cast<TJPEGImage*>(opened.Graphic());
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->Width(), 16);

  // Drawing at full size gives the decoded pixels.
  TBitmap target;
  target.SetBitDepth(bd24Bit);
  target.SetWidth(16);
  target.SetHeight(12);
  target.Canvas().DrawGraphicStretched(TRect{0, 0, 16, 12}, image);
  const Rgb drawn = ColoursOf(target);
  const Rgb decoded = ColoursOf(*image->DecodeBitmap());
  EXPECT_EQ(drawn.pixels, decoded.pixels);

  // Saved through its file name, a loaded picture keeps its bytes.
  image->SaveFile(dir / "copy.jpg");
  EXPECT_EQ(ReadAll(dir / "copy.jpg"), ReadAll(dir / "shot.JPG"));
}
