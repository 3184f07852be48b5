#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "DibInfo.h"
#include "LeakCheck.h"
#include "platform/Rle.h"
#include "platform/Windows.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Colour index i is shown as the grey (i, i, i) ... except index 0, black.
constexpr COLORREF Grey(int i) { return RGB(static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i)); }

class RleDecoding : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    screen = GetDC(nullptr);
    dc = CreateCompatibleDC(screen);
    // As a BMP reader does: a screen-compatible bitmap in the context makes the
    // decoded bitmap a colour one.
    oneByOne = CreateCompatibleBitmap(screen, 1, 1);
    old = SelectObject(dc, oneByOne);
  }
  void TearDown() override {
    SelectObject(dc, old);
    DeleteObject(oneByOne);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    PlatformTest::TearDown();
  }

  // Decodes `data` as a width x height picture and returns its pixels top row
  // first; unset pixels read as the bitmap's initial black.
  std::vector<std::vector<COLORREF>> Decode(const Bytes& data, int width, int height, int bits) {
    DibInfo info(width, height, bits, bits == 8 ? BI_RLE8 : BI_RLE4);
    info.header.biSizeImage = static_cast<DWORD>(data.size());
    for (int i = 0; i < 256; ++i) info.colors[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    // An exact-size heap copy lets AddressSanitizer catch any read past the data.
    auto* copy = new std::uint8_t[data.empty() ? 1 : data.size()];
    if (!data.empty()) std::memcpy(copy, data.data(), data.size());
    HBITMAP bitmap = CreateDIBitmap(dc, &info.header, CBM_INIT, copy, info.info(), DIB_RGB_COLORS);
    delete[] copy;
    EXPECT_NE(bitmap, nullptr);
    std::vector<std::vector<COLORREF>> rows;
    if (bitmap == nullptr) return rows;
    BITMAP bm{};
    GetObject(bitmap, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 32) << "a device bitmap in the screen's format";
    DibInfo out(width, -height, 32);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width * height));
    EXPECT_EQ(GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), out.info(), DIB_RGB_COLORS),
              height);
    DeleteObject(bitmap);
    for (int y = 0; y < height; ++y) {
      std::vector<COLORREF> row;
      for (int x = 0; x < width; ++x) {
        const std::uint32_t p = pixels[static_cast<std::size_t>(y * width + x)];
        row.push_back(RGB(static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8), static_cast<BYTE>(p)));
      }
      rows.push_back(row);
    }
    return rows;
  }

  HDC screen = nullptr;
  HDC dc = nullptr;
  HBITMAP oneByOne = nullptr;
  HGDIOBJ old = nullptr;
};

const COLORREF _ = Grey(0);

TEST_F(RleDecoding, Rle8RunsAbsoluteBlocksEndsOfLineAndDeltas) {
  const Bytes data = {
      3, 5,           // bottom row: three pixels of 5
      0, 0,           // end of line
      0, 3, 7, 8, 9, 0,  // absolute block of three, padded to a word
      0, 2, 0, 1,     // delta: one row up, same column
      1, 4,           // one pixel of 4
      0, 1,           // end of bitmap
      9, 9,           // ignored
  };
  const auto rows = Decode(data, 4, 3, 8);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2], (std::vector<COLORREF>{Grey(5), Grey(5), Grey(5), _}));
  EXPECT_EQ(rows[1], (std::vector<COLORREF>{Grey(7), Grey(8), Grey(9), _}));
  EXPECT_EQ(rows[0], (std::vector<COLORREF>{_, _, _, Grey(4)}));
}

TEST_F(RleDecoding, Rle4AlternatesTheTwoIndicesOfEachByte) {
  const Bytes data = {
      5, 0x12,           // 1 2 1 2 1
      0, 0,              //
      0, 3, 0x34, 0x50,  // absolute: 3 4 5, two bytes, already a word
      0, 1,
  };
  const auto rows = Decode(data, 5, 2, 4);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1], (std::vector<COLORREF>{Grey(1), Grey(2), Grey(1), Grey(2), Grey(1)}));
  EXPECT_EQ(rows[0], (std::vector<COLORREF>{Grey(3), Grey(4), Grey(5), _, _}));
}

TEST_F(RleDecoding, AMissingEndMarkerIsFine) {
  const auto rows = Decode({2, 6, 0, 0, 2, 7}, 2, 2, 8);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1], (std::vector<COLORREF>{Grey(6), Grey(6)}));
  EXPECT_EQ(rows[0], (std::vector<COLORREF>{Grey(7), Grey(7)}));
}

