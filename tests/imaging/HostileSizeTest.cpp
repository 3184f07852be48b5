// Files that declare far more picture than their bytes carry, and pictures
// beyond the memory the machine has: the holder refuses them before any
// decode, keeps the reason, and still opens every small damaged file.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <jerror.h>

#include "graphics/Bitmap.h"
#include "imaging/Cimg.h"
#include "jpeg/JpegImage.h"
#include "platform/MemoryBudget.h"
#include "runtime/Format.h"
#include "runtime/Strings.h"
#include "tests/graphics/BmpTestFiles.h"
#include "tests/jpeg/JpegTestSupport.h"

namespace {

using bmptest::Bytes;

// A header declaring width x height at bits per pixel, followed by `pixels`.
Bytes Bmp(int width, int height, int bits, Bytes pixels = Bytes(64, 0x5A), std::uint32_t compression = BI_RGB,
          std::uint32_t headerSize = 40) {
  bmptest::BmpFile file;
  file.headerSize = headerSize;
  file.width = width;
  file.height = height;
  file.bitCount = static_cast<std::uint16_t>(bits);
  file.compression = compression;
  file.sizeImage = 0;
  if (bits <= 8) file.colors = bmptest::Palette(1 << bits);
  if (compression == BI_BITFIELDS) file.masks = {0xFF0000, 0x00FF00, 0x0000FF};
  file.pixels = std::move(pixels);
  return file.Build();
}

// Run-length data of `runs` longest runs, then the end-of-bitmap marker.
Bytes Runs(int runs) {
  Bytes data;
  for (int i = 0; i < runs; ++i) data.insert(data.end(), {255, 0x11});
  data.insert(data.end(), {0, 1});
  return data;
}

// A colour JPEG of width x height, compressed by our own encoder.
Bytes HonestJpeg(int width, int height) {
  auto bitmap = jpegtest::BitmapOf(jpegtest::PhotoLike(width, height));
  TJPEGImage image;
  image.CopyFrom(bitmap.get());
  TMemoryStream out;
  image.SaveStream(out);
  return jpegtest::BytesOf(out);
}

std::string JpegMessage(int code) { return Format(strings::JPEGError, code); }

struct Case {
  const char* name;
  const char* file;
  std::function<Bytes()> bytes;
  const char* memAvailableKb;  // the memory seam's figure, or null
  bool opens;
  TFailureKind kind;
  std::string text;     // part of the reason's text
  std::string message;  // the message, when the case names one
};

}  // namespace

