// A bitmap as the platform keeps it: a DIB section (pixel memory laid out as in a
// BMP file, shared with the caller) or a device-dependent bitmap (32-bit
// blue-green-red-x or monochrome, rows top-down).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/BitmapLayout.h"
#include "platform/Objects.h"
#include "platform/PixelMemory.h"
#include "platform/Surface.h"
#include "platform/Windows.h"

namespace platform {

class BitmapObject final : public GdiObject {
 public:
  static constexpr ObjectKind kKind = ObjectKind::Bitmap;
  BitmapObject() : GdiObject(kKind) {}
  // BITMAP for a device-dependent bitmap, DIBSECTION (or its BITMAP part when
  // the buffer is smaller) for a section.
  int Describe(int size, void* buffer) const override;

  // The pixels as the drawing engine sees them; shares this bitmap's memory.
  Surface surface() const;
  std::uint8_t* bits() const { return pixels.get(); }

  BitmapLayout layout;
  bool dib = false;
  bool topDown = false;
  DWORD compression = BI_RGB;            // BI_RGB or BI_BITFIELDS
  DWORD masks[3] = {0, 0, 0};            // for BI_BITFIELDS
  std::vector<RGBQUAD> colors;           // a section's colour table (1, 4, 8 bits)
  BITMAPINFOHEADER header{};             // a section's header as it was asked for
  PixelMemory pixels;
  HDC selectedInto = nullptr;            // the one context holding it, if any
};

// Makes a bitmap of width x height (height's sign ignored) with zeroed pixels:
// a DIB section (rows padded to 4 bytes) or a device-dependent bitmap (rows
// padded to 2). Null, with ERROR_NOT_ENOUGH_MEMORY recorded, when the layout
// limit refuses the size or the memory cannot be had.
std::unique_ptr<BitmapObject> MakeBitmap(std::int64_t width, std::int64_t height, int bitsPerPixel, bool dib,
                                         bool topDown);

// Looks up a bitmap handle; null with ERROR_INVALID_HANDLE.
inline BitmapObject* LookupBitmap(HGDIOBJ handle) { return Lookup<BitmapObject>(handle); }

}  // namespace platform
