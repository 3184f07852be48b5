// Logical palettes and the fixed colour tables of this true-colour platform: the
// 20 static colours, the halftone palette and the system palette built from them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/Objects.h"
#include "platform/Windows.h"

namespace platform {

// Most entries one logical palette may hold.
inline constexpr std::uint32_t kMaxPaletteEntries = 1024;
// Entries of the halftone and of the system palette.
inline constexpr std::uint32_t kHalftoneEntries = 256;

class PaletteObject final : public GdiObject {
 public:
  static constexpr ObjectKind kKind = ObjectKind::Palette;
  explicit PaletteObject(std::vector<PALETTEENTRY> entries)
      : GdiObject(kKind), entries(std::move(entries)) {}
  int Describe(int size, void* buffer) const override;

  std::vector<PALETTEENTRY> entries;
};

// The 20 colours a palette device keeps for itself: ten at the start of its
// system palette and ten at the end.
const std::array<PALETTEENTRY, 20>& StaticColors();
// The halftone palette: the first ten static colours, a 6 x 6 x 6 colour cube,
// twenty greys between the cube's greys, the last ten static colours.
const std::array<PALETTEENTRY, kHalftoneEntries>& HalftoneColors();

// Index of the entry nearest to `color` (red, green, blue distance squared; the
// lowest index among equals). `count` must be at least 1.
std::uint32_t NearestEntry(const PALETTEENTRY* entries, std::uint32_t count, COLORREF color);
std::uint32_t NearestEntry(const RGBQUAD* entries, std::uint32_t count, COLORREF color);

// Makes a palette object from entries; null (ERROR_NOT_ENOUGH_MEMORY recorded)
// when the table is full.
HPALETTE AddPalette(std::vector<PALETTEENTRY> entries, bool stock = false);

}  // namespace platform
