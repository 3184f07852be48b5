// links: kiritori_platform
// Drawing and erasing the white XOR selection outline must cost time in
// proportion to the outline's length, never to the picture's area: the same
// outline is timed on a 6000 x 4000 and on a 600 x 400 24-bit surface, and the
// ratio of the two costs is printed (it should stay near 1).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/BitmapLayout.h"
#include "platform/Raster.h"

namespace {

struct Picture {
  std::vector<std::uint8_t> pixels;
  platform::Surface surface;

  Picture(int width, int height) {
    const std::size_t stride = platform::DibStride(width, 24);
    pixels.assign(stride * height, 0x5A);
    surface.width = width;
    surface.height = height;
    surface.bitsPerPixel = 24;
    // Bottom-up, as a DIB section of a picture is.
    surface.top = pixels.data() + stride * (height - 1);
    surface.pitch = -static_cast<std::ptrdiff_t>(stride);
  }
};

void Outline(const platform::Surface& s, int left, int top, int right, int bottom) {
  platform::PenSpec pen;
  pen.color = RGB(255, 255, 255);
  platform::DrawAttributes attr;
  attr.rop2 = R2_XORPEN;
  const int pts[5][2] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}};
  for (int i = 0; i < 4; ++i) platform::DrawLine(s, pts[i][0], pts[i][1], pts[i + 1][0], pts[i + 1][1], pen, attr);
}

// Best of several trials of `reps` draw-and-erase pairs, in seconds per pair.
double Cost(const Picture& p, int reps) {
  double best = 1e9;
  for (int trial = 0; trial < 7; ++trial) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < reps; ++i) {
      Outline(p.surface, 10 + (i & 7), 10, 590, 390 - (i & 3));
      Outline(p.surface, 10 + (i & 7), 10, 590, 390 - (i & 3));
    }
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    best = std::min(best, t / reps);
  }
  return best;
}

}  // namespace

int main() {
  const Picture large(6000, 4000), small(600, 400);
  const int reps = 2000;
  Cost(large, reps / 10);  // warm the caches and the page tables
  const double small1 = Cost(small, reps);
  const double large1 = Cost(large, reps);
  const double small2 = Cost(small, reps);
  const double smallCost = std::min(small1, small2);
  std::printf("xor outline 580 x 380, draw + erase: 600 x 400: %.2f us, 6000 x 4000: %.2f us\n", smallCost * 1e6,
              large1 * 1e6);
  std::printf("ratio 6000x4000 / 600x400: %.2f (area ratio 100; should stay near 1)\n", large1 / smallCost);
  return 0;
}
