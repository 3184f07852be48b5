#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <jpeglib.h>
#include <jerror.h>

#include "JpegTestSupport.h"
#include "graphics/Orientation.h"
#include "jpeg/CodecGlue.h"
#include "platform/MemoryBudget.h"
#include "jpeg/JpegImage.h"
#include "runtime/Format.h"
#include "runtime/Strings.h"

using namespace jpegtest;

namespace {

struct Case {
  const char* name;
  int width;
  int height;
  const char* cjpegOptions;
};

// djpeg with the decoder's settings: float DCT; block smoothing and fancy
// upsampling are djpeg's defaults too.
Rgb Reference(const TempDir& dir, const std::string& jpegPath, const char* extra = "") {
  const std::string out = dir / "reference.pnm";
  Run(ToolPath("djpeg") + " -dct float " + extra + " -outfile " + out + " " + jpegPath);
  return ReadPnm(out);
}

Bytes Made(const TempDir& dir, const Rgb& picture, const std::string& options) {
  const std::string in = dir / "in.pnm";
  const std::string out = dir / "made.jpg";
  WritePnm(in, picture);
  Run(ToolPath("cjpeg") + " " + options + " -outfile " + out + " " + in);
  return ReadAll(out);
}

void ExpectSamePixels(const Rgb& expected, const Rgb& actual) {
  ASSERT_EQ(actual.width, expected.width);
  ASSERT_EQ(actual.height, expected.height);
  for (int y = 0; y < expected.height; ++y) {
    for (int x = 0; x < expected.width; ++x) {
      const std::uint8_t* want = expected.At(x, y);
      const std::uint8_t* got = actual.At(x, y);
      for (int c = 0; c < 3; ++c) {
        const std::uint8_t w = expected.channels == 3 ? want[c] : want[0];
        ASSERT_EQ(got[c], w) << "pixel " << x << "," << y << " channel " << c;
      }
    }
  }
}

std::string JpegErrorText(int code) { return Format(strings::JPEGError, code); }

}  // namespace

class JpegDecodeMatchesDjpeg : public ::testing::TestWithParam<Case> {};

TEST_P(JpegDecodeMatchesDjpeg, PixelForPixel) {
  REQUIRE_TOOLS();
  const Case& c = GetParam();
  TempDir dir;
  const Bytes file = Made(dir, PhotoLike(c.width, c.height, 7), c.cjpegOptions);
  WriteAll(dir / "file.jpg", file);
  const Rgb expected = Reference(dir, dir / "file.jpg");

  auto image = Loaded(file);
  TBitmap* bitmap = image->DecodeBitmap();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->BitDepth(), bd24Bit);
  EXPECT_EQ(image->Width(), c.width);
  EXPECT_EQ(image->Height(), c.height);
  ExpectSamePixels(expected, ColoursOf(*bitmap));
}

