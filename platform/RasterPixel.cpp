// Pixel values, colours and the raster-operation rules on single values.
#include "platform/Raster.h"
#include "platform/RasterRows.h"

namespace platform {

using raster::Format;

std::uint32_t ColorToPixel(const Surface& s, COLORREF color) {
  const Format f(s);
  if (f.bpp <= 8) {
    if ((color >> 24) == 0x01) {
      // A palette index names the table entry itself when there is one.
      const std::uint32_t index = color & 0xFFFF;
      return index < static_cast<std::uint32_t>(f.colorCount) ? index : 0;
    }
    return raster::NearestIndexOf(f, color & 0x00FFFFFF);
  }
  if ((color >> 24) == 0x01) return 0;  // no palette on a true-colour surface: black
  return raster::Pack(f, color & 0x00FFFFFF);
}

COLORREF PixelToColor(const Surface& s, std::uint32_t pixel) {
  const Format f(s);
  return raster::Unpack(f, pixel & raster::ValueMask(f.bpp));
}

std::uint32_t ReadPixel(const Surface& s, int x, int y) {
  if (s.empty() || x < 0 || y < 0 || x >= s.width || y >= s.height) return 0;
  std::uint32_t v = 0;
  raster::ReadRow(s, y, x, 1, &v);
  return v;
}

void WritePixel(const Surface& s, int x, int y, std::uint32_t pixel) {
  if (s.empty() || x < 0 || y < 0 || x >= s.width || y >= s.height) return;
  raster::WriteRow(s, y, x, 1, &pixel);
}

std::uint32_t ApplyRop3(std::uint8_t index, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
  std::uint32_t out = 0;
  raster::CombineRow(index, &p, 0, &s, &d, &out, 1);
  return out;
}

std::uint32_t ApplyRop2(int mode, std::uint32_t pen, std::uint32_t d) {
  return ApplyRop3(raster::Rop3FromRop2(mode), pen, 0, d);
}

}  // namespace platform
