// The software drawing engine behind the device-context calls: pixel values and
// colours, raster operations computed from their codes, lines, fills and block
// transfers. It works on Surfaces and knows nothing of handles; Gdi*.cpp look up
// the handles and call it. Every function clips to its surfaces.
#pragma once

#include <cstdint>

#include "platform/Surface.h"

namespace platform {

// Device-context attributes the engine consults.
struct DrawAttributes {
  COLORREF textColor = RGB(0, 0, 0);        // foreground of colour<->monochrome transfers
  COLORREF bkColor = RGB(255, 255, 255);    // background of colour<->monochrome transfers, hatch gaps
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int stretchMode = BLACKONWHITE;
  POINT brushOrigin{0, 0};
  // Background colour of the source's device context: colour -> monochrome
  // transfers turn source pixels of this colour into 1. CLR_INVALID: bkColor.
  COLORREF srcBkColor = CLR_INVALID;
};

// A brush as the engine uses it: solid colour, hatch, or a pattern bitmap tiled
// from the brush origin. A null brush (BS_NULL) draws nothing.
struct BrushSpec {
  UINT style = BS_SOLID;
  COLORREF color = RGB(255, 255, 255);
  int hatch = 0;
  const Surface* pattern = nullptr;  // for BS_PATTERN
};

struct PenSpec {
  UINT style = PS_SOLID;
  int width = 1;
  COLORREF color = RGB(0, 0, 0);
};

// Colour <-> pixel value of a surface. For 1, 4 and 8 bits the value is the index of
// the nearest colour in the table; monochrome surfaces without a table are black
// (0) and white (1).
std::uint32_t ColorToPixel(const Surface& s, COLORREF color);
COLORREF PixelToColor(const Surface& s, std::uint32_t pixel);
// Reads or writes one pixel value; outside the surface they return 0 / do nothing.
std::uint32_t ReadPixel(const Surface& s, int x, int y);
void WritePixel(const Surface& s, int x, int y, std::uint32_t pixel);

// Result of a ternary raster operation (the index in bits 16..23 of a rop code) on
// pattern, source and destination bits.
std::uint32_t ApplyRop3(std::uint8_t index, std::uint32_t p, std::uint32_t s, std::uint32_t d);
// Result of a binary mix mode (R2_BLACK..R2_WHITE) on pen and destination bits.
std::uint32_t ApplyRop2(int mode, std::uint32_t pen, std::uint32_t d);

// StretchBlt/BitBlt/PatBlt: combines the source rectangle (scaled to the
// destination's size, mirrored where the two extents' signs differ) with the brush
// and the destination by `rop`. `src` may be null for operations that do not use a
// source. The source is converted to the destination's format first, monochrome
// transfers following textColor/bkColor. Returns false for arguments it cannot
// honour (a source-using rop without a source).
bool StretchSurface(const Surface& dst, int x, int y, int w, int h, const Surface* src, int sx, int sy,
                    int sw, int sh, const BrushSpec* brush, DWORD rop, const DrawAttributes& attr);
// MaskBlt: where the 1-bit mask is 1 the foreground rop (low 24 bits of rop4)
// applies, where it is 0 the background rop (bits 24..31 as the index).
bool MaskSurface(const Surface& dst, int x, int y, int w, int h, const Surface* src, int sx, int sy,
                 const Surface& mask, int mx, int my, const BrushSpec* brush, DWORD rop4,
                 const DrawAttributes& attr);

// A line from (x0, y0) to (x1, y1): the start pixel drawn, the end pixel not, with
// the pen colour combined by attr.rop2.
void DrawLine(const Surface& dst, int x0, int y0, int x1, int y1, const PenSpec& pen,
              const DrawAttributes& attr);
// Fills the rectangle (right and bottom exclusive) with the brush (PATCOPY); an
// empty or reversed rectangle fills nothing.
void FillSurface(const Surface& dst, const RECT& r, const BrushSpec& brush, const DrawAttributes& attr);
// Rectangle(): outline with the pen, interior with the brush.
void DrawRectangleShape(const Surface& dst, const RECT& r, const PenSpec& pen, const BrushSpec* brush,
                        const DrawAttributes& attr);

}  // namespace platform
