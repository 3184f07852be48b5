// Damaged and hostile BMP data: every one fails cleanly with the system's own
// error, allocates nothing near what it claims, and leaves the bitmap's
// previous picture in place.
#include <gtest/gtest.h>

#include <random>

#include "BmpTestFiles.h"
#include "graphics/Bitmap.h"
#include "platform/MemoryBudget.h"
#include "runtime/Exceptions.h"
#include "runtime/MemoryStream.h"
#include "runtime/Strings.h"

using namespace bmptest;

namespace {

BmpFile Small(int bits, std::uint32_t compression = BI_RGB) {
  BmpFile f;
  f.width = 5;
  f.height = 3;
  f.bitCount = static_cast<std::uint16_t>(bits);
  f.compression = compression;
  if (bits <= 8) f.colors = Palette(1 << bits);
  if (compression == BI_BITFIELDS) f.masks = {0xF800, 0x07E0, 0x001F};
  if (compression == BI_RLE8) {
    f.pixels = {5, 1, 0, 0, 0, 3, 1, 2, 3, 0, 2, 4, 0, 2, 1, 0, 0, 1};
  } else if (compression == BI_RLE4) {
    f.pixels = {5, 0x12, 0, 0, 0, 3, 0x12, 0x30, 0, 2, 1, 0, 0, 1};
  } else {
    f.pixels.assign(Stride(5, bits) * 3, 0x5A);
  }
  return f;
}

// A picture the failed loads must leave alone.
class BmpHostile : public testing::Test {
 protected:
  void SetUp() override { Load(bitmap, Small(24).Build()); }

  // Loads data, which must fail with exception class E (and, when given, the
  // message), and checks that the old picture stayed.
  template <class E>
  void ExpectRefused(const Bytes& data, const char* message = nullptr) {
    const auto before = SectionBytes(bitmap);
    try {
      Load(bitmap, data);
      ADD_FAILURE() << "loaded";
    } catch (const E& e) {
      if (message != nullptr) {
        EXPECT_EQ(e.Message(), message);
      }
    }
    EXPECT_EQ(bitmap.Width(), 5);
    EXPECT_EQ(SectionBytes(bitmap), before);
  }

  // Loads data, which may be refused by any of the system's exceptions but by
  // nothing else, and saves what loaded (unless damage made it huge).
  void LoadOrRefuse(const Bytes& data) {
    try {
      TBitmap other;
      Load(other, data);
      if (std::int64_t{other.Width()} * other.Height() <= 1 << 16) Save(other);
    } catch (const Exception&) {
    }
  }

  TBitmap bitmap;
};

}  // namespace

TEST_F(BmpHostile, DataThatIsNoBitmapFile) {
  Bytes ba = Small(24).Build();
  ba[1] = 'A';
  ExpectRefused<EInvalidGraphic>(ba, strings::InvalidBitmap);
  ExpectRefused<EReadError>(Bytes{'B', 'M', 0, 0});
  ExpectRefused<EReadError>(Bytes(13, 0));
}

