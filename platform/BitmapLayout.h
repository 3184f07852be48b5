// The one place that turns a bitmap's dimensions into a row stride and a pixel
// memory size. Every pixel allocation of the platform goes through it, so no size
// a caller or a file supplies can overflow or ask for more than the fixed limit.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Largest width or height of any bitmap, in pixels: the most a view can show
// (the widget size limit of 2^24 - 1), so an honest panorama of any length opens
// as long as its area stays within the byte limit below.
inline constexpr std::int64_t kMaxBitmapDimension = (1 << 24) - 1;
// Largest pixel memory of any bitmap, in bytes: well above a 100-megapixel
// 32-bit picture, far below what would exhaust the machine.
inline constexpr std::int64_t kMaxBitmapBytes = std::int64_t{1} << 31;

// Rows of a DIB (and of a BMP file) are padded to 4 bytes, rows of a
// device-dependent bitmap to 2.
inline constexpr int kDibAlignment = 4;
inline constexpr int kDeviceAlignment = 2;

struct BitmapLayout {
  std::int32_t width = 0;
  std::int32_t height = 0;   // always positive here; top-down is the caller's business
  std::int32_t bitsPerPixel = 0;
  std::size_t stride = 0;    // bytes per row, rounded up to `alignment`
  std::size_t byteSize = 0;  // stride * height
};

// Computes the layout of a bitmap of width x |height| pixels at bitsPerPixel
// (1, 4, 8, 16, 24 or 32), rows padded to `alignment` bytes (4 for DIBs, 2 for
// device-dependent bitmaps). Returns false, leaving `out` untouched, for a
// negative or zero-free-size request that cannot be honoured: a negative width,
// an unknown depth, a dimension above kMaxBitmapDimension or a size above
// kMaxBitmapBytes. A width or height of 0 gives a valid empty layout.
[[nodiscard]] bool ComputeBitmapLayout(std::int64_t width, std::int64_t height, int bitsPerPixel, int alignment,
                         BitmapLayout& out);

// Bytes per row of a DIB `width` pixels wide at bitsPerPixel, from
// ComputeBitmapLayout; 0 when it refuses the width or the depth.
std::size_t DibStride(std::int64_t width, int bitsPerPixel);

}  // namespace platform
