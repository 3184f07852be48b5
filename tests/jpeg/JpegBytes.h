// JPEG files turned hostile byte by byte, for the tests and the benchmarks:
// a frame header that declares another size, a last scan repeated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace jpegbytes {

using Bytes = std::vector<std::uint8_t>;

// Makes the first frame header of bytes, baseline or progressive, declare
// width × height.
inline void DeclareSize(Bytes& bytes, int width, int height) {
  for (std::size_t i = 0; i + 8 < bytes.size(); ++i) {
    if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
      bytes[i + 5] = static_cast<std::uint8_t>(height >> 8);
      bytes[i + 6] = static_cast<std::uint8_t>(height);
      bytes[i + 7] = static_cast<std::uint8_t>(width >> 8);
      bytes[i + 8] = static_cast<std::uint8_t>(width);
      return;
    }
  }
}

// bytes, which end with the end-of-image marker, with their last scan
// repeated `copies` more times before it, as a hostile file would to keep a
// decoder busy.
inline Bytes WithLastScanRepeated(const Bytes& bytes, int copies) {
  std::size_t lastScan = 0;
  for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) lastScan = i;
  const auto end = bytes.end() - 2;
  const Bytes scan(bytes.begin() + static_cast<std::ptrdiff_t>(lastScan), end);
  Bytes out(bytes.begin(), end);
  for (int i = 0; i < copies; ++i) out.insert(out.end(), scan.begin(), scan.end());
  out.push_back(0xFF);
  out.push_back(0xD9);
  return out;
}

}  // namespace jpegbytes
