// links: kiritori_jpeg
// Decoding a 6000 x 4000 photo-like JPEG into a bitmap, against djpeg with the
// same settings (float DCT, smoothing, fancy upsampling) writing to /dev/null;
// both best of three in processor time (user and system) on the same file in the page cache. The ratio should stay
// below 1.1.
#include <cstdio>
#include <string>

#include "bench/JpegBench.h"
#include "jpeg/JpegImage.h"
#include "layers/Layers.h"

int main() {
  using namespace jpegbench;
  const layers::JpegLayers started;

  const std::string jpg = PhotoJpeg();

  const double reference = Best([&] { Shell("djpeg -dct float -outfile /dev/null " + jpg); });
  const double ours = Best([&] {
    TJPEGImage image;
    image.LoadFile(jpg);
    if (image.DecodeBitmap()->Width() != kWidth) std::exit(1);
  });
  std::remove(jpg.c_str());

  std::printf("jpeg decode 6000x4000: ours %.3f s cpu, djpeg -dct float %.3f s, ratio %.3f\n", ours, reference,
              ours / reference);
  return 0;
}
