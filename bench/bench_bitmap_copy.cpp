// links: kiritori_graphics
// Copying a bitmap into another must cost one reference, never a pixel copy:
// CopyFrom is timed with a 6000 x 4000 and a 60 x 40 24-bit source, and the
// ratio of the two costs is printed (it should stay near 1).
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "graphics/Bitmap.h"
#include "layers/Layers.h"

namespace {

void MakePicture(TBitmap& bitmap, int width, int height) {
  bitmap.SetHandleKind(hkDIB);
  bitmap.SetBitDepth(bd24Bit);
  bitmap.SetWidth(width);
  bitmap.SetHeight(height);
}

// Best of several trials of `reps` copies, in seconds per copy. Each copy
// alternates between two targets so that every one replaces a shared image.
double Cost(TBitmap& source, int reps) {
  TBitmap a;
  TBitmap b;
  double best = 1e9;
  for (int trial = 0; trial < 7; ++trial) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < reps; ++i) {
      a.CopyFrom(&source);
      b.CopyFrom(&source);
    }
    const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    best = std::min(best, t / (2.0 * reps));
  }
  return best;
}

}  // namespace

int main() {
  const layers::GraphicsLayers started;
  {
    TBitmap large;
    TBitmap small;
    MakePicture(large, 6000, 4000);
    MakePicture(small, 60, 40);
    const int reps = 20000;
    Cost(large, reps / 10);  // warm up
    const double small1 = Cost(small, reps);
    const double largeCost = Cost(large, reps);
    const double small2 = Cost(small, reps);
    const double smallCost = std::min(small1, small2);
    std::printf("CopyFrom of a 24-bit bitmap: 60 x 40: %.3f us, 6000 x 4000: %.3f us\n", smallCost * 1e6,
                largeCost * 1e6);
    std::printf("ratio 6000x4000 / 60x40: %.2f (pixel ratio 10000; should stay near 1)\n", largeCost / smallCost);
  }
  return 0;
}
