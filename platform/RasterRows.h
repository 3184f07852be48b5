// Engine-internal: a surface's pixel format decoded once, and reading and
// writing runs of pixel values. Callers have clipped every coordinate to the
// surface before they get here; nothing in this file checks bounds again.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Raster.h"
#include "platform/Surface.h"

namespace platform::raster {

// One colour channel of a 16- or 32-bit pixel: where it sits and how wide it is.
struct Channel {
  std::uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
};

// The parts of a surface's format that pixel <-> colour conversion needs.
struct Format {
  int bpp = 0;
  Channel red, green, blue;  // 16 and 32 bits
  const RGBQUAD* colors = nullptr;
  int colorCount = 0;    // 0 for depths above 8
  bool plain32 = false;  // 32 bits with the 8-8-8 masks: same value layout as 24 bits
  // 1 bit without a colour table of its own: a monochrome device bitmap, whose
  // transfers to and from colour follow the text and background colours.
  bool monochrome = false;

  explicit Format(const Surface& s);
  bool SameAs(const Format& other) const;  // identical pixel values mean identical colours
};

// Mask of the bits a pixel value of this depth can hold.
inline std::uint32_t ValueMask(int bpp) { return bpp >= 32 ? 0xFFFFFFFFu : (1u << bpp) - 1u; }

std::uint32_t Pack(const Format& f, COLORREF rgb);      // colour -> value for 16, 24, 32 bits
COLORREF Unpack(const Format& f, std::uint32_t value);  // value -> colour, every depth

// Nearest entry of an indexed surface's colour table, remembering recent answers
// so converting a whole picture does not search the table per pixel.
class NearestIndex {
 public:
  explicit NearestIndex(const Format& f);
  std::uint32_t operator()(COLORREF rgb);

 private:
  const Format& format_;
  std::vector<std::uint32_t> keys_;  // colour | 0x80000000 when the slot holds an answer
  std::vector<std::uint8_t> answers_;
};
std::uint32_t NearestIndexOf(const Format& f, COLORREF rgb);

// Pixel values of row y, columns x .. x+n-1.
void ReadRow(const Surface& s, int y, int x, int n, std::uint32_t* out);
// Pixel values of row y at the columns xs[0..n-1].
void ReadMapped(const Surface& s, int y, const std::int32_t* xs, int n, std::uint32_t* out);
// Writes pixel values to row y, columns x .. x+n-1 (extra high bits are dropped).
void WriteRow(const Surface& s, int y, int x, int n, const std::uint32_t* in);

// The raster operation index of a ternary rop code and what it depends on.
inline std::uint8_t RopIndex(DWORD rop) { return static_cast<std::uint8_t>(rop >> 16); }
inline bool UsesSource(std::uint8_t i) { return (((i >> 2) ^ i) & 0x33) != 0; }
inline bool UsesPattern(std::uint8_t i) { return (((i >> 4) ^ i) & 0x0F) != 0; }
inline bool UsesDestination(std::uint8_t i) { return (((i >> 1) ^ i) & 0x55) != 0; }
// The ternary index that applies a binary mix mode with the pattern as the pen.
std::uint8_t Rop3FromRop2(int mode);

// Fills [left, right) x [top, bottom) with the brush combined with the
// destination by attr.rop2, as shape interiors are filled.
void FillWithMix(const Surface& dst, std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom,
                 const BrushSpec& brush, const DrawAttributes& attr);

// out[i] = rop(p, s, d) for n pixels. `s` and `d` may be null when the operation
// does not use them; `p` null means the constant `pConst`.
void CombineRow(std::uint8_t index, const std::uint32_t* p, std::uint32_t pConst, const std::uint32_t* s,
                const std::uint32_t* d, std::uint32_t* out, int n);

}  // namespace platform::raster
