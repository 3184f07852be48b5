// links: kiritori_graphics
// Every opened picture is normalised to 24 bits per pixel, so that change must
// run near memory speed: BitDepth := bd24Bit on an 8-bit 6000 x 4000 picture is
// timed against a memcpy of as many bytes as the 24-bit result holds, in the
// same run, and the ratio of speeds is printed (it should be at least 0.33).
// The conversion writes into a newly made section, whose pages the system
// hands out on first touch; a memcpy into newly allocated heap memory is the
// fair reference for that, and is printed as well.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "graphics/Bitmap.h"
#include "layers/Layers.h"
#include "platform/BitmapLayout.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// An 8-bit section with a 256-colour table and varied indices, as a BMP load
// leaves it (its palette made).
void MakePicture8(TBitmap& bitmap) {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD table[256];
  } info{};
  info.header = {sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 8, BI_RGB, 0, 0, 0, 256, 0};
  for (int i = 0; i < 256; ++i)
    info.table[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), 0};
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (section == nullptr) {
    std::fprintf(stderr, "no section\n");
    std::exit(1);
  }
  auto* p = static_cast<std::uint8_t*>(bits);
  for (std::size_t i = 0; i < std::size_t{kWidth} * kHeight; ++i) p[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
  bitmap.SetBitmapHandle(section);
  bitmap.ColorPalette();
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main() {
  const layers::GraphicsLayers started;
  {
    const std::size_t outputBytes = platform::DibStride(kWidth, 24) * kHeight;
    std::vector<std::uint8_t> from(outputBytes, 0x5A);
    std::vector<std::uint8_t> to(outputBytes, 0);
    double convert = 1e9;
    double copy = 1e9;
    double copyFresh = 1e9;
    unsigned observed = 0;
    for (int trial = 0; trial < 5; ++trial) {
      TBitmap bitmap;
      MakePicture8(bitmap);
      auto start = std::chrono::steady_clock::now();
      bitmap.SetBitDepth(bd24Bit);
      convert = std::min(convert, Seconds(start));
      if (bitmap.BitDepth() != bd24Bit) return 1;

      start = std::chrono::steady_clock::now();
      std::memcpy(to.data(), from.data(), outputBytes);
      copy = std::min(copy, Seconds(start));
      from[trial] = to[outputBytes - 1 - trial];  // keep the copy observable

      std::unique_ptr<std::uint8_t[]> fresh(new std::uint8_t[outputBytes]);
      start = std::chrono::steady_clock::now();
      std::memcpy(fresh.get(), from.data(), outputBytes);
      copyFresh = std::min(copyFresh, Seconds(start));
      observed += fresh[outputBytes / 2 + trial];
    }
    std::printf("BitDepth := bd24Bit, 8-bit %d x %d (%.1f MB out): %.1f ms\n", kWidth, kHeight, outputBytes / 1e6,
                convert * 1e3);
    std::printf("memcpy of as many bytes into memory already in use: %.1f ms; "
                "speed ratio conversion / memcpy: %.2f (should be at least 0.33)\n",
                copy * 1e3, copy / convert);
    std::printf("memcpy of as many bytes into newly allocated memory, as the conversion's output is: %.1f ms; "
                "speed ratio conversion / memcpy: %.2f (check %u)\n",
                copyFresh * 1e3, copyFresh / convert, observed & 1);
  }
  return 0;
}
