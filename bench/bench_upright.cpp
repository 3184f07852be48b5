// links: kiritori_imaging kiritori_jpeg kiritori_graphics kiritori_platform kiritori_runtime
// Opening a 6000 x 4000 JPEG through Cimg::Load with each Exif orientation,
// against the same file with orientation 1 (decode alone) measured right
// before it; both best of three in processor time. The rows are turned as
// they are decoded, into the one upright picture: 2 to 4 place or mirror each
// row (goal 1.10), 5 to 8 turn bands of rows into columns (goal 1.30), which
// scatters the writes over the whole picture. Two pictures: the smooth
// photo-like one of the other JPEG benchmarks, which decodes unusually fast
// (about 1 bit per pixel), and one with a phone photo's fine detail (about 3).
// Also prints the peak resident memory of one load above what the process
// held before it: one picture, with no second one for the turn.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/JpegBench.h"
#include "imaging/Cimg.h"
#include "layers/Layers.h"
#include "tests/jpeg/ExifTestSupport.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The file with a little-endian Exif block holding only the orientation right
// after its SOI marker.
Bytes WithOrientation(const Bytes& jpeg, int orientation) {
  using namespace exiftest;
  return Inserted(jpeg, ExifSegment(Tiff(false, {{kOrientation, kShort, 1, static_cast<std::uint32_t>(orientation)}})));
}

// The photo-like picture with the grain and fine texture of a phone photo.
std::vector<std::uint8_t> Detailed(std::vector<std::uint8_t> rgb) {
  std::uint32_t state = 777;
  for (std::size_t i = 0; i < rgb.size(); ++i) {
    state = state * 1664525u + 1013904223u;
    const int texture = static_cast<int>((i / 3 % 7) * 5) + static_cast<int>(state >> 27) - 32;
    rgb[i] = static_cast<std::uint8_t>(std::clamp(rgb[i] + texture, 0, 255));
  }
  return rgb;
}

// A /proc/self/status figure in bytes.
long Status(const char* field) {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size())) * 1024;
  return -1;
}

void Measure(const char* what, const std::vector<std::uint8_t>& rgb) {
  using namespace jpegbench;
  const std::string jpg = PhotoJpeg(rgb, "-baseline");
  std::ifstream in(jpg, std::ios::binary);
  const Bytes stored{std::istreambuf_iterator<char>(in), {}};
  std::remove(jpg.c_str());

  std::vector<std::string> files(9);
  for (int orientation = 1; orientation <= 8; ++orientation) {
    files[orientation] = jpg + "." + std::to_string(orientation) + ".jpg";
    const Bytes bytes = WithOrientation(stored, orientation);
    std::ofstream(files[orientation], std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  auto open = [&](int orientation) {
    Cimg holder;
    if (!holder.Load(files[orientation]) || holder.Width() != (orientation >= 5 ? kHeight : kWidth)) std::exit(1);
  };

  const double picture = static_cast<double>(kWidth) * kHeight * 3 / (1 << 20);
  std::printf("%s, %.1f bits per pixel; the picture is %.0f MB\n", what,
              static_cast<double>(stored.size()) * 8 / (static_cast<double>(kWidth) * kHeight), picture);
  for (int orientation = 2; orientation <= 8; ++orientation) {
    const double decode = Best([&] { open(1); });
    const double turned = Best([&] { open(orientation); });
    const long before = Status("VmRSS:");
    std::ofstream("/proc/self/clear_refs") << "5";  // the peak starts again from here
    open(orientation);
    const double peak = static_cast<double>(Status("VmHWM:") - before) / (1 << 20);
    std::printf("  orientation %d: %.3f s cpu, decode alone %.3f s, ratio %.3f (goal %.2f), peak %.0f MB (%.2f pictures)\n",
                orientation, turned, decode, turned / decode, orientation <= 4 ? 1.10 : 1.30, peak, peak / picture);
  }
  for (int orientation = 1; orientation <= 8; ++orientation) std::remove(files[orientation].c_str());
}

}  // namespace

int main() {
  const layers::JpegLayers started;
  const std::vector<std::uint8_t> smooth = jpegbench::PhotoLikeRgb();
  Measure("upright 6000x4000, smooth photo-like picture", smooth);
  Measure("upright 6000x4000, with a phone photo's detail", Detailed(smooth));
  return 0;
}
