// Decoding of run-length-compressed DIB pixels (BI_RLE8 and BI_RLE4). The data
// is hostile: every read is checked against the bytes left, and runs and deltas
// that leave the picture are clipped to it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Receives decoded pixels: `count` colour indices for the row `y` (0 = top row)
// starting at column `x`, all inside the picture.
class RleSink {
 public:
  virtual ~RleSink() = default;
  virtual void Put(int x, int y, const std::uint8_t* indices, int count) = 0;
};

// Decodes `size` bytes of BI_RLE8 (bitsPerPixel 8) or BI_RLE4 (4) data of a
// bottom-up picture of width x height pixels. Pixels the data skips (deltas, ends
// of lines, an early end) are not reported. Stops at the end-of-bitmap marker, at
// the end of the data or above the top row. Returns false only for a depth other
// than 4 or 8 or a negative size.
[[nodiscard]] bool DecodeRle(const std::uint8_t* data, std::size_t size, int bitsPerPixel, int width, int height, RleSink& sink);

// How many pixels DecodeRle would report for the same data: what the data
// really writes, which skipped pixels do not count. 0 for a depth other than 4
// or 8.
std::int64_t CountRlePixels(const std::uint8_t* data, std::size_t size, int bitsPerPixel, int width, int height);

}  // namespace platform