TEST_F(RleDecoding, HostileRunsAndDeltasAreClippedToThePicture) {
  // A run far wider than the picture, a delta far past both edges, an absolute
  // block cut off by the end of the data.
  const Bytes runs = {255, 1, 255, 2, 0, 0, 0, 2, 255, 255, 3, 3, 0, 0, 0, 9, 1, 2};
  const auto rows = Decode(runs, 3, 2, 8);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1], (std::vector<COLORREF>{Grey(1), Grey(1), Grey(1)}));
  EXPECT_EQ(rows[0], (std::vector<COLORREF>{_, _, _}));

  const Bytes truncatedBlock = {0, 200, 1, 2, 3};
  EXPECT_EQ(Decode(truncatedBlock, 2, 1, 8)[0], (std::vector<COLORREF>{Grey(1), Grey(2)}));
  const Bytes truncatedDelta = {0, 2, 1};
  EXPECT_EQ(Decode(truncatedDelta, 2, 1, 8)[0], (std::vector<COLORREF>{_, _}));
  const Bytes oddByte = {1};
  EXPECT_EQ(Decode(oddByte, 1, 1, 4)[0], (std::vector<COLORREF>{_}));
  // Endless ends of line above the top row stop the decoding.
  Bytes manyLines;
  for (int i = 0; i < 1000; ++i) manyLines.insert(manyLines.end(), {0, 0, 1, 9});
  const auto tall = Decode(manyLines, 1, 3, 8);
  EXPECT_EQ(tall[0][0], Grey(9));
  const Bytes rle4Block = {0, 255, 0x12};
  EXPECT_EQ(Decode(rle4Block, 3, 1, 4)[0], (std::vector<COLORREF>{Grey(1), Grey(2), _}));
}

// size bytes of run-length data from a simple generator, biased towards
// escapes (one byte in escapeEvery is 0) so the odd paths are walked.
Bytes RandomRle(std::uint32_t& state, std::size_t size, std::uint32_t escapeEvery) {
  Bytes data(size);
  for (auto& b : data) {
    state = state * 1103515245u + 12345u;
    b = static_cast<std::uint8_t>(state >> 16);
    if ((state >> 8) % escapeEvery == 0) b = 0;
  }
  return data;
}

TEST_F(RleDecoding, RandomDataNeverReachesOutsideAnyBuffer) {
  std::uint32_t state = 12345;
  for (int trial = 0; trial < 200; ++trial) {
    const Bytes data = RandomRle(state, static_cast<std::size_t>(trial % 64), 5);
    const int width = 1 + trial % 7;
    const int height = 1 + trial % 5;
    const auto rows = Decode(data, width, height, trial % 2 ? 4 : 8);
    EXPECT_EQ(rows.size(), static_cast<std::size_t>(height));
  }
}

TEST_F(RleDecoding, IsRefusedForTopDownPicturesAndWrongDepths) {
  DibInfo topDown(2, -2, 8, BI_RLE8);
  topDown.header.biSizeImage = 2;
  const std::uint8_t data[2] = {0, 1};
  EXPECT_EQ(CreateDIBitmap(dc, &topDown.header, CBM_INIT, data, topDown.info(), DIB_RGB_COLORS), nullptr);
  DibInfo wrongDepth(2, 2, 4, BI_RLE8);
  wrongDepth.header.biSizeImage = 2;
  EXPECT_EQ(CreateDIBitmap(dc, &wrongDepth.header, CBM_INIT, data, wrongDepth.info(), DIB_RGB_COLORS), nullptr);
}

}  // namespace

TEST(RleCounting, CountsExactlyThePixelsTheDecoderWrites) {
  struct Counting : platform::RleSink {
    void Put(int, int, const std::uint8_t*, int count) override { written += count; }
    std::int64_t written = 0;
  };
  std::uint32_t state = 777;
  for (int trial = 0; trial < 300; ++trial) {
    const Bytes data = RandomRle(state, static_cast<std::size_t>(trial % 97), 4);
    const int bits = trial % 2 ? 4 : 8;
    const int width = 1 + trial % 300, height = 1 + trial % 11;
    Counting sink;
    // Random data may end badly; what was written up to there still counts.
    (void)platform::DecodeRle(data.data(), data.size(), bits, width, height, sink);
    EXPECT_EQ(platform::CountRlePixels(data.data(), data.size(), bits, width, height), sink.written) << trial;
  }
  EXPECT_EQ(platform::CountRlePixels(nullptr, 0, 8, 5, 5), 0);
}