INSTANTIATE_TEST_SUITE_P(
    Files, JpegDecodeMatchesDjpeg,
    ::testing::Values(Case{"baseline420", 64, 48, "-quality 85"},
                      Case{"progressive", 80, 40, "-quality 90 -progressive"},
                      Case{"sampling422", 48, 32, "-sample 2x1"},
                      Case{"sampling444", 40, 40, "-sample 1x1"},
                      Case{"restartMarkers", 96, 64, "-restart 1"},
                      Case{"oddSize", 37, 23, "-quality 75"},
                      Case{"oneRow", 29, 1, ""},
                      Case{"oneColumn", 1, 17, "-progressive"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JpegDecode, GrayscaleFileGivesAnEightBitBitmapOfGreys) {
  REQUIRE_TOOLS();
  TempDir dir;
  const Bytes file = Made(dir, PhotoLike(45, 30, 3), "-grayscale");
  WriteAll(dir / "gray.jpg", file);
  const Rgb expected = Reference(dir, dir / "gray.jpg", "-colors 236");

  auto image = Loaded(file);
  int changes = 0;
  image->OnChange = [&](TObject*) { ++changes; };
  TBitmap* bitmap = image->DecodeBitmap();
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(bitmap->BitDepth(), bd8Bit);
  PALETTEENTRY entries[256];
  const UINT count = GetPaletteEntries(bitmap->ColorPalette(), 0, 256, entries);
  EXPECT_GT(count, 0u);
  EXPECT_LE(count, 236u);
  for (UINT i = 0; i < count; ++i) {
    EXPECT_EQ(entries[i].peRed, entries[i].peGreen);
    EXPECT_EQ(entries[i].peRed, entries[i].peBlue);
  }
  ExpectSamePixels(expected, ColoursOf(*bitmap));
}

TEST(JpegDecode, EightBitDepthQuantisesLikeDjpegWithColourMapInBlueGreenRedOrder) {
  REQUIRE_TOOLS();
  TempDir dir;
  const Bytes file = Made(dir, PhotoLike(50, 40, 5), "");
  WriteAll(dir / "colour.jpg", file);
  const Rgb expected = Reference(dir, dir / "colour.jpg", "-colors 236");

  auto image = Loaded(file);
  image->SetDecodeDepth(jd8Bit);
  TBitmap* bitmap = image->DecodeBitmap();
  ASSERT_EQ(bitmap->BitDepth(), bd8Bit);
  // A red/blue swap in the palette would show as different colours here.
  ExpectSamePixels(expected, ColoursOf(*bitmap));
}

TEST(JpegDecode, ProgressiveDisplayEndsWithTheSamePictureAndReportsEachScan) {
  REQUIRE_TOOLS();
  TempDir dir;
  const Bytes file = Made(dir, PhotoLike(64, 64, 9), "-progressive");
  WriteAll(dir / "p.jpg", file);
  const Rgb expected = Reference(dir, dir / "p.jpg");

  auto image = Loaded(file);
  image->SetShowProgressively(true);
  std::vector<Note> notes;
  Record(*image, notes);
  ExpectSamePixels(expected, ColoursOf(*image->DecodeBitmap()));
  ASSERT_GE(notes.size(), 2u);
  EXPECT_EQ(notes.front().stage, psStarting);
  EXPECT_EQ(notes.back().stage, psEnding);
  EXPECT_EQ(notes.back().percent, 100);
}

TEST(JpegDecode, NotificationsStartAndEndAndASecondDecodeIsANoOp) {
  REQUIRE_TOOLS();
  TempDir dir;
  auto image = Loaded(Made(dir, PhotoLike(16, 16), ""));
  std::vector<Note> notes;
  int changes = 0;
  Record(*image, notes);
  image->OnChange = [&](TObject*) { ++changes; };
  TBitmap* first = image->DecodeBitmap();
  // Loading marks the palette dirty, so the first decode asks for a redraw.
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].stage, psStarting);
  EXPECT_EQ(notes[0].percent, 0);
  EXPECT_FALSE(notes[0].redraw);
  EXPECT_EQ(notes[1].stage, psEnding);
  EXPECT_EQ(notes[1].percent, 100);
  EXPECT_TRUE(notes[1].redraw);
  EXPECT_EQ(changes, 1);

  EXPECT_EQ(image->DecodeBitmap(), first);
  EXPECT_EQ(notes.size(), 2u);
  EXPECT_EQ(changes, 1);
}

TEST(JpegDecode, TruncatedFilesDecodeWithoutAnException) {
  REQUIRE_TOOLS();
  TempDir dir;
  for (const char* options : {"", "-progressive"}) {
    const Bytes file = Made(dir, PhotoLike(64, 64, 2), options);
    // Inside the first scan's data, inside the last scan's, and just the
    // end-of-image marker missing.
    std::vector<std::size_t> scans;
    for (std::size_t i = 0; i + 1 < file.size(); ++i)
      if (file[i] == 0xFF && file[i + 1] == 0xDA) scans.push_back(i);
    ASSERT_FALSE(scans.empty());
    for (std::size_t keep : {scans.front() + 40, scans.back() + 30, file.size() - 2}) {
      auto image = Loaded(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(keep)));
      std::vector<Note> notes;
      Record(*image, notes);
      TBitmap* bitmap = nullptr;
      EXPECT_NO_THROW(bitmap = image->DecodeBitmap()) << options << " cut at " << keep;
      ASSERT_NE(bitmap, nullptr);
      EXPECT_EQ(bitmap->Width(), 64);
      EXPECT_EQ(bitmap->Height(), 64);
      EXPECT_EQ(notes.back().percent, 100);
    }
  }
}

TEST(JpegDecode, EmptyDataFailsWithTheEmptyInputCode) {
  auto image = Loaded({});
  EXPECT_FALSE(image->IsEmpty());
  EXPECT_EQ(image->Width(), 0);
  try {
    image->DecodeBitmap();
    FAIL() << "no exception";
  } catch (const EJPEG& e) {
    EXPECT_EQ(e.Message(), JpegErrorText(JERR_INPUT_EMPTY));
  }
  // A new image without any data fails the same way instead of reading nothing.
  TJPEGImage fresh;
  EXPECT_THROW(fresh.DecodeBitmap(), EJPEG);
}

