// links: kiritori_imaging kiritori_jpeg kiritori_graphics kiritori_platform kiritori_runtime
// Opening a 6000 x 4000 photo-like JPEG through Cimg::Load with each Exif
// orientation, against the same file with orientation 1 (decode alone); both
// best of three in processor time, in the same run. The ratios should stay
// below 1.10 for orientations 2 to 4 (turned in place) and below 1.30 for 5 to
// 8 (rows become columns). Also prints the peak resident memory of one load
// above what the process held before it.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/JpegBench.h"
#include "imaging/Cimg.h"
#include "tests/Layers.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// The file with a little-endian Exif block right after its SOI marker.
Bytes WithOrientation(const Bytes& jpeg, int orientation) {
  const Bytes app1 = {0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0,  // marker, length 34, signature
                      'I', 'I', 42, 0, 8, 0, 0, 0,                        // TIFF header, IFD at 8
                      1, 0,                                               // one entry:
                      0x12, 0x01, 3, 0, 1, 0, 0, 0,                       // orientation, SHORT, 1 value
                      static_cast<std::uint8_t>(orientation), 0, 0, 0,    // the value
                      0, 0, 0, 0};                                        // no next IFD
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  out.insert(out.end(), app1.begin(), app1.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

// Peak resident memory since the last reset, in bytes; the reset makes the
// peak the current size.
long PeakResident(bool reset) {
  if (reset) std::ofstream("/proc/self/clear_refs") << "5";
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6)) * 1024;
  return -1;
}

long Resident() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6)) * 1024;
  return -1;
}

}  // namespace

int main() {
  using namespace jpegbench;
  const layers::JpegLayers started;

  const std::string ppm = WritePpm(PhotoLikeRgb());
  const std::string jpg = ppm + ".jpg";
  Shell("cjpeg -quality 90 -baseline -outfile " + jpg + " " + ppm);
  std::remove(ppm.c_str());
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
    const bool swapped = orientation >= 5;
    if (!holder.Load(files[orientation]) || holder.Width() != (swapped ? kHeight : kWidth)) std::exit(1);
  };

  const double picture = static_cast<double>(kWidth) * kHeight * 3 / (1 << 20);
  const double decode = Best([&] { open(1); });
  std::printf("upright 6000x4000 (picture %.0f MB): decode alone %.3f s cpu\n", picture, decode);
  for (int orientation = 1; orientation <= 8; ++orientation) {
    const double turned = orientation == 1 ? decode : Best([&] { open(orientation); });
    const long before = Resident();
    PeakResident(true);
    open(orientation);
    const double peak = static_cast<double>(PeakResident(false) - before) / (1 << 20);
    std::printf("orientation %d: %.3f s cpu, ratio %.3f (goal %.2f), peak %.0f MB above the start (%.2f pictures)\n",
                orientation, turned, turned / decode, orientation <= 4 ? 1.10 : 1.30, peak, peak / picture);
  }
  for (int orientation = 1; orientation <= 8; ++orientation) std::remove(files[orientation].c_str());
  return 0;
}