TEST_F(BmpHostile, HeadersThatDoNotFit) {
  for (std::uint32_t size : {0u, 3u, 16u, 39u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
    Bytes data = Small(24).Build();
    std::memcpy(data.data() + 14, &size, 4);
    ExpectRefused<EInvalidGraphic>(data, strings::InvalidBitmap);
  }
  Bytes cut = Small(24).Build();
  cut.resize(14 + 30);
  ExpectRefused<EInvalidGraphic>(cut, strings::InvalidBitmap);
  BmpFile longer = Small(24);
  longer.headerSize = 124;
  Bytes cutLonger = longer.Build();
  cutLonger.resize(14 + 100);
  ExpectRefused<EInvalidGraphic>(cutLonger, strings::InvalidBitmap);
  BmpFile core = Small(8);
  core.headerSize = 12;
  Bytes cutCore = core.Build();
  cutCore.resize(14 + 10);
  ExpectRefused<EInvalidGraphic>(cutCore, strings::InvalidBitmap);
}

TEST_F(BmpHostile, FieldsNoBitmapCanHave) {
  BmpFile planes = Small(24);
  planes.planes = 2;
  ExpectRefused<EInvalidGraphic>(planes.Build(), strings::InvalidBitmap);
  BmpFile colors = Small(8);
  colors.clrUsed = 257;
  ExpectRefused<EInvalidGraphic>(colors.Build(), strings::InvalidBitmap);
  colors.clrUsed = 0x40000000;  // times four wraps to 0 in 32 bits
  ExpectRefused<EInvalidGraphic>(colors.Build(), strings::InvalidBitmap);
  BmpFile negative = Small(24);
  negative.width = -5;
  negative.sizeImage = 0;
  ExpectRefused<EInvalidGraphic>(negative.Build(), strings::InvalidBitmap);
  // With a pixel size given, the platform refuses the bitmap and says why.
  negative.sizeImage = 48;
  ExpectRefused<EOSError>(negative.Build());
  BmpFile depth = Small(24);
  depth.bitCount = 3;
  ExpectRefused<EOSError>(depth.Build());
  BmpFile zero = Small(24);
  zero.height = 0;
  ExpectRefused<EOSError>(zero.Build());
}

TEST_F(BmpHostile, DimensionsBeyondThePlatformsLimitAreRefused) {
  for (auto [w, h] : {std::pair{1 << 20, 1 << 20}, {0x7FFFFFFF, 1}, {1, INT32_MIN}, {40000, 40000}}) {
    BmpFile big = Small(24);
    big.width = w;
    big.height = h;
    big.sizeImage = 0;
    ExpectRefused<EInvalidGraphic>(big.Build(), strings::InvalidBitmap);
    big.sizeImage = 0xFFFFFFFF;
    // Far too large for their bytes; past that judge, the platform refuses them.
    ExpectRefused<EInvalidGraphic>(big.Build(), strings::InvalidBitmap);
    platform::HostileChecksOff off;
    ExpectRefused<EOSError>(big.Build());
  }
}

TEST_F(BmpHostile, ShortTablesMasksAndKeptFilesAreReadErrors) {
  Bytes table = Small(8).Build();
  table.resize(14 + 40 + 100);
  ExpectRefused<EReadError>(table);
  Bytes masks = Small(16, BI_BITFIELDS).Build();
  masks.resize(14 + 40 + 6);
  ExpectRefused<EReadError>(masks);
  Bytes rle = Small(8, BI_RLE8).Build();
  rle.resize(14 + 40 + 512);
  ExpectRefused<EReadError>(rle);
}

TEST_F(BmpHostile, CompressedDataThatClaimsMoreThanItHas) {
  // Four gigabytes of pixels claimed by a few bytes: the buffer is sized by
  // the bytes that are there, and the decoder sees no more of them.
  BmpFile rle = Small(8, BI_RLE8);
  rle.sizeImage = 0xFFFFFFF0u;
  TBitmap loaded;
  Load(loaded, rle.Build());
  EXPECT_EQ(loaded.Width(), 5);
  // Runs cut off mid-way, runs past the row end and deltas past the top.
  BmpFile broken = Small(8, BI_RLE8);
  broken.pixels = {200, 1, 0, 2, 100, 100, 0, 5, 1, 2};
  Load(loaded, broken.Build());
  EXPECT_EQ(loaded.Height(), 3);
  BmpFile four = Small(4, BI_RLE4);
  four.pixels = {0, 250, 0x12};
  Load(loaded, four.Build());
  EXPECT_EQ(loaded.Width(), 5);
}

TEST_F(BmpHostile, PixelDataLongerThanThePictureStopsAtItsEnd) {
  BmpFile f = Small(24);
  f.pixels.assign(4096, 0x33);
  f.sizeImage = 4096;
  TBitmap loaded;
  Load(loaded, f.Build());
  EXPECT_EQ(SectionBytes(loaded), Bytes(48, 0x33));
  EXPECT_EQ(Save(loaded).size(), 54u + 48);
}

TEST_F(BmpHostile, CompressionsThePlatformCannotDecode) {
  BmpFile topDown = Small(8, BI_RLE8);
  topDown.height = -3;
  ExpectRefused<EOSError>(topDown.Build());
  BmpFile jpeg = Small(24);
  jpeg.compression = 4;
  ExpectRefused<EOSError>(jpeg.Build());
  BmpFile mismatch = Small(8, BI_RLE4);
  ExpectRefused<EOSError>(mismatch.Build());
  BmpFile fields = Small(24, BI_BITFIELDS);
  ExpectRefused<EOSError>(fields.Build());
}

TEST_F(BmpHostile, PropertyDataWithABadLength) {
  for (std::int32_t length : {-1, INT32_MIN}) {
    TMemoryStream stream;
    stream.WriteBuffer(&length, 4);
    stream.SetPosition(0);
    EXPECT_THROW(bitmap.ReadPropertyData(stream), EInvalidGraphic);
  }
  TMemoryStream cut;
  cut.WriteBuffer("\x10\x00", 2);
  cut.SetPosition(0);
  EXPECT_THROW(bitmap.ReadPropertyData(cut), EInvalidGraphic);
  // A length far beyond the data: nothing is sized from it.
  const Bytes file = Small(8, BI_RLE8).Build();
  TMemoryStream lying;
  const std::int32_t length = 0x7FFFFFFF;
  lying.WriteBuffer(&length, 4);
  lying.WriteBuffer(file.data(), static_cast<std::int64_t>(file.size()));
  lying.SetPosition(0);
  EXPECT_THROW(bitmap.ReadPropertyData(lying), EReadError);
  EXPECT_EQ(bitmap.Width(), 5);
}

TEST_F(BmpHostile, EveryCutOfEveryKindFailsCleanly) {
  std::vector<BmpFile> kinds = {Small(1), Small(4), Small(8), Small(16), Small(24), Small(32),
                                Small(16, BI_BITFIELDS), Small(8, BI_RLE8), Small(4, BI_RLE4)};
  BmpFile core = Small(8);
  core.headerSize = 12;
  kinds.push_back(core);
  BmpFile v5 = Small(32, BI_BITFIELDS);
  v5.headerSize = 124;
  v5.masks = {0xFF0000, 0xFF00, 0xFF};
  kinds.push_back(v5);
  for (const BmpFile& kind : kinds) {
    const Bytes file = kind.Build();
    for (std::size_t n = 0; n <= file.size(); ++n) LoadOrRefuse(Bytes(file.begin(), file.begin() + n));
  }
}

TEST_F(BmpHostile, RandomDamageFailsCleanly) {
  std::mt19937 random(20261208);
  const std::vector<BmpFile> kinds = {Small(4), Small(8), Small(16, BI_BITFIELDS), Small(24),
                                      Small(8, BI_RLE8), Small(4, BI_RLE4)};
  for (int round = 0; round < 3000; ++round) {
    Bytes file = kinds[round % kinds.size()].Build();
    const int damage = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < damage; ++i) {
      // Mostly the headers, where the sizes and counts are.
      const std::size_t at = random() % 2 == 0 ? random() % 60 : random() % file.size();
      file[at] = static_cast<std::uint8_t>(random());
    }
    LoadOrRefuse(file);
  }
}
