// The picture, files and timing that the JPEG benchmarks share: a 6000 x 4000
// photo-like picture, a PPM of it for the reference tools, and processor-time
// measurement.
#pragma once

#include <sys/resource.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace jpegbench {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kTrials = 3;

// Smooth light falling across shapes, with a little sensor noise: compresses
// like a photograph, unlike random bytes or flat colour.
inline std::vector<std::uint8_t> PhotoLikeRgb() {
  std::vector<std::uint8_t> rgb(std::size_t{kWidth} * kHeight * 3);
  std::uint32_t state = 12345;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      state = state * 1664525u + 1013904223u;
      const int noise = static_cast<int>(state >> 29) - 4;
      const int dx = x - kWidth / 3, dy = y - kHeight / 2;
      const bool disc = dx * dx + dy * dy < 900 * 900;
      const int light = 60 + (x + y) * 150 / (kWidth + kHeight);
      std::uint8_t* px = &rgb[(std::size_t{static_cast<std::size_t>(y)} * kWidth + x) * 3];
      px[0] = static_cast<std::uint8_t>(std::clamp(light + (disc ? 70 : 0) + noise, 0, 255));
      px[1] = static_cast<std::uint8_t>(std::clamp(light + ((x / 150 + y / 150) % 2) * 25 + noise, 0, 255));
      px[2] = static_cast<std::uint8_t>(std::clamp(200 - light / 2 + (disc ? -60 : 0) + noise, 0, 255));
    }
  }
  return rgb;
}

inline std::string WritePpm(const std::vector<std::uint8_t>& rgb) {
  char name[] = "/tmp/kiritori-bench-XXXXXX.ppm";
  const int fd = mkstemps(name, 4);
  const std::string header = "P6\n" + std::to_string(kWidth) + " " + std::to_string(kHeight) + "\n255\n";
  if (fd < 0 || write(fd, header.data(), header.size()) != static_cast<ssize_t>(header.size()) ||
      write(fd, rgb.data(), rgb.size()) != static_cast<ssize_t>(rgb.size())) {
    std::perror("bench file");
    std::exit(1);
  }
  close(fd);
  return name;
}

// Runs a shell command and fails the benchmark when it does.
inline void Shell(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
}

// A kWidth x kHeight picture as a quality-90 JPEG file made by cjpeg with
// options (e.g. "-baseline"); its path.
inline std::string PhotoJpeg(const std::vector<std::uint8_t>& rgb, const std::string& options) {
  const std::string ppm = WritePpm(rgb);
  const std::string jpg = ppm + ".jpg";
  Shell("cjpeg -quality 90 " + options + " -outfile " + jpg + " " + ppm);
  std::remove(ppm.c_str());
  return jpg;
}

// The photo-like picture as such a file.
inline std::string PhotoJpeg(const std::string& options = "") { return PhotoJpeg(PhotoLikeRgb(), options); }

// Processor time (user and system) of this process and of the children it
// waited for: on a machine shared with other work, the wall clock measures the
// neighbours as much as the code.
inline double CpuSeconds() {
  rusage self{}, children{};
  getrusage(RUSAGE_SELF, &self);
  getrusage(RUSAGE_CHILDREN, &children);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
  return seconds(self.ru_utime) + seconds(self.ru_stime) + seconds(children.ru_utime) + seconds(children.ru_stime);
}

// The best of kTrials runs, in processor seconds.
inline double Best(const std::function<void()>& run) {
  double best = 1e9;
  for (int i = 0; i < kTrials; ++i) {
    const double start = CpuSeconds();
    run();
    best = std::min(best, CpuSeconds() - start);
  }
  return best;
}

}  // namespace jpegbench
