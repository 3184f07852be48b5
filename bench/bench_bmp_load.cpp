// links: kiritori_graphics
// Loading a 6000 x 4000 24-bit BMP file must cost little more than reading its
// bytes: the file is written once, read twice into the page cache, and then the
// best of several loads is set against the best of several plain reads of the
// same file into fresh memory. The ratio is printed; it should stay below 1.5.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Bitmap.h"
#include "layers/Layers.h"
#include "platform/BitmapLayout.h"
#include "runtime/FileStream.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kTrials = 5;

std::string WriteFile() {
  const std::size_t stride = platform::DibStride(kWidth, 24);
  const std::size_t pixels = stride * kHeight;
  const std::uint32_t offBits = 54;
  std::vector<std::uint8_t> file(offBits + pixels);
  BITMAPFILEHEADER fileHeader{0x4D42, static_cast<DWORD>(file.size()), 0, 0, offBits};
  BITMAPINFOHEADER info{40, kWidth, kHeight, 1, 24, BI_RGB, static_cast<DWORD>(pixels), 2835, 2835, 0, 0};
  std::memcpy(file.data(), &fileHeader, sizeof fileHeader);
  std::memcpy(file.data() + 14, &info, sizeof info);
  for (std::size_t i = offBits; i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
  char name[] = "/tmp/kiritori-bench-XXXXXX.bmp";
  const int fd = mkstemps(name, 4);
  if (fd < 0 || write(fd, file.data(), file.size()) != static_cast<ssize_t>(file.size())) {
    std::perror("bench file");
    std::exit(1);
  }
  close(fd);
  return name;
}

// Reads the whole file into memory allocated for it, as a program that only
// wanted the bytes would.
std::size_t ReadBytes(const std::string& name) {
  TFileStream file(name, fmOpenRead | fmShareDenyWrite);
  const std::int64_t size = file.Size();
  std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[static_cast<std::size_t>(size)]);
  file.ReadBuffer(bytes.get(), size);
  return bytes[static_cast<std::size_t>(size) - 1];
}

std::size_t LoadBitmap(const std::string& name) {
  TBitmap bitmap;
  bitmap.LoadFile(name);
  return static_cast<std::size_t>(bitmap.Width());
}

template <class F>
double Best(F f) {
  double best = 1e9;
  for (int i = 0; i < kTrials; ++i) {
    const auto start = std::chrono::steady_clock::now();
    volatile std::size_t sink = f();
    (void)sink;
    best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

}  // namespace

int main() {
  const layers::GraphicsLayers started;
  const std::string name = WriteFile();
  ReadBytes(name);  // into the page cache
  ReadBytes(name);
  const double read = Best([&] { return ReadBytes(name); });
  const double load = Best([&] { return LoadBitmap(name); });
  std::printf("6000 x 4000 24-bit BMP from the page cache: read %.1f ms, load %.1f ms, ratio %.2f (limit 1.5)\n",
              read * 1e3, load * 1e3, load / read);
  unlink(name.c_str());
  return load / read <= 1.5 ? 0 : 1;
}