TEST(JpegDecode, DataThatIsNotJpegFailsBeforeAnyNotificationAndKeepsAnEmptyBitmap) {
  auto image = std::make_unique<TJPEGImage>();
  std::vector<Note> notes;
  Record(*image, notes);
  const Bytes junk = {'B', 'M', 0, 1, 2, 3, 4, 5};
  auto stream = StreamOf(junk);
  EXPECT_THROW(image->LoadStream(*stream), EJPEG);
  EXPECT_THROW(image->DecodeBitmap(), EJPEG);
  EXPECT_TRUE(notes.empty());
  ASSERT_NE(image->CachedBitmap(), nullptr);
  EXPECT_TRUE(image->CachedBitmap()->IsEmpty());
  // The failed bitmap is kept: no second attempt.
  EXPECT_EQ(image->DecodeBitmap(), image->CachedBitmap());
}

TEST(JpegDecode, AnAbortFromAProgressHandlerReturnsThePictureSoFar) {
  REQUIRE_TOOLS();
  TempDir dir;
  auto image = Loaded(Made(dir, PhotoLike(24, 24), ""));
  image->OnProgress = [](TObject*, TProgressStage stage, std::uint8_t, bool, const TRect&, const std::string&) {
    if (stage == psStarting) throw EAbort("stop");
  };
  TBitmap* bitmap = nullptr;
  EXPECT_NO_THROW(bitmap = image->DecodeBitmap());
  EXPECT_NE(bitmap, nullptr);
}

// ---- CMYK and YCCK: written with the library, as Adobe's programs do ----------

namespace {

// One colour over the whole picture, given as ink amounts (0 = none), stored
// inverted as Adobe's files store them.
Bytes CmykFile(int width, int height, const std::uint8_t ink[4], J_COLOR_SPACE stored) {
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 4);
  for (int x = 0; x < width; ++x)
    for (int c = 0; c < 4; ++c) row[static_cast<std::size_t>(x) * 4 + c] = static_cast<JSAMPLE>(255 - ink[c]);
  return LibraryCompress(width, height, 4, JCS_CMYK, row, [stored](jpeg_compress_struct& cinfo) {
    jpeg_set_colorspace(&cinfo, stored);
    jpeg_set_quality(&cinfo, 100, TRUE);
  });
}

void ExpectColour(TBitmap& bitmap, int red, int green, int blue) {
  const Rgb colours = ColoursOf(bitmap);
  const std::uint8_t* px = colours.At(colours.width / 2, colours.height / 2);
  EXPECT_NEAR(px[0], red, 3);
  EXPECT_NEAR(px[1], green, 3);
  EXPECT_NEAR(px[2], blue, 3);
}

}  // namespace

// Turning rows as they are decoded gives exactly the turn of the decoded
// picture, on every path rows take: 24-bit rows, palette indices (grey), every
// scan of a progressive file shown as it comes, and rows too wide for a band
// of 64 (58 at 6000 pixels). Heights cross several bands and end in part of one.
TEST(JpegDecode, DecodingUprightMakesTheTurnOfTheDecodedPicture) {
  REQUIRE_TOOLS();
  struct Kind {
    const char* name;
    int width, height;
    const char* options;
    void (*settings)(TJPEGImage&);
  };
  const Kind kinds[] = {
      {"24-bit", 203, 150, "-baseline", [](TJPEGImage&) {}},
      {"grey, palette indices", 97, 131, "-grayscale", [](TJPEGImage&) {}},
      {"progressive, every scan shown", 61, 140, "-progressive",
       [](TJPEGImage& i) { i.SetShowProgressively(true); }},
      {"wide", 6000, 130, "-baseline", [](TJPEGImage&) {}},
  };
  TempDir dir;
  for (const Kind& kind : kinds) {
    const Bytes file = Made(dir, PhotoLike(kind.width, kind.height, 3), kind.options);
    for (int orientation = 1; orientation <= 8; ++orientation) {
      auto stored = Loaded(file);
      kind.settings(*stored);
      TBitmap expected;
      expected.CopyFrom(stored->DecodeBitmap());
      TurnUpright(expected, orientation);

      auto image = Loaded(file);
      kind.settings(*image);
      TBitmap upright;
      image->DecodeUpright(upright, orientation);
      SCOPED_TRACE(std::string(kind.name) + ", orientation " + std::to_string(orientation));
      EXPECT_EQ(upright.BitDepth(), expected.BitDepth());
      ExpectSamePixels(ColoursOf(expected), ColoursOf(upright));
    }
  }
}

