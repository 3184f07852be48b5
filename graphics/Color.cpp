#include "graphics/Color.h"

COLORREF ResolveColor(TColor color) noexcept {
  if (color < 0) return GetSysColor(static_cast<int>(color & 0xFF));
  return static_cast<COLORREF>(color);
}
