// The drawing calls: each looks up its device context, hands the engine the
// selected bitmap's surface, the context's attributes and tools, with every
// coordinate moved from logical to device space by the context's origins.
#include <algorithm>
#include <utility>

#include "platform/BitmapObject.h"
#include "platform/DeviceContext.h"
#include "platform/Raster.h"
#include "platform/Text.h"
#include "platform/Tools.h"

namespace platform {

namespace {

// The context's attributes with its colours resolved for drawing.
DrawAttributes AttributesOf(const DeviceContext& dc) {
  DrawAttributes attr = dc.attr;
  attr.textColor = dc.Resolve(attr.textColor);
  attr.bkColor = dc.Resolve(attr.bkColor);
  return attr;
}

template <class T>
T* Selected(HGDIOBJ handle) {
  ObjectTable* table = Objects();
  GdiObject* object = table ? table->Find(handle) : nullptr;
  return (object != nullptr && object->kind() == T::kKind) ? static_cast<T*>(object) : nullptr;
}

PenSpec PenOf(const DeviceContext& dc) {
  const PenObject* pen = Selected<PenObject>(dc.pen());
  PenSpec described = pen ? pen->ForEngine() : PenSpec{};
  described.color = dc.Resolve(described.color);
  return described;
}

BrushSpec BrushOf(const DeviceContext& dc, const BrushObject* brush) {
  BrushSpec described;
  if (brush == nullptr) {
    described.style = BS_NULL;
    return described;
  }
  described = brush->ForEngine();
  described.color = dc.Resolve(described.color);
  return described;
}

// Source side of a block transfer: nothing, or the source context's surface.
struct Source {
  DeviceContext* dc = nullptr;
  Surface surface;
};

bool SourceOf(HDC handle, Source& source) {
  if (handle == nullptr) return true;
  source.dc = LookupDc(handle);
  if (source.dc == nullptr) return false;
  source.surface = source.dc->surface();
  return true;
}

BOOL Blt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, int sw, int sh, DWORD rop) {
  DeviceContext* dc = LookupDc(dest);
  if (dc == nullptr) return FALSE;
  Source source;
  if (!SourceOf(src, source)) return FALSE;
  const POINT d = dc->ToDevice(x, y);
  POINT s{sx, sy};
  DrawAttributes attr = AttributesOf(*dc);
  if (source.dc != nullptr) {
    s = source.dc->ToDevice(sx, sy);
    attr.srcBkColor = source.dc->Resolve(source.dc->attr.bkColor);
  }
  const Surface target = dc->surface();
  const BrushSpec brush = BrushOf(*dc, Selected<BrushObject>(dc->brush()));
  if (!StretchSurface(target, d.x, d.y, width, height, source.dc ? &source.surface : nullptr, s.x, s.y, sw, sh,
                      &brush, rop, attr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

RECT Ordered(RECT r) {
  if (r.right < r.left) std::swap(r.left, r.right);
  if (r.bottom < r.top) std::swap(r.top, r.bottom);
  return r;
}

}  // namespace

}  // namespace platform

using platform::DeviceContext;
using platform::LookupDc;

BOOL LineTo(HDC dc, int x, int y) {
  DeviceContext* context = LookupDc(dc);
  if (context == nullptr) return FALSE;
  const POINT a = context->ToDevice(context->position.x, context->position.y);
  const POINT b = context->ToDevice(x, y);
  platform::DrawLine(context->surface(), a.x, a.y, b.x, b.y, platform::PenOf(*context),
                     platform::AttributesOf(*context));
  context->position = POINT{x, y};
  return TRUE;
}

BOOL Polyline(HDC dc, const POINT* points, int count) {
  DeviceContext* context = LookupDc(dc);
  if (context == nullptr) return FALSE;
  if (points == nullptr || count < 2) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const platform::Surface surface = context->surface();
  const platform::PenSpec pen = platform::PenOf(*context);
  const platform::DrawAttributes attr = platform::AttributesOf(*context);
  for (int i = 1; i < count; ++i) {
    const POINT a = context->ToDevice(points[i - 1].x, points[i - 1].y);
    const POINT b = context->ToDevice(points[i].x, points[i].y);
    platform::DrawLine(surface, a.x, a.y, b.x, b.y, pen, attr);
  }
  return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  DeviceContext* context = LookupDc(dc);
  if (context == nullptr) return FALSE;
  const RECT r = platform::Ordered(context->ToDevice(RECT{left, top, right, bottom}));
  const platform::BrushSpec brush =
      platform::BrushOf(*context, platform::Selected<platform::BrushObject>(context->brush()));
  platform::DrawRectangleShape(context->surface(), r, platform::PenOf(*context),
                               brush.style == BS_NULL ? nullptr : &brush, platform::AttributesOf(*context));
  return TRUE;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH handle) {
  DeviceContext* context = LookupDc(dc);
  if (context == nullptr) return 0;
  platform::BrushObject* brush = platform::Lookup<platform::BrushObject>(handle);
  if (brush == nullptr) return 0;
  if (rect == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  platform::FillSurface(context->surface(), context->ToDevice(*rect), platform::BrushOf(*context, brush),
                        platform::AttributesOf(*context));
  return 1;
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
  return platform::Blt(dc, x, y, width, height, nullptr, 0, 0, 0, 0, rop);
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  DeviceContext* context = LookupDc(dc);
  if (context == nullptr) return CLR_INVALID;
  const platform::Surface surface = context->surface();
  const POINT p = context->ToDevice(x, y);
  if (p.x < 0 || p.y < 0 || p.x >= surface.width || p.y >= surface.height) return CLR_INVALID;
  const std::uint32_t pixel = platform::ColorToPixel(surface, context->Resolve(color));
  platform::WritePixel(surface, p.x, p.y, pixel);
  return platform::PixelToColor(surface, pixel);
}

COLORREF GetPixel(HDC dc, int x, int y) {
  DeviceContext* context = LookupDc(dc);
  if (context == nullptr) return CLR_INVALID;
  const platform::Surface surface = context->surface();
  const POINT p = context->ToDevice(x, y);
  if (p.x < 0 || p.y < 0 || p.x >= surface.width || p.y >= surface.height) return CLR_INVALID;
  return platform::PixelToColor(surface, platform::ReadPixel(surface, p.x, p.y));
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
  return platform::Blt(dest, x, y, width, height, source, sx, sy, width, height, rop);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh,
                DWORD rop) {
  return platform::Blt(dest, x, y, width, height, source, sx, sy, sw, sh, rop);
}

BOOL MaskBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, HBITMAP mask, int mx, int my,
             DWORD rop4) {
  if (mask == nullptr) return platform::Blt(dest, x, y, width, height, src, sx, sy, width, height, rop4 & 0x00FFFFFFu);
  DeviceContext* dc = LookupDc(dest);
  if (dc == nullptr) return FALSE;
  platform::Source source;
  if (!platform::SourceOf(src, source)) return FALSE;
  platform::BitmapObject* maskBitmap = platform::LookupBitmap(mask);
  if (maskBitmap == nullptr) return FALSE;
  if (maskBitmap->layout.bitsPerPixel != 1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const POINT d = dc->ToDevice(x, y);
  POINT s{sx, sy};
  platform::DrawAttributes attr = platform::AttributesOf(*dc);
  if (source.dc != nullptr) {
    s = source.dc->ToDevice(sx, sy);
    attr.srcBkColor = source.dc->Resolve(source.dc->attr.bkColor);
  }
  const platform::Surface target = dc->surface();
  const platform::BrushSpec brush = platform::BrushOf(*dc, platform::Selected<platform::BrushObject>(dc->brush()));
  if (!platform::MaskSurface(target, d.x, d.y, width, height, source.dc ? &source.surface : nullptr, s.x, s.y,
                             maskBitmap->surface(), mx, my, &brush, rop4, attr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return TRUE;
}

namespace {

const platform::TextFont* FontOf(const DeviceContext& dc) {
  const platform::FontObject* font = platform::Selected<platform::FontObject>(dc.font());
  return font ? platform::ResolveFont(font->font) : nullptr;
}

}  // namespace

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* clip, LPCSTR text, UINT count, const INT* dx) {
  DeviceContext* context = LookupDc(dc);
  if (context == nullptr) return FALSE;
  if (text == nullptr && count > 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const POINT p = context->ToDevice(x, y);
  RECT deviceClip{};
  if (clip != nullptr) deviceClip = context->ToDevice(*clip);
  platform::DrawText(context->surface(), FontOf(*context), p.x, p.y, options, clip ? &deviceClip : nullptr,
                     text ? text : "", count, dx, platform::AttributesOf(*context));
  return TRUE;
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, SIZE* size) {
  DeviceContext* context = LookupDc(dc);
  if (context == nullptr) return FALSE;
  if (size == nullptr || count < 0 || (text == nullptr && count > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *size = platform::MeasureText(FontOf(*context), text ? text : "", static_cast<std::size_t>(count));
  return TRUE;
}