TEST(JpegDecode, CmykAndYcckFilesBecomeTheirColours) {
  const std::uint8_t red[4] = {0, 255, 255, 0};       // magenta and yellow ink
  const std::uint8_t teal[4] = {255, 0, 128, 0};      // cyan and half yellow
  const std::uint8_t darkGrey[4] = {0, 0, 0, 191};    // a quarter of black left
  for (J_COLOR_SPACE stored : {JCS_CMYK, JCS_YCCK}) {
    SCOPED_TRACE(stored == JCS_CMYK ? "CMYK" : "YCCK");
    auto image = Loaded(CmykFile(19, 11, red, stored));
    TBitmap* bitmap = image->DecodeBitmap();
    ASSERT_EQ(bitmap->BitDepth(), bd24Bit);
    ASSERT_EQ(bitmap->Width(), 19);
    ExpectColour(*bitmap, 255, 0, 0);
    ExpectColour(*Loaded(CmykFile(8, 8, teal, stored))->DecodeBitmap(), 0, 255, 127);
    ExpectColour(*Loaded(CmykFile(8, 8, darkGrey, stored))->DecodeBitmap(), 64, 64, 64);
  }
}

// ---- hostile headers -----------------------------------------------------------


TEST(JpegDecode, HeadersBeyondTheBitmapLimitAreRefusedBeforeAnyMemoryIsTaken) {
  // Far too large for their bytes; past that judge, the bitmap limit holds.
  platform::HostileChecksOff off;
  for (bool progressive : {false, true}) {
    auto image = Loaded(HostileHeader(65000, 65000, progressive));
    EXPECT_EQ(image->Width(), 65000);
    std::vector<Note> notes;
    Record(*image, notes);
    try {
      image->DecodeBitmap();
      FAIL() << "no exception";
    } catch (const EJPEG& e) {
      EXPECT_EQ(e.Message(), JpegErrorText(JERR_IMAGE_TOO_BIG));
    }
    EXPECT_TRUE(notes.empty());
    EXPECT_TRUE(image->CachedBitmap()->IsEmpty());
  }
}

TEST(JpegDecode, AProgressiveFileNeedingMoreThanTheMachineHasFailsInsteadOfExhaustingMemory) {
  // Within the bitmap limit and padded to carry its size, but its coefficients
  // alone would take 1.2 GB of the 256 MB available.
  const ScopedEnvironment available("KIRITORI_MEMAVAILABLE_KB", "262144");
  auto image = Loaded(Padded(HostileHeader(20000, 20000, true), 420000));
  try {
    image->DecodeBitmap();
    FAIL() << "no exception";
  } catch (const EJPEG& e) {
    EXPECT_EQ(e.Message(), JpegErrorText(JERR_NO_BACKING_STORE));
    EXPECT_EQ(e.Reason().Kind, TFailureKind::OverAvailableMemory);
  }
  EXPECT_TRUE(image->CachedBitmap()->IsEmpty());
}


TEST(JpegDecode, ProgressiveDisplayCountsEveryBlockForEveryScan) {
  // 30 more refinement scans of the 64 luminance blocks stay within the work
  // bound; redrawing all 96 blocks for each of the 40 scans does not.
  const Bytes data = WithRepeatedLastScan(30, 64, 64);
  EXPECT_NO_THROW(Loaded(data)->DecodeBitmap());
  auto shown = Loaded(data);
  shown->SetShowProgressively(true);
  try {
    shown->DecodeBitmap();
    FAIL() << "no exception";
  } catch (const EJPEG& e) {
    EXPECT_EQ(e.Message(), JpegErrorText(JERR_BAD_PROGRESSION));
    EXPECT_EQ(e.Reason().Kind, TFailureKind::TooLargeForBytes);
  }
}

TEST(JpegDecode, AFileWithEndlesslyRepeatedScansFailsInsteadOfKeepingTheProgramBusy) {
  // A few repeats are tolerated as the library tolerates them.
  EXPECT_NO_THROW(Loaded(WithRepeatedLastScan(3))->DecodeBitmap());

  for (bool progressively : {false, true}) {
    auto image = Loaded(WithRepeatedLastScan(jpeg::kMaxProgressiveScans + 10));
    image->SetShowProgressively(progressively);
    try {
      image->DecodeBitmap();
      FAIL() << "no exception";
    } catch (const EJPEG& e) {
      EXPECT_EQ(e.Message(), JpegErrorText(JERR_BAD_PROGRESSION));
    }
  }
}
