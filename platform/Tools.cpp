#include "platform/Tools.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace platform {

namespace {

int CopyOut(const void* description, int length, int size, void* buffer) {
  if (buffer == nullptr) return length;
  const int n = std::min(length, size);
  std::memcpy(buffer, description, static_cast<std::size_t>(n));
  return n;
}

template <class T, class D>
HGDIOBJ AddTool(const D& description, bool stock) {
  std::unique_ptr<T> tool;
  try {
    tool = std::make_unique<T>(description);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  tool->stock = stock;
  return AddObject(std::move(tool));
}

std::unique_ptr<BitmapObject> CopyBitmap(const BitmapObject& source) {
  auto copy = MakeBitmap(source.layout.width, source.layout.height, source.layout.bitsPerPixel, source.dib,
                         source.topDown);
  if (!copy) return nullptr;
  std::memcpy(copy->bits(), source.bits(), source.layout.byteSize);
  copy->compression = source.compression;
  std::copy(std::begin(source.masks), std::end(source.masks), copy->masks);
  try {
    copy->colors = source.colors;
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  copy->header = source.header;
  return copy;
}

}  // namespace

int PenObject::Describe(int size, void* buffer) const { return CopyOut(&pen, sizeof pen, size, buffer); }

PenSpec PenObject::ForEngine() const {
  PenSpec s;
  s.style = pen.lopnStyle;
  s.width = pen.lopnWidth.x;
  s.color = pen.lopnColor;
  return s;
}

int BrushObject::Describe(int size, void* buffer) const { return CopyOut(&brush, sizeof brush, size, buffer); }

BrushSpec BrushObject::ForEngine() const {
  BrushSpec s;
  s.style = brush.lbStyle;
  s.color = brush.lbColor;
  s.hatch = brush.lbStyle == BS_HATCHED ? static_cast<int>(brush.lbHatch) : 0;
  s.pattern = brush.lbStyle == BS_PATTERN ? &patternSurface : nullptr;
  return s;
}

int FontObject::Describe(int size, void* buffer) const { return CopyOut(&font, sizeof font, size, buffer); }

HPEN AddPen(const LOGPEN& pen, bool stock) { return As<HPEN>(AddTool<PenObject>(pen, stock)); }

HFONT AddFont(const LOGFONTA& font, bool stock) { return As<HFONT>(AddTool<FontObject>(font, stock)); }

HBRUSH AddBrush(const LOGBRUSH& description, bool stock) {
  std::unique_ptr<BrushObject> brush;
  try {
    brush = std::make_unique<BrushObject>(description);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (description.lbStyle == BS_PATTERN) {
    BitmapObject* source = LookupBitmap(reinterpret_cast<HGDIOBJ>(description.lbHatch));
    if (source == nullptr) return nullptr;
    brush->pattern = CopyBitmap(*source);
    if (!brush->pattern) return nullptr;
    brush->patternSurface = brush->pattern->surface();
  }
  brush->stock = stock;
  return As<HBRUSH>(AddObject(std::move(brush)));
}

}  // namespace platform

HPEN CreatePenIndirect(const LOGPEN* pen) {
  if (pen == nullptr || pen->lopnStyle > PS_INSIDEFRAME) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  LOGPEN description = *pen;
  description.lopnWidth.x = std::max<LONG>(description.lopnWidth.x, 0);
  description.lopnWidth.y = 0;
  return platform::AddPen(description);
}

HPEN CreatePen(int style, int width, COLORREF color) {
  const LOGPEN pen{static_cast<UINT>(style), POINT{width, 0}, color};
  return CreatePenIndirect(&pen);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  const LOGBRUSH brush{BS_SOLID, color, 0};
  return platform::AddBrush(brush);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
  if (brush == nullptr || brush->lbStyle > BS_PATTERN ||
      (brush->lbStyle == BS_HATCHED && brush->lbHatch > static_cast<std::uintptr_t>(HS_DIAGCROSS))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return platform::AddBrush(*brush);
}

HFONT CreateFontIndirectA(const LOGFONTA* font) {
  if (font == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  LOGFONTA description = *font;
  // A face name without its terminating zero is cut rather than read past.
  description.lfFaceName[LF_FACESIZE - 1] = '\0';
  return platform::AddFont(description);
}
