// Device contexts: the screen's (GetDC) and memory ones (CreateCompatibleDC),
// each with the objects selected into it and its drawing attributes.
#pragma once

#include <cstdint>

#include "platform/Objects.h"
#include "platform/Raster.h"
#include "platform/Surface.h"
#include "platform/Windows.h"

namespace platform {

// What the screen reports of itself.
inline constexpr int kScreenWidth = 800;
inline constexpr int kScreenHeight = 600;
inline constexpr int kScreenBitsPerPixel = 32;
inline constexpr int kScreenPixelsPerInch = 96;

class DeviceContext final : public GdiObject {
 public:
  static constexpr ObjectKind kKind = ObjectKind::DeviceContext;
  // A memory context starts with the stock 1 x 1 monochrome bitmap; both kinds
  // start with the black pen, the white brush, the system font and the default
  // palette.
  explicit DeviceContext(bool memory);
  ~DeviceContext() override;
  int Describe(int, void*) const override { return 0; }

  bool memory() const { return memory_; }
  HBITMAP bitmap() const { return As<HBITMAP>(selected_[kBitmapSlot]); }
  HPEN pen() const { return As<HPEN>(selected_[kPenSlot]); }
  HBRUSH brush() const { return As<HBRUSH>(selected_[kBrushSlot]); }
  HFONT font() const { return As<HFONT>(selected_[kFontSlot]); }
  HPALETTE palette() const { return As<HPALETTE>(selected_[kPaletteSlot]); }

  // Selects an object of any kind (its handle already checked) and returns the
  // previous one of that kind; null, with an error recorded, when a bitmap
  // cannot be selected here (screen context, or held by another context).
  HGDIOBJ Select(HGDIOBJ object);

  // Logical to device coordinates through the window and viewport origins,
  // saturated to the int range.
  POINT ToDevice(std::int64_t x, std::int64_t y) const;
  RECT ToDevice(const RECT& r) const;

  // The pixels of the selected bitmap (empty for the screen).
  Surface surface() const;
  // A COLORREF as drawn here: palette indices resolved through the selected
  // palette, the high byte dropped.
  COLORREF Resolve(COLORREF color) const;

  DrawAttributes attr;
  POINT position{0, 0};
  POINT windowOrigin{0, 0};
  POINT viewportOrigin{0, 0};

 private:
  enum Slot { kBitmapSlot, kPenSlot, kBrushSlot, kFontSlot, kPaletteSlot, kSlots };
  void Hold(HGDIOBJ object, int delta);
  bool memory_;
  HGDIOBJ selected_[kSlots] = {};
};

// The live device context behind a handle, or null with ERROR_INVALID_HANDLE.
DeviceContext* LookupDc(HDC dc);

}  // namespace platform
