// links: kiritori_imaging kiritori_jpeg kiritori_graphics kiritori_platform kiritori_runtime
// Opening a 6000 x 4000 photo-like baseline JPEG the way the main window does:
// Cimg::Load, the view's picture taking the holder's bitmap, Make24Bit. Against
// djpeg -dct float decoding the same file to /dev/null; both best of three in
// processor time. The ratio should stay below 1.15: the file is decoded once,
// straight into 24 bits, and the picture shares the holder's pixels.
#include <cstdio>
#include <string>

#include "bench/JpegBench.h"
#include "graphics/Bitmap.h"
#include "graphics/Picture.h"
#include "imaging/Cimg.h"
#include "layers/Layers.h"

int main() {
  using namespace jpegbench;
  const layers::JpegLayers started;

  const std::string jpg = PhotoJpeg("-baseline");

  const double reference = Best([&] { Shell("djpeg -dct float -outfile /dev/null " + jpg); });
  const double ours = Best([&] {
    Cimg holder;
    TPicture picture;
    if (!holder.Load(jpg)) std::exit(1);
    picture.AsBitmap().CopyFrom(holder.bitmap.get());
    holder.Make24Bit();
    if (picture.Width() != kWidth || holder.Height() != kHeight) std::exit(1);
  });
  std::remove(jpg.c_str());

  std::printf("cimg open 6000x4000: ours %.3f s cpu, djpeg -dct float %.3f s, ratio %.3f\n", ours, reference,
              ours / reference);
  return 0;
}
