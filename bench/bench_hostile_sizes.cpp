// links: kiritori_imaging kiritori_jpeg kiritori_graphics kiritori_platform kiritori_runtime
// What the checks against hostile sizes cost. An honest 6000 x 4000 baseline
// JPEG opened through Cimg::Load with the checks, against the same open with
// them bypassed (platform::HostileChecksOff): the ratio should stay below
// 1.02. Then each kind of small file declaring over 100 megapixels, refused
// through the same Load: each should cost below 1 % of the honest open. All
// best of three in processor time; the refusals are timed over many loads.
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "bench/JpegBench.h"
#include "graphics/Bitmap.h"
#include "imaging/Cimg.h"
#include "jpeg/JpegImage.h"
#include "platform/MemoryBudget.h"
#include "runtime/MemoryStream.h"
#include "layers/Layers.h"
#include "tests/jpeg/JpegBytes.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

template <class T>
void Put(Bytes& out, T value) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
  out.insert(out.end(), p, p + sizeof value);
}

Bytes Bmp(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t compression, const Bytes& pixels) {
  const std::uint32_t colors = bits <= 8 ? 1u << bits : 0;
  const std::uint32_t offset = 14 + 40 + colors * 4;
  Bytes out;
  Put(out, std::uint16_t{0x4D42});
  Put(out, static_cast<std::uint32_t>(offset + pixels.size()));
  Put(out, std::uint32_t{0});
  Put(out, offset);
  for (std::uint32_t v : {40u, static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height)}) Put(out, v);
  Put(out, std::uint16_t{1});
  Put(out, bits);
  for (std::uint32_t v : {compression, 0u, 2835u, 2835u, colors, 0u}) Put(out, v);
  for (std::uint32_t i = 0; i < colors; ++i) Put(out, std::uint32_t{i * 0x010101u});
  out.insert(out.end(), pixels.begin(), pixels.end());
  return out;
}

// A 16 x 16 JPEG of our own encoder whose frame header claims width x height;
// a progressive one gets its last scan repeated `scans` more times.
Bytes LyingJpeg(int width, int height, bool grey, bool progressive, int scans = 0) {
  TBitmap bitmap;
  bitmap.SetBitDepth(bd24Bit);
  bitmap.SetWidth(16);
  bitmap.SetHeight(16);
  TJPEGImage image;
  image.CopyFrom(&bitmap);
  image.SetGrayscale(grey);
  image.SetEncodeProgressive(progressive);
  TMemoryStream stream;
  image.SaveStream(stream);
  Bytes data(stream.Memory(), stream.Memory() + stream.Size());
  jpegbytes::DeclareSize(data, width, height);
  return jpegbytes::WithLastScanRepeated(data, scans);
}

void Write(const std::string& path, const Bytes& data) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr || std::fwrite(data.data(), 1, data.size(), file) != data.size()) std::exit(1);
  std::fclose(file);
}

}  // namespace

int main() {
  using namespace jpegbench;
  const layers::JpegLayers started;

  const std::string jpg = PhotoJpeg("-baseline");

  auto open = [&] {
    Cimg holder;
    if (!holder.Load(jpg) || holder.Width() != kWidth) std::exit(1);
  };
  // Alternate the two, so that neither gains from the other's warm caches.
  double checked = 1e9, bypassed = 1e9;
  for (int i = 0; i < kTrials; ++i) {
    checked = std::min(checked, Best(open));
    platform::HostileChecksOff off;
    bypassed = std::min(bypassed, Best(open));
  }
  std::printf("honest 6000x4000 open: checked %.3f s cpu, bypassed %.3f s, ratio %.3f\n", checked, bypassed,
              checked / bypassed);

  const Bytes runs = [] {
    Bytes r;
    for (int i = 0; i < 3000; ++i) r.insert(r.end(), {255, 0x11});
    r.insert(r.end(), {0, 1});
    return r;
  }();
  const std::vector<std::pair<const char*, Bytes>> hostile = {
      {"8-bit BMP 26754 x 26754", Bmp(26754, 26754, 8, 0, {})},
      {"24-bit BMP 12000 x 12000", Bmp(12000, 12000, 24, 0, Bytes(4000))},
      {"RLE8 BMP 12000 x 12000", Bmp(12000, 12000, 8, 1, runs)},
      {"RLE4 BMP 20000 x 20000", Bmp(20000, 20000, 4, 2, runs)},
      {"baseline JPEG 26000 x 26000", LyingJpeg(26000, 26000, false, false)},
      {"grey JPEG 46000 x 46000", LyingJpeg(46000, 46000, true, false)},
      {"progressive JPEG 12000 x 12000, 400 scans", LyingJpeg(12000, 12000, false, true, 390)},
  };
  constexpr int kLoads = 50;
  for (const auto& [name, data] : hostile) {
    const std::string path = jpg + (data[0] == 'B' ? ".bmp" : ".jpg");
    Write(path, data);
    const double each = Best([&] {
                          for (int i = 0; i < kLoads; ++i) {
                            Cimg holder;
                            if (holder.Load(path)) std::exit(1);
                          }
                        }) /
                        kLoads;
    std::printf("refusing %s (%zu bytes): %.6f s cpu, %.4f %% of the honest open\n", name, data.size(), each,
                100 * each / checked);
    std::remove(path.c_str());
  }
  std::remove(jpg.c_str());
  return 0;
}
