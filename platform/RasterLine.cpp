// Lines and rectangles. A line is clipped analytically before it is walked, so
// its cost is that of its visible part: a line far outside the surface touches
// nothing and costs nothing.
#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/Raster.h"
#include "platform/RasterRows.h"

namespace platform {

namespace {

using i64 = std::int64_t;
using i128 = __int128;

// Smallest i >= 0 with floor((2*i*m + L) / (2*L)) >= k, for m > 0.
i64 FirstStepReaching(i64 k, i64 m, i64 L) {
  const i128 num = static_cast<i128>(2) * L * k - L;
  const i128 den = static_cast<i128>(2) * m;
  if (num <= 0) return 0;
  const i128 q = (num + den - 1) / den;
  return q > (i128{1} << 62) ? (i64{1} << 62) : static_cast<i64>(q);
}

// On/off run lengths of the dashed cosmetic pens, starting with a dash.
struct DashPattern {
  const int* runs = nullptr;
  int count = 0;
  int period = 0;
};
constexpr int kDash[] = {18, 6};
constexpr int kDot[] = {3, 3};
constexpr int kDashDot[] = {9, 6, 3, 6};
constexpr int kDashDotDot[] = {9, 3, 3, 3, 3, 3};

DashPattern DashOf(UINT style) {
  auto make = [](const int* runs, int count) {
    DashPattern d{runs, count, 0};
    for (int i = 0; i < count; ++i) d.period += runs[i];
    return d;
  };
  switch (style) {
    case PS_DASH:
      return make(kDash, 2);
    case PS_DOT:
      return make(kDot, 2);
    case PS_DASHDOT:
      return make(kDashDot, 4);
    case PS_DASHDOTDOT:
      return make(kDashDotDot, 6);
    default:
      return {};
  }
}

bool InDash(const DashPattern& d, i64 step) {
  int pos = static_cast<int>(step % d.period);
  for (int i = 0; i < d.count; ++i) {
    if (pos < d.runs[i]) return (i & 1) == 0;
    pos -= d.runs[i];
  }
  return true;
}

}  // namespace

void DrawLine(const Surface& dst, int x0, int y0, int x1, int y1, const PenSpec& pen, const DrawAttributes& attr) {
  if (dst.empty() || pen.style == PS_NULL || attr.rop2 == R2_NOP) return;
  const i64 dx = i64{x1} - x0, dy = i64{y1} - y0;
  if (dx == 0 && dy == 0) return;

  const bool xMajor = std::llabs(dx) >= std::llabs(dy);
  const i64 L = xMajor ? std::llabs(dx) : std::llabs(dy);
  const i64 m = xMajor ? std::llabs(dy) : std::llabs(dx);
  const i64 a0 = xMajor ? x0 : y0, b0 = xMajor ? y0 : x0;
  const int sa = (xMajor ? dx : dy) < 0 ? -1 : 1;
  const int sb = (xMajor ? dy : dx) < 0 ? -1 : 1;
  const i64 A = xMajor ? dst.width : dst.height, B = xMajor ? dst.height : dst.width;

  // Step i (0 <= i < L, the end point excluded) draws major coordinate
  // a0 + sa*i and minor coordinate b0 + sb*q(i), q(i) = floor((2im + L) / 2L):
  // the minor offset rounded to nearest, halves away from the start.
  i64 lo = 0, hi = L;
  if (sa > 0) {
    lo = std::max(lo, -a0), hi = std::min(hi, A - a0);
  } else {
    lo = std::max(lo, a0 - A + 1), hi = std::min(hi, a0 + 1);
  }
  // The minor coordinate stays inside when q(i) lies in [qlo, qhi).
  const i64 qlo = sb > 0 ? -b0 : b0 - B + 1;
  const i64 qhi = sb > 0 ? B - b0 : b0 + 1;
  if (m == 0) {
    if (qlo > 0 || qhi <= 0) return;
  } else {
    lo = std::max(lo, FirstStepReaching(qlo, m, L));
    hi = std::min(hi, FirstStepReaching(qhi, m, L));
  }
  if (lo >= hi) return;

  const std::uint32_t penValue = ColorToPixel(dst, pen.color);
  const std::uint32_t gapValue = ColorToPixel(dst, attr.bkColor);
  const DashPattern dash = DashOf(pen.style);
  const bool opaqueGaps = attr.bkMode == OPAQUE;
  const std::uint8_t rop = raster::Rop3FromRop2(attr.rop2);

  const i64 twoL = 2 * L;
  const i128 start = static_cast<i128>(2) * lo * m + L;
  i64 q = static_cast<i64>(start / twoL);
  i64 rem = static_cast<i64>(start % twoL);
  i64 a = a0 + sa * lo;
  const bool bytes24 = dst.bitsPerPixel == 24;
  for (i64 i = lo; i < hi; ++i, a += sa) {
    std::uint32_t value = penValue;
    bool draw = true;
    if (dash.period > 0 && !InDash(dash, i)) {
      draw = opaqueGaps;
      value = gapValue;
    }
    if (draw) {
      const i64 b = b0 + sb * q;
      const int px = static_cast<int>(xMajor ? a : b), py = static_cast<int>(xMajor ? b : a);
      if (bytes24) {
        // The selection outline's case, kept free of per-pixel dispatch.
        std::uint8_t* p = dst.row(py) + std::size_t(px) * 3;
        const std::uint32_t d = p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
        const std::uint32_t r = ApplyRop3(rop, value, 0, d);
        p[0] = static_cast<std::uint8_t>(r);
        p[1] = static_cast<std::uint8_t>(r >> 8);
        p[2] = static_cast<std::uint8_t>(r >> 16);
      } else {
        std::uint32_t d;
        raster::ReadRow(dst, py, px, 1, &d);
        d = ApplyRop3(rop, value, 0, d);
        raster::WriteRow(dst, py, px, 1, &d);
      }
    }
    rem += 2 * m;
    if (rem >= twoL) {
      rem -= twoL;
      ++q;
    }
  }
}

void DrawRectangleShape(const Surface& dst, const RECT& r, const PenSpec& pen, const BrushSpec* brush,
                        const DrawAttributes& attr) {
  i64 left = std::min(r.left, r.right), right = std::max(r.left, r.right);
  i64 top = std::min(r.top, r.bottom), bottom = std::max(r.top, r.bottom);
  if (right - left < 1 || bottom - top < 1) return;
  const bool outlined = pen.style != PS_NULL;
  // Without an outline the filled area is one pixel smaller in each direction,
  // as with the platform's own Rectangle.
  if (brush != nullptr) {
    if (outlined) {
      raster::FillWithMix(dst, left + 1, top + 1, right - 1, bottom - 1, *brush, attr);
    } else {
      raster::FillWithMix(dst, left, top, right - 1, bottom - 1, *brush, attr);
    }
  }
  if (!outlined) return;
  // Each outline pixel is drawn exactly once, so an XOR outline undoes itself.
  // Coordinates beyond the int range cannot reach a surface: clamp them.
  auto c = [](i64 v) { return static_cast<int>(std::clamp<i64>(v, -(i64{1} << 30), i64{1} << 30)); };
  DrawLine(dst, c(left), c(top), c(right), c(top), pen, attr);
  if (bottom - top > 1) DrawLine(dst, c(left), c(bottom - 1), c(right), c(bottom - 1), pen, attr);
  if (bottom - top > 2) {
    DrawLine(dst, c(left), c(top + 1), c(left), c(bottom - 1), pen, attr);
    if (right - left > 1) DrawLine(dst, c(right - 1), c(top + 1), c(right - 1), c(bottom - 1), pen, attr);
  }
}

}  // namespace platform
