// links: kiritori_jpeg
// Encoding a 6000 x 4000 photo-like 24-bit bitmap as JPEG, against cjpeg with
// the same settings (quality 90, float DCT) reading the picture as a PPM file
// from the page cache and writing to /dev/null; best of three in processor time (user and system) each. The ratio
// should stay below 1.1.
#include <cstdio>
#include <string>

#include "bench/JpegBench.h"
#include "jpeg/JpegImage.h"
#include "layers/Layers.h"

namespace {

// Takes every byte and keeps none, as /dev/null does.
class NullStream : public TStream {
 public:
  std::int64_t Read(void*, std::int64_t) override { return 0; }
  std::int64_t Write(const void*, std::int64_t count) override { return count; }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override { return 0; }
  void SetSize(std::int64_t) override {}
};

}  // namespace

int main() {
  using namespace jpegbench;
  const layers::JpegLayers started;

  const std::vector<std::uint8_t> rgb = PhotoLikeRgb();
  const std::string ppm = WritePpm(rgb);
  TBitmap bitmap;
  bitmap.SetBitDepth(bd24Bit);
  bitmap.SetWidth(kWidth);
  bitmap.SetHeight(kHeight);
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* row = bitmap.ScanLineAddress(y);
    const std::uint8_t* in = &rgb[std::size_t{static_cast<std::size_t>(y)} * kWidth * 3];
    for (int x = 0; x < kWidth; ++x) {
      row[x * 3] = in[x * 3 + 2];
      row[x * 3 + 1] = in[x * 3 + 1];
      row[x * 3 + 2] = in[x * 3];
    }
  }

  const double reference = Best([&] { Shell("cjpeg -quality 90 -dct float -outfile /dev/null " + ppm); });
  const double ours = Best([&] {
    TJPEGImage image;
    image.CopyFrom(&bitmap);
    NullStream out;
    image.SaveStream(out);
  });
  std::remove(ppm.c_str());

  std::printf("jpeg encode 6000x4000: ours %.3f s cpu, cjpeg -quality 90 -dct float %.3f s, ratio %.3f\n", ours,
              reference, ours / reference);
  return 0;
}
