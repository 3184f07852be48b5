// The drawing engine's view of one bitmap's pixels. A device context hands the
// engine the surface of the bitmap selected into it; the engine never reads or
// writes outside [0, width) x [0, height).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/Windows.h"

namespace platform {

struct Surface {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t bitsPerPixel = 0;  // 1, 4, 8, 16, 24 or 32
  std::uint8_t* top = nullptr;    // first byte of the top row
  std::ptrdiff_t pitch = 0;       // bytes from one row to the row below it; negative for bottom-up memory
  // Colour table for 1, 4 and 8 bits (may hold fewer entries than the depth allows;
  // an index past it reads as black).
  const RGBQUAD* colors = nullptr;
  std::int32_t colorCount = 0;
  // Red, green and blue masks for 16 and 32 bits. All zero means the defaults:
  // 5-5-5 for 16 bits, 8-8-8 for 32 bits.
  DWORD masks[3] = {0, 0, 0};

  // True when there is nothing the engine can draw on: no pixels, or a depth it
  // does not know.
  bool empty() const {
    return width <= 0 || height <= 0 || top == nullptr ||
           (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 16 &&
            bitsPerPixel != 24 && bitsPerPixel != 32);
  }
  std::uint8_t* row(std::int32_t y) const { return top + pitch * y; }
};

}  // namespace platform
