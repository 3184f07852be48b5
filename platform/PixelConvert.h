// Exact 1:1 pixel conversion between any two surfaces, row by row: the engine of
// GetDIBits, SetDIBits and CreateDIBitmap. Every pixel keeps its colour where the
// target can show it, and takes the nearest colour of the target's table where it
// cannot (1, 4 and 8 bits).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Surface.h"

namespace platform {

// A colour in a row buffer: 0x00RRGGBB, the memory order of a 32-bit
// blue-green-red-x pixel.
using Bgrx = std::uint32_t;

inline constexpr Bgrx ToBgrx(COLORREF c) {
  return (static_cast<Bgrx>(GetRValue(c)) << 16) | (static_cast<Bgrx>(GetGValue(c)) << 8) | GetBValue(c);
}
inline constexpr COLORREF ToColorRef(Bgrx c) {
  return RGB(static_cast<BYTE>(c >> 16), static_cast<BYTE>(c >> 8), static_cast<BYTE>(c));
}

// Reads rows of a surface as colours.
class RowReader {
 public:
  explicit RowReader(const Surface& source);
  // Reads `count` pixels from (x, y); the caller keeps them inside the surface.
  void Read(int x, int y, int count, Bgrx* out) const;

 private:
  struct Channel {
    int shift = 0;
    int bits = 0;
    std::uint8_t expand[256] = {};
  };
  std::uint8_t Extract(std::uint32_t value, const Channel& c) const;
  Surface s_;
  Bgrx lut_[256] = {};
  Channel channels_[3];
  bool plain_ = true;  // 32 bits with the default 8-8-8 masks
};

// Writes colours into rows of a surface, as the nearest colour it can show.
class RowWriter {
 public:
  explicit RowWriter(const Surface& target);
  // Writes `count` pixels at (x, y); the caller keeps them inside the surface.
  void Write(int x, int y, int count, const Bgrx* colors);
  // The pixel value a colour becomes.
  std::uint32_t PixelOf(Bgrx color);

 private:
  struct Channel {
    int shift = 0;
    int bits = 0;
  };
  Surface s_;
  std::vector<RGBQUAD> table_;
  std::vector<std::uint64_t> cache_;  // colour -> nearest index, for 1, 4 and 8 bits
  Channel channels_[3];
  bool plain_ = true;
};

// Copies a width x height block from (sx, sy) of `source` to (dx, dy) of
// `target`, converting each pixel. The block is clipped to both surfaces.
// Returns the number of rows written. A large block into 24 bits is written
// around the caches: a caller about to read it back pays a trip to memory.
int ConvertPixels(const Surface& source, int sx, int sy, const Surface& target, int dx, int dy, int width,
                  int height);

}  // namespace platform
