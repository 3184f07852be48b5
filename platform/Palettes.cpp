#include "platform/Palettes.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/DeviceContext.h"
#include "platform/Tools.h"

namespace platform {

namespace {

constexpr PALETTEENTRY Entry(BYTE r, BYTE g, BYTE b) { return PALETTEENTRY{r, g, b, 0}; }

constexpr std::array<PALETTEENTRY, 20> kStaticColors = {
    Entry(0, 0, 0),       Entry(128, 0, 0),     Entry(0, 128, 0),     Entry(128, 128, 0),
    Entry(0, 0, 128),     Entry(128, 0, 128),   Entry(0, 128, 128),   Entry(192, 192, 192),
    Entry(192, 220, 192), Entry(166, 202, 240), Entry(255, 251, 240), Entry(160, 160, 164),
    Entry(128, 128, 128), Entry(255, 0, 0),     Entry(0, 255, 0),     Entry(255, 255, 0),
    Entry(0, 0, 255),     Entry(255, 0, 255),   Entry(0, 255, 255),   Entry(255, 255, 255),
};

std::array<PALETTEENTRY, kHalftoneEntries> BuildHalftone() {
  std::array<PALETTEENTRY, kHalftoneEntries> p{};
  std::size_t n = 0;
  for (std::size_t i = 0; i < 10; ++i) p[n++] = kStaticColors[i];
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        p[n++] = Entry(static_cast<BYTE>(r * 51), static_cast<BYTE>(g * 51), static_cast<BYTE>(b * 51));
  // Twenty greys evenly between black and white, so that grey pictures get
  // finer steps than the cube's six.
  for (int k = 1; k <= 20; ++k) {
    const auto v = static_cast<BYTE>((255 * k + 10) / 21);
    p[n++] = Entry(v, v, v);
  }
  for (std::size_t i = 10; i < 20; ++i) p[n++] = kStaticColors[i];
  return p;
}

template <class E>
std::uint32_t Nearest(const E* entries, std::uint32_t count, COLORREF color, BYTE E::*red, BYTE E::*green,
                      BYTE E::*blue) {
  const int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
  std::uint32_t best = 0;
  int bestDistance = 1 << 30;
  for (std::uint32_t i = 0; i < count; ++i) {
    const int dr = entries[i].*red - r, dg = entries[i].*green - g, db = entries[i].*blue - b;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
      if (distance == 0) break;
    }
  }
  return best;
}

}  // namespace

const std::array<PALETTEENTRY, 20>& StaticColors() { return kStaticColors; }

const std::array<PALETTEENTRY, kHalftoneEntries>& HalftoneColors() {
  static const std::array<PALETTEENTRY, kHalftoneEntries> halftone = BuildHalftone();
  return halftone;
}

std::uint32_t NearestEntry(const PALETTEENTRY* entries, std::uint32_t count, COLORREF color) {
  return Nearest(entries, count, color, &PALETTEENTRY::peRed, &PALETTEENTRY::peGreen, &PALETTEENTRY::peBlue);
}

std::uint32_t NearestEntry(const RGBQUAD* entries, std::uint32_t count, COLORREF color) {
  return Nearest(entries, count, color, &RGBQUAD::rgbRed, &RGBQUAD::rgbGreen, &RGBQUAD::rgbBlue);
}

int PaletteObject::Describe(int size, void* buffer) const {
  if (buffer == nullptr) return sizeof(WORD);
  if (size < static_cast<int>(sizeof(WORD))) return 0;
  const WORD count = static_cast<WORD>(entries.size());
  std::memcpy(buffer, &count, sizeof count);
  return sizeof(WORD);
}

HPALETTE AddPalette(std::vector<PALETTEENTRY> entries, bool stock) {
  std::unique_ptr<PaletteObject> palette;
  try {
    palette = std::make_unique<PaletteObject>(std::move(entries));
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  palette->stock = stock;
  return As<HPALETTE>(AddObject(std::move(palette)));
}

}  // namespace platform

using platform::PaletteObject;

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (palette == nullptr || palette->palVersion != 0x300 || palette->palNumEntries == 0 ||
      palette->palNumEntries > platform::kMaxPaletteEntries) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::vector<PALETTEENTRY> entries;
  try {
    entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return platform::AddPalette(std::move(entries));
}

HPALETTE CreateHalftonePalette(HDC dc) {
  if (dc != nullptr && platform::LookupDc(dc) == nullptr) return nullptr;
  const auto& colors = platform::HalftoneColors();
  std::vector<PALETTEENTRY> entries;
  try {
    entries.assign(colors.begin(), colors.end());
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return platform::AddPalette(std::move(entries));
}

UINT GetPaletteEntries(HPALETTE handle, UINT start, UINT count, PALETTEENTRY* entries) {
  PaletteObject* palette = platform::Lookup<PaletteObject>(handle);
  if (palette == nullptr) return 0;
  const auto size = static_cast<UINT>(palette->entries.size());
  if (entries == nullptr) return size;
  if (start >= size) return 0;
  const UINT n = std::min(count, size - start);
  std::copy_n(palette->entries.begin() + start, n, entries);
  return n;
}

UINT SetPaletteEntries(HPALETTE handle, UINT start, UINT count, const PALETTEENTRY* entries) {
  PaletteObject* palette = platform::Lookup<PaletteObject>(handle);
  if (palette == nullptr) return 0;
  const auto size = static_cast<UINT>(palette->entries.size());
  if (entries == nullptr || start >= size || palette->stock) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const UINT n = std::min(count, size - start);
  std::copy_n(entries, n, palette->entries.begin() + start);
  return n;
}

UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries) {
  if (platform::LookupDc(dc) == nullptr) return 0;
  // The screen keeps the halftone palette as its system palette, so the static
  // colours sit at both of its ends as on a palette device.
  const auto& system = platform::HalftoneColors();
  if (entries == nullptr) return platform::kHalftoneEntries;
  if (start >= platform::kHalftoneEntries) return 0;
  const UINT n = std::min(count, platform::kHalftoneEntries - start);
  std::copy_n(system.begin() + start, n, entries);
  return n;
}

UINT GetNearestPaletteIndex(HPALETTE handle, COLORREF color) {
  PaletteObject* palette = platform::Lookup<PaletteObject>(handle);
  if (palette == nullptr) return CLR_INVALID;
  if (palette->entries.empty()) return CLR_INVALID;
  return platform::NearestEntry(palette->entries.data(), static_cast<std::uint32_t>(palette->entries.size()),
                                color & 0x00FFFFFFu);
}

HPALETTE SelectPalette(HDC dc, HPALETTE handle, BOOL /*forceBackground*/) {
  platform::DeviceContext* context = platform::LookupDc(dc);
  if (context == nullptr) return nullptr;
  if (platform::Lookup<PaletteObject>(handle) == nullptr) return nullptr;
  return platform::As<HPALETTE>(context->Select(handle));
}

UINT RealizePalette(HDC dc) {
  platform::DeviceContext* context = platform::LookupDc(dc);
  if (context == nullptr) return CLR_INVALID;
  // A true-colour screen shows every colour as it is: nothing is mapped into a
  // system palette, so no entry changes.
  return 0;
}

BOOL UnrealizeObject(HGDIOBJ handle) {
  platform::ObjectTable* table = platform::Objects();
  platform::GdiObject* object = table ? table->Find(handle) : nullptr;
  if (object == nullptr ||
      (object->kind() != platform::ObjectKind::Brush && object->kind() != platform::ObjectKind::Palette)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