TEST(HostileSize, EachFileIsJudgedByWhatItsBytesCanCarry) {
  constexpr auto kBytes = TFailureKind::TooLargeForBytes;
  constexpr auto kMemory = TFailureKind::OverAvailableMemory;
  constexpr auto kNone = TFailureKind::Other;
  const std::string bitmap = strings::InvalidBitmap;
  const std::vector<Case> cases = {
      {"8-bit BMP", "a.bmp", [] { return Bmp(26754, 26754, 8, {}); }, nullptr, false, kBytes,
       "declares 26754 x 26754 (2.1 GB) from ", bitmap},
      {"24-bit BMP", "b.bmp", [] { return Bmp(12000, 12000, 24); }, nullptr, false, kBytes,
       "declares 12000 x 12000 (432.0 MB)", bitmap},
      {"1-bit BMP", "c.bmp", [] { return Bmp(40000, 40000, 1, Bytes(60000, 0xF0)); }, nullptr, false, kBytes,
       "declares 40000 x 40000", bitmap},
      {"top-down 32-bit BMP with masks", "d.bmp", [] { return Bmp(11000, -11000, 32, Bytes(64), BI_BITFIELDS); },
       nullptr, false, kBytes, "declares 11000 x -11000", bitmap},
      {"core-header 4-bit BMP", "e.bmp", [] { return Bmp(65535, 65535, 4, Bytes(64), BI_RGB, 12); }, nullptr, false,
       kBytes, "declares 65535 x 65535", bitmap},
      {"8-bit run-length BMP", "f.bmp", [] { return Bmp(12000, 12000, 8, Runs(30000), BI_RLE8); }, nullptr, false,
       kBytes, "declares 12000 x 12000", bitmap},
      {"4-bit run-length BMP", "g.bmp", [] { return Bmp(20000, 20000, 4, Runs(30000), BI_RLE4); }, nullptr, false,
       kBytes, "declares 20000 x 20000", bitmap},
      {"BMP of a compression no one decodes", "h.bmp", [] { return Bmp(12000, 12000, 24, Bytes(64), 4); }, nullptr,
       false, kBytes, "declares 12000 x 12000", bitmap},
      {"baseline JPEG of 634 bytes", "a.jpg", [] { return jpegtest::HostileHeader(26000, 26000, false); }, nullptr,
       false, kBytes, "declares 26000 x 26000 (2.0 GB) from ", JpegMessage(JERR_IMAGE_TOO_BIG)},
      {"grey JPEG", "b.jpg", [] { return jpegtest::HostileHeader(46000, 46000, false, 1); }, nullptr, false, kBytes,
       "declares 46000 x 46000", JpegMessage(JERR_IMAGE_TOO_BIG)},
      {"progressive JPEG of 400 scans", "c.jpg", [] { return jpegtest::WithRepeatedLastScan(390, 12000, 12000); },
       nullptr, false, kBytes, "declares 12000 x 12000", JpegMessage(JERR_IMAGE_TOO_BIG)},
      // Small enough to be believed, but its scans ask for ever more work.
      {"progressive JPEG whose scans repeat", "d.jpg", [] { return jpegtest::WithRepeatedLastScan(300, 64, 64); },
       nullptr, false, kBytes, "scans up to ", JpegMessage(JERR_BAD_PROGRESSION)},
      // Under 64 MB nothing is judged: cut short, they open with blank rows.
      {"cut-short 24-bit BMP of 48 MB", "i.bmp", [] { return Bmp(4000, 4000, 24); }, nullptr, true, kNone, "", ""},
      {"cut-short JPEG of 48 MB", "e.jpg", [] { return jpegtest::HostileHeader(4000, 4000, false); }, nullptr, true,
       kNone, "", ""},
      // Honest pictures beyond the memory the machine has available.
      {"BMP over the available memory", "j.bmp", [] { return Bmp(1000, 1000, 24, Bytes(3000000, 7)); }, "1024",
       false, kMemory, "needs 3.0 MB of pixel memory, 1.0 MB available", ""},
      {"JPEG over the available memory", "f.jpg", [] { return HonestJpeg(1000, 1000); }, "1024", false, kMemory,
       "needs 3.0 MB of pixel memory, 1.0 MB available", ""},
      {"picture within the available memory", "k.bmp", [] { return Bmp(1000, 1000, 24, Bytes(3000000, 7)); },
       "4096", true, kNone, "", ""},
  };
  jpegtest::TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes data = c.bytes();
    if (!c.opens && c.kind == kBytes) {
      EXPECT_LT(data.size(), 64u * 1024);
    }
    jpegtest::WriteAll(dir / c.file, data);
    std::unique_ptr<jpegtest::ScopedEnvironment> seam;
    if (c.memAvailableKb != nullptr)
      seam = std::make_unique<jpegtest::ScopedEnvironment>("KIRITORI_MEMAVAILABLE_KB", c.memAvailableKb);
    Cimg holder;
    EXPECT_EQ(holder.Load(dir / c.file), c.opens);
    const Cimg::Failure& failure = holder.LastFailure();
    EXPECT_EQ(failure.Reason.Kind, c.kind);
    EXPECT_NE(failure.Reason.Text.find(c.text), std::string::npos) << failure.Reason.Text;
    if (!c.message.empty()) {
      EXPECT_EQ(failure.Message, c.message);
    }
    if (c.opens) {
      EXPECT_GT(holder.Width(), 0);
    }
  }
}

TEST(HostileSize, TheChecksCanBeBypassedAndTheHeaderSizeStaysReadable) {
  // The benchmarks' seam: with the checks off, a lying header reaches the
  // decoder, which fills what it can.
  const Bytes data = jpegtest::HostileHeader(9000, 9000, false);
  {
    platform::HostileChecksOff off;
    auto image = jpegtest::Loaded(data);
    EXPECT_EQ(image->Width(), 9000);
  }
  EXPECT_THROW(jpegtest::Loaded(data), EJPEG);
}

TEST(HostileSize, TheDebugLogWritesOneLinePerFailure) {
  jpegtest::TempDir dir;
  jpegtest::WriteAll(dir / "big.bmp", Bmp(26754, 26754, 8, {}));
  const jpegtest::ScopedEnvironment debug("KIRITORI_DEBUG", "1");
  Cimg holder;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(holder.Load(dir / "big.bmp"));
  EXPECT_FALSE(holder.Save(dir / "out.png"));
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(log, "kiritori: load failed: " + (dir / "big.bmp") +
                     ", BMP, declares 26754 x 26754 (2.1 GB) from 1078 bytes\n"
                     "kiritori: save failed: " + (dir / "out.png") + ", none, no picture\n");
}
