#include "platform/StockObjects.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "platform/BitmapObject.h"
#include "platform/Palettes.h"
#include "platform/Tools.h"

namespace platform {

namespace {

constexpr int kStockCount = DEFAULT_PALETTE + 1;
HGDIOBJ gStock[kStockCount] = {};
HBITMAP gStockBitmap = nullptr;

bool AddStockBitmap() {
  auto bitmap = MakeBitmap(1, 1, 1, false, true);
  if (!bitmap) return false;
  bitmap->stock = true;
  gStockBitmap = As<HBITMAP>(AddObject(std::move(bitmap)));
  return gStockBitmap != nullptr;
}

}  // namespace

bool CreateStockObjects() {
  const struct {
    int index;
    COLORREF color;
  } brushes[] = {{WHITE_BRUSH, RGB(255, 255, 255)}, {LTGRAY_BRUSH, RGB(192, 192, 192)},
                 {GRAY_BRUSH, RGB(128, 128, 128)},  {DKGRAY_BRUSH, RGB(64, 64, 64)},
                 {BLACK_BRUSH, RGB(0, 0, 0)}};
  for (const auto& b : brushes) gStock[b.index] = AddBrush(LOGBRUSH{BS_SOLID, b.color, 0}, true);
  gStock[NULL_BRUSH] = AddBrush(LOGBRUSH{BS_NULL, 0, 0}, true);
  gStock[WHITE_PEN] = AddPen(LOGPEN{PS_SOLID, POINT{0, 0}, RGB(255, 255, 255)}, true);
  gStock[BLACK_PEN] = AddPen(LOGPEN{PS_SOLID, POINT{0, 0}, RGB(0, 0, 0)}, true);
  gStock[NULL_PEN] = AddPen(LOGPEN{PS_NULL, POINT{0, 0}, RGB(0, 0, 0)}, true);

  // The system font of a Japanese desktop: its character set tells the
  // graphics layer to default to the Japanese gothic face.
  LOGFONTA system{};
  system.lfHeight = 16;
  system.lfWeight = FW_BOLD;
  system.lfCharSet = SHIFTJIS_CHARSET;
  system.lfPitchAndFamily = VARIABLE_PITCH;
  std::strncpy(system.lfFaceName, "System", LF_FACESIZE - 1);
  gStock[SYSTEM_FONT] = AddFont(system, true);

  const auto& statics = StaticColors();
  gStock[DEFAULT_PALETTE] = AddPalette(std::vector<PALETTEENTRY>(statics.begin(), statics.end()), true);

  if (!AddStockBitmap()) return false;
  for (int index : {WHITE_BRUSH, LTGRAY_BRUSH, GRAY_BRUSH, DKGRAY_BRUSH, BLACK_BRUSH, NULL_BRUSH, WHITE_PEN,
                    BLACK_PEN, NULL_PEN, SYSTEM_FONT, DEFAULT_PALETTE})
    if (gStock[index] == nullptr) return false;
  return true;
}

void ForgetStockObjects() {
  std::fill(std::begin(gStock), std::end(gStock), nullptr);
  gStockBitmap = nullptr;
}

HGDIOBJ StockObject(int index) {
  if (index < 0 || index >= kStockCount) return nullptr;
  return gStock[index];
}

HBITMAP StockBitmap() { return gStockBitmap; }

}  // namespace platform
