#include <gtest/gtest.h>

#include <string>

#include <jpeglib.h>

#include "JpegTestSupport.h"
#include "jpeg/JpegImage.h"
#include "runtime/Exceptions.h"

using namespace jpegtest;

namespace {

// What cjpeg writes for picture with the encoder's settings.
Bytes CjpegOf(const TempDir& dir, const Rgb& picture, const std::string& extra) {
  WritePnm(dir / "in.ppm", picture);
  Run(ToolPath("cjpeg") + " -quality 90 -dct float " + extra + " -outfile " + (dir / "ref.jpg") + " " +
      (dir / "in.ppm"));
  return ReadAll(dir / "ref.jpg");
}

Bytes Saved(TJPEGImage& image) {
  TMemoryStream out;
  image.SaveStream(out);
  return BytesOf(out);
}

// A stream that takes at most `room` bytes, as a full disk does.
class ShortStream : public TMemoryStream {
 public:
  explicit ShortStream(std::int64_t room) : room_(room) {}
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    const std::int64_t taken = std::min(count, room_);
    room_ -= taken;
    return TMemoryStream::Write(buffer, taken);
  }

 private:
  std::int64_t room_;
};

}  // namespace

TEST(JpegEncode, BytesEqualCjpegForColourGreyAndProgressive) {
  REQUIRE_TOOLS();
  struct Variant {
    const char* options;
    bool grayscale;
    bool progressive;
  };
  for (const Variant& v : {Variant{"", false, false}, Variant{"-grayscale", true, false},
                           Variant{"-progressive", false, true}}) {
    SCOPED_TRACE(v.options);
    for (auto [w, h] : {std::pair{64, 48}, std::pair{37, 23}, std::pair{1, 1}}) {
      TempDir dir;
      const Rgb picture = PhotoLike(w, h, 11);
      auto bitmap = BitmapOf(picture);
      TJPEGImage image;
      image.SetGrayscale(v.grayscale);
      image.SetEncodeProgressive(v.progressive);
      image.CopyFrom(bitmap.get());
      const Bytes ours = Saved(image);
      EXPECT_EQ(ours, CjpegOf(dir, picture, v.options)) << w << "x" << h;
      EXPECT_EQ(image.SharedData().width, w);
      EXPECT_EQ(image.SharedData().height, h);
      EXPECT_EQ(image.SharedData().Grayscale, v.grayscale);
    }
  }
}

TEST(JpegEncode, AnEightBitBitmapIsEncodedFromA24BitCopyAndKeepsItsDepth) {
  auto bitmap = BitmapOf(PhotoLike(20, 10));
  bitmap->SetBitDepth(bd8Bit);
  TJPEGImage image;
  image.CopyFrom(bitmap.get());
  const Bytes saved = Saved(image);
  ASSERT_GE(saved.size(), 2u);
  EXPECT_EQ(saved[0], 0xFF);
  EXPECT_EQ(saved[1], 0xD8);
  EXPECT_EQ(image.CachedBitmap()->BitDepth(), bd8Bit);
  auto again = Loaded(saved);
  EXPECT_EQ(again->Width(), 20);
  EXPECT_EQ(again->Height(), 10);
}

TEST(JpegEncode, SavingTwiceCompressesOnce) {
  auto bitmap = BitmapOf(PhotoLike(9, 7));
  TJPEGImage image;
  image.CopyFrom(bitmap.get());
  std::vector<Note> notes;
  Record(image, notes);
  const Bytes first = Saved(image);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].stage, psStarting);
  EXPECT_EQ(notes[0].percent, 0);
  EXPECT_EQ(notes[1].stage, psEnding);
  EXPECT_EQ(notes[1].percent, 100);
  for (const Note& n : notes) EXPECT_TRUE(n.rect.Width() == 0 && n.rect.Height() == 0);
  EXPECT_EQ(Saved(image), first);
  EXPECT_EQ(notes.size(), 2u);
}

TEST(JpegEncode, NoBitmapOrAnEmptyOneSavesNothingAndRaisesNothing) {
  TJPEGImage none;
  EXPECT_TRUE(Saved(none).empty());
  TBitmap empty;
  TJPEGImage fromEmpty;
  fromEmpty.CopyFrom(&empty);
  std::vector<Note> notes;
  Record(fromEmpty, notes);
  EXPECT_TRUE(Saved(fromEmpty).empty());
  EXPECT_TRUE(notes.empty());
}

TEST(JpegEncode, AFailedEncodeLeavesNoBytesForALaterSave) {
  // Wider than the library's largest dimension: refused in jpeg_start_compress.
  TBitmap wide;
  wide.SetBitDepth(bd24Bit);
  wide.SetWidth(70000);
  wide.SetHeight(1);
  TJPEGImage image;
  image.CopyFrom(&wide);
  // Made before any bytes existed, this one shares the holder the encode fills.
  TJPEGImage sharer;
  sharer.CopyFrom(&image);
  std::vector<Note> notes;
  Record(image, notes);
  TMemoryStream out;
  EXPECT_THROW(image.SaveStream(out), EJPEG);
  EXPECT_EQ(sharer.SharedData().FileBytes, nullptr) << "no partial bytes where another image sees them";
  EXPECT_THROW(sharer.SaveStream(out), EJPEG);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[1].stage, psEnding);
  EXPECT_EQ(notes[1].percent, 0);
  EXPECT_EQ(image.SharedData().FileBytes, nullptr);
  EXPECT_EQ(out.Size(), 0);
  // The next save tries again rather than writing a broken file.
  EXPECT_THROW(image.SaveStream(out), EJPEG);
  EXPECT_EQ(out.Size(), 0);
}

TEST(JpegEncode, AnAbortedEncodeLeavesNoBytesAndSavesNothing) {
  auto bitmap = BitmapOf(PhotoLike(8, 8));
  TJPEGImage image;
  image.CopyFrom(bitmap.get());
  image.OnProgress = [](TObject*, TProgressStage stage, std::uint8_t, bool, const TRect&, const std::string&) {
    if (stage == psStarting) throw EAbort("stop");
  };
  TMemoryStream out;
  EXPECT_NO_THROW(image.SaveStream(out));
  EXPECT_EQ(out.Size(), 0);
  EXPECT_EQ(image.SharedData().FileBytes, nullptr);
}

TEST(JpegEncode, AShortWriteOfTheSavedBytesIsAWriteError) {
  auto bitmap = BitmapOf(PhotoLike(30, 30));
  TJPEGImage image;
  image.CopyFrom(bitmap.get());
  ShortStream disk(100);
  EXPECT_THROW(image.SaveStream(disk), EWriteError);
}
