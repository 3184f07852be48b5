// The software drawing engine behind the device-context calls: pixel values and
// colours, raster operations computed from their codes, lines, fills and block
// transfers. It works on Surfaces and knows nothing of handles; the drawing calls
// in Drawing.cpp look up the handles and call it. Every function clips to its
// surfaces.
#pragma once

#include <cstdint>

#include "platform/Surface.h"

namespace platform {

// Device-context attributes the engine consults.
struct DrawAttributes {
  COLORREF textColor = RGB(0, 0, 0);      // foreground of colour<->monochrome transfers
  COLORREF bkColor = RGB(255, 255, 255);  // background of colour<->monochrome transfers, hatch gaps
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
// the nearest colour in the table (a PALETTEINDEX colour names the entry itself);
// monochrome surfaces without a table are black (0) and white (1). 16- and 32-bit
// values follow the masks; 24-bit values are 0x00RRGGBB, as the bytes B, G, R.
// Channels narrower than 8 bits are widened by repeating their high bits.
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
// source. A position and a negative extent cover [pos + extent, pos). Each
// destination pixel takes the source pixel under its centre; when shrinking,
// BLACKONWHITE ANDs and WHITEONBLACK ORs the pixels it covers, HALFTONE averages
// their colours and COLORONCOLOR drops them. The source is converted to the
// destination's format first. A monochrome surface (1 bit, no colour table: a
// device bitmap) follows the device context: monochrome -> colour makes 0
// textColor and 1 bkColor; colour -> monochrome makes pixels of srcBkColor 1 and
// all others 0. Between all other formats, 1-bit sections with their table
// included, the conversion goes through the colour (nearest for indexed targets).
// Destination pixels whose source lies outside the source stay untouched; the
// same surface may be both source and destination. A null or BS_NULL brush makes
// pattern-using operations draw nothing. Returns false for a source-using rop
// without a source, true otherwise.
bool StretchSurface(const Surface& dst, int x, int y, int w, int h, const Surface* src, int sx, int sy, int sw, int sh,
                    const BrushSpec* brush, DWORD rop, const DrawAttributes& attr);
// MaskBlt: where the 1-bit mask is 1 the foreground rop (low 24 bits of rop4)
// applies, where it is 0 the background rop (bits 24..31 as the index). Draws
// only where destination, mask and (when used) source all have pixels. Returns
// false for a mask that is not 1-bit or a source-using rop without a source.
bool MaskSurface(const Surface& dst, int x, int y, int w, int h, const Surface* src, int sx, int sy,
                 const Surface& mask, int mx, int my, const BrushSpec* brush, DWORD rop4, const DrawAttributes& attr);

// A line from (x0, y0) to (x1, y1): the start pixel drawn, the end pixel not, with
// the pen colour combined by attr.rop2. One pixel per step along the longer axis,
// the other coordinate rounded to nearest (halves away from the start). Pens are
// drawn one pixel wide whatever their width; dashed styles leave their gaps alone
// (TRANSPARENT) or fill them with bkColor (OPAQUE); PS_NULL draws nothing. Costs
// the visible part of the line only.
void DrawLine(const Surface& dst, int x0, int y0, int x1, int y1, const PenSpec& pen, const DrawAttributes& attr);
// Fills the rectangle (right and bottom exclusive) with the brush (PATCOPY); an
// empty or reversed rectangle fills nothing.
void FillSurface(const Surface& dst, const RECT& r, const BrushSpec& brush, const DrawAttributes& attr);
// Rectangle(): corners in any order, right and bottom edge excluded; the outline
// with the pen (each pixel once, so an XOR outline undoes itself), the interior
// with the brush (null: none), both combined by attr.rop2. With a PS_NULL pen the
// filled area is one pixel narrower and shorter.
void DrawRectangleShape(const Surface& dst, const RECT& r, const PenSpec& pen, const BrushSpec* brush,
                        const DrawAttributes& attr);

}  // namespace platform
