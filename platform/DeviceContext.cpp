#include "platform/DeviceContext.h"

#include <algorithm>
#include <limits>
#include <new>
#include <utility>

#include "platform/BitmapObject.h"
#include "platform/Palettes.h"
#include "platform/StockObjects.h"

namespace platform {

namespace {

LONG Saturate(std::int64_t v) {
  return static_cast<LONG>(std::clamp<std::int64_t>(v, std::numeric_limits<LONG>::min(),
                                                    std::numeric_limits<LONG>::max()));
}

}  // namespace

DeviceContext::DeviceContext(bool memory) : GdiObject(kKind), memory_(memory) {
  selected_[kPenSlot] = StockObject(BLACK_PEN);
  selected_[kBrushSlot] = StockObject(WHITE_BRUSH);
  selected_[kFontSlot] = StockObject(SYSTEM_FONT);
  selected_[kPaletteSlot] = StockObject(DEFAULT_PALETTE);
  if (memory_) selected_[kBitmapSlot] = StockBitmap();
  for (HGDIOBJ object : selected_) Hold(object, +1);
}

DeviceContext::~DeviceContext() {
  for (HGDIOBJ object : selected_) Hold(object, -1);
}

void DeviceContext::Hold(HGDIOBJ handle, int delta) {
  ObjectTable* table = Objects();
  GdiObject* object = table ? table->Find(handle) : nullptr;
  if (object == nullptr) return;
  object->selections += delta;
  if (object->kind() == ObjectKind::Bitmap && !object->stock) {
    static_cast<BitmapObject*>(object)->selectedInto = delta > 0 ? As<HDC>(this->handle()) : nullptr;
  }
}

HGDIOBJ DeviceContext::Select(HGDIOBJ handle) {
  ObjectTable* table = Objects();
  GdiObject* object = table ? table->Find(handle) : nullptr;
  if (object == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  Slot slot = kSlots;
  switch (object->kind()) {
    case ObjectKind::Bitmap: {
      auto* bitmap = static_cast<BitmapObject*>(object);
      if (!memory_) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
      }
      if (!bitmap->stock && bitmap->selectedInto != nullptr && bitmap->selectedInto != this->handle()) {
        SetLastError(ERROR_BUSY);
        return nullptr;
      }
      slot = kBitmapSlot;
      break;
    }
    case ObjectKind::Pen: slot = kPenSlot; break;
    case ObjectKind::Brush: slot = kBrushSlot; break;
    case ObjectKind::Font: slot = kFontSlot; break;
    case ObjectKind::Palette: slot = kPaletteSlot; break;
    case ObjectKind::DeviceContext:
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
  }
  HGDIOBJ previous = selected_[slot];
  if (previous == handle) return previous;
  Hold(previous, -1);
  selected_[slot] = handle;
  Hold(handle, +1);
  return previous;
}

POINT DeviceContext::ToDevice(std::int64_t x, std::int64_t y) const {
  return POINT{Saturate(x - windowOrigin.x + viewportOrigin.x), Saturate(y - windowOrigin.y + viewportOrigin.y)};
}

RECT DeviceContext::ToDevice(const RECT& r) const {
  const POINT a = ToDevice(r.left, r.top);
  const POINT b = ToDevice(r.right, r.bottom);
  return RECT{a.x, a.y, b.x, b.y};
}

Surface DeviceContext::surface() const {
  ObjectTable* table = Objects();
  GdiObject* object = (table && selected_[kBitmapSlot]) ? table->Find(selected_[kBitmapSlot]) : nullptr;
  if (object == nullptr) return Surface{};
  return static_cast<BitmapObject*>(object)->surface();
}

COLORREF DeviceContext::Resolve(COLORREF color) const {
  if ((color >> 24) == 1) {
    ObjectTable* table = Objects();
    GdiObject* object = table ? table->Find(selected_[kPaletteSlot]) : nullptr;
    if (object != nullptr) {
      const auto& entries = static_cast<PaletteObject*>(object)->entries;
      const std::size_t index = color & 0xFFFFu;
      const PALETTEENTRY e = index < entries.size() ? entries[index] : entries.front();
      return RGB(e.peRed, e.peGreen, e.peBlue);
    }
  }
  return color & 0x00FFFFFFu;
}

DeviceContext* LookupDc(HDC dc) { return Lookup<DeviceContext>(dc); }

namespace {

HDC AddContext(bool memory) {
  std::unique_ptr<DeviceContext> context;
  try {
    context = std::make_unique<DeviceContext>(memory);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return As<HDC>(AddObject(std::move(context)));
}

bool DestroyContext(HDC dc) {
  if (LookupDc(dc) == nullptr) return false;
  Objects()->Remove(dc);
  return true;
}

}  // namespace

}  // namespace platform

using platform::As;
using platform::DeviceContext;
using platform::LookupDc;

HDC GetDC(HWND /*window*/) {
  // No window of ours has pixels of its own here: every window's context is one
  // on the screen.
  return platform::AddContext(false);
}

int ReleaseDC(HWND /*window*/, HDC dc) {
  DeviceContext* context = LookupDc(dc);
  if (context == nullptr || context->memory()) {
    if (context != nullptr) SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  return platform::DestroyContext(dc) ? 1 : 0;
}

HDC CreateCompatibleDC(HDC dc) {
  if (dc != nullptr && LookupDc(dc) == nullptr) return nullptr;
  return platform::AddContext(true);
}

BOOL DeleteDC(HDC dc) { return platform::DestroyContext(dc) ? TRUE : FALSE; }

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object) {
  DeviceContext* context = LookupDc(dc);
  if (context == nullptr) return nullptr;
  platform::ObjectTable* table = platform::Objects();
  platform::GdiObject* target = table->Find(object);
  if (target == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (target->kind() == platform::ObjectKind::Palette) {
    // Palettes go in through SelectPalette only.
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return context->Select(object);
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type) {
  DeviceContext* context = LookupDc(dc);
  if (context == nullptr) return nullptr;
  switch (type) {
    case OBJ_PEN: return context->pen();
    case OBJ_BRUSH: return context->brush();
    case OBJ_FONT: return context->font();
    case OBJ_PAL: return context->palette();
    case OBJ_BITMAP: return context->bitmap();
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
  }
}

DWORD GetObjectType(HGDIOBJ handle) {
  platform::ObjectTable* table = platform::Objects();
  platform::GdiObject* object = table ? table->Find(handle) : nullptr;
  if (object == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  switch (object->kind()) {
    case platform::ObjectKind::Bitmap: return OBJ_BITMAP;
    case platform::ObjectKind::Palette: return OBJ_PAL;
    case platform::ObjectKind::Pen: return OBJ_PEN;
    case platform::ObjectKind::Brush: return OBJ_BRUSH;
    case platform::ObjectKind::Font: return OBJ_FONT;
    case platform::ObjectKind::DeviceContext:
      return static_cast<DeviceContext*>(object)->memory() ? OBJ_MEMDC : OBJ_DC;
  }
  return 0;
}

int GetDeviceCaps(HDC dc, int index) {
  if (LookupDc(dc) == nullptr) return 0;
  switch (index) {
    case HORZRES: return platform::kScreenWidth;
    case VERTRES: return platform::kScreenHeight;
    case BITSPIXEL: return platform::kScreenBitsPerPixel;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case LOGPIXELSX:
    case LOGPIXELSY: return platform::kScreenPixelsPerInch;
    case RASTERCAPS: return RC_BITBLT | RC_DI_BITMAP | RC_STRETCHBLT;
    case SIZEPALETTE: return 0;
    case NUMRESERVED: return 20;
    default: return 0;
  }
}

BOOL GdiFlush() { return TRUE; }

COLORREF SetTextColor(HDC dc, COLORREF color) {
  DeviceContext* context = LookupDc(dc);
  if (context == nullptr) return CLR_INVALID;
  return std::exchange(context->attr.textColor, color);
}

COLORREF GetTextColor(HDC dc) {
  DeviceContext* context = LookupDc(dc);
  return context ? context->attr.textColor : CLR_INVALID;
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
  DeviceContext* context = LookupDc(dc);
  if (context == nullptr) return CLR_INVALID;
  return std::exchange(context->attr.bkColor, color);
}

COLORREF GetBkColor(HDC dc) {
  DeviceContext* context = LookupDc(dc);
  return context ? context->attr.bkColor : CLR_INVALID;
}

namespace {

// Sets one of a context's mode attributes when the value lies in [lowest,
// highest]; answers the previous value, or 0 for a bad context or value.
int SetModeAttribute(HDC dc, int platform::DrawAttributes::*field, int mode, int lowest, int highest) {
  DeviceContext* context = LookupDc(dc);
  if (context == nullptr) return 0;
  if (mode < lowest || mode > highest) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return std::exchange(context->attr.*field, mode);
}

int GetModeAttribute(HDC dc, int platform::DrawAttributes::*field) {
  DeviceContext* context = LookupDc(dc);
  return context ? context->attr.*field : 0;
}

}  // namespace

int SetBkMode(HDC dc, int mode) {
  return SetModeAttribute(dc, &platform::DrawAttributes::bkMode, mode, TRANSPARENT, OPAQUE);
}
int GetBkMode(HDC dc) { return GetModeAttribute(dc, &platform::DrawAttributes::bkMode); }

int SetROP2(HDC dc, int mode) {
  return SetModeAttribute(dc, &platform::DrawAttributes::rop2, mode, R2_BLACK, R2_WHITE);
}
int GetROP2(HDC dc) { return GetModeAttribute(dc, &platform::DrawAttributes::rop2); }

int SetStretchBltMode(HDC dc, int mode) {
  return SetModeAttribute(dc, &platform::DrawAttributes::stretchMode, mode, BLACKONWHITE, HALFTONE);
}
int GetStretchBltMode(HDC dc) { return GetModeAttribute(dc, &platform::DrawAttributes::stretchMode); }

namespace {

BOOL Exchange(POINT& target, int x, int y, POINT* previous) {
  if (previous != nullptr) *previous = target;
  target = POINT{x, y};
  return TRUE;
}

BOOL Read(const POINT& source, POINT* out) {
  if (out == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *out = source;
  return TRUE;
}

}  // namespace

BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* previous) {
  DeviceContext* context = LookupDc(dc);
  return context ? Exchange(context->attr.brushOrigin, x, y, previous) : FALSE;
}

BOOL GetBrushOrgEx(HDC dc, POINT* origin) {
  DeviceContext* context = LookupDc(dc);
  return context ? Read(context->attr.brushOrigin, origin) : FALSE;
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* previous) {
  DeviceContext* context = LookupDc(dc);
  return context ? Exchange(context->position, x, y, previous) : FALSE;
}

BOOL GetCurrentPositionEx(HDC dc, POINT* position) {
  DeviceContext* context = LookupDc(dc);
  return context ? Read(context->position, position) : FALSE;
}

BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* previous) {
  DeviceContext* context = LookupDc(dc);
  return context ? Exchange(context->windowOrigin, x, y, previous) : FALSE;
}

BOOL GetWindowOrgEx(HDC dc, POINT* origin) {
  DeviceContext* context = LookupDc(dc);
  return context ? Read(context->windowOrigin, origin) : FALSE;
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous) {
  DeviceContext* context = LookupDc(dc);
  return context ? Exchange(context->viewportOrigin, x, y, previous) : FALSE;
}

BOOL GetViewportOrgEx(HDC dc, POINT* origin) {
  DeviceContext* context = LookupDc(dc);
  return context ? Read(context->viewportOrigin, origin) : FALSE;
}
