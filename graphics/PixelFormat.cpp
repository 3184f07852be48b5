#include "graphics/PixelFormat.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "graphics/Bitmap.h"
#include "graphics/Canvas.h"
#include "graphics/Color.h"
#include "graphics/DeviceGuards.h"
#include "platform/Windows.h"
#include "runtime/Exceptions.h"
#include "runtime/Strings.h"

using graphics::TMemoryContext;
using graphics::TOwnedBitmap;
using graphics::TOwnedPalette;
using graphics::TPaletteSelection;
using graphics::TScreenContext;
using graphics::TSelection;

namespace {

HPALETTE systemPalette16 = nullptr;

constexpr std::uint32_t kMaxColors = 256;

// A LOGPALETTE with room for every entry a bitmap can have.
struct TPaletteBlock {
  WORD palVersion = 0x300;
  WORD palNumEntries = 0;
  PALETTEENTRY palPalEntry[kMaxColors];

  const LOGPALETTE* Get() const { return reinterpret_cast<const LOGPALETTE*>(this); }
};
static_assert(offsetof(TPaletteBlock, palPalEntry) == offsetof(LOGPALETTE, palPalEntry));

// The description handed to the platform for a new section: the header, then
// either three masks or the colour table, as a BMP file has them.
struct TBitmapInfoBlock {
  BITMAPINFOHEADER header;
  union {
    DWORD masks[3];
    RGBQUAD colors[kMaxColors];
  };

  TBitmapInfoBlock() : header{}, colors{} {}
  BITMAPINFO* Get() { return reinterpret_cast<BITMAPINFO*>(this); }
};
static_assert(offsetof(TBitmapInfoBlock, colors) == sizeof(BITMAPINFOHEADER));

bool IsEmptySize(const DIBSECTION& d) {
  if (d.dsBmih.biSize != 0) return d.dsBmih.biWidth == 0 || d.dsBmih.biHeight == 0;
  return d.dsBm.bmWidth == 0 || d.dsBm.bmHeight == 0;
}

void SwapRedBlue(PALETTEENTRY& entry) {
  std::swap(entry.peRed, entry.peBlue);
  entry.peFlags = 0;
}

// Fills the new bitmap selected in dc: the canvas's brush and colours, or white.
void PaintBackground(HDC dc, TCanvas* canvas, const DIBSECTION& d, int width, int height, bool setMonoTable) {
  if (canvas == nullptr) {
    PatBlt(dc, 0, 0, width, height, WHITENESS);
    return;
  }
  const RECT area{0, 0, width, height};
  FillRect(dc, &area, canvas->Brush().Handle());
  const COLORREF text = ResolveColor(canvas->Font().Color());
  const COLORREF back = ResolveColor(canvas->Brush().Color());
  SetTextColor(dc, text);
  SetBkColor(dc, back);
  if (setMonoTable && d.dsBmih.biBitCount == 1) {
    const RGBQUAD table[2] = {{GetBValue(text), GetGValue(text), GetRValue(text), 0},
                              {GetBValue(back), GetGValue(back), GetRValue(back), 0}};
    SetDIBColorTable(dc, 0, 2, table);
  }
}

}  // namespace

HPALETTE SystemPalette16() noexcept { return systemPalette16; }

TFailureReason PlatformFailureReason() {
  const DWORD code = GetLastError();
  const TFailureKind kind = code == ERROR_NOT_ENOUGH_MEMORY ? TFailureKind::OverAvailableMemory : TFailureKind::Other;
  return TFailureReason{kind, platform::LastErrorDetail()};
}

[[noreturn]] void RaiseGraphicsError() {
  const DWORD code = GetLastError();
  TFailureReason reason = PlatformFailureReason();
  if (code != ERROR_SUCCESS) {
    std::array<char, 256> text{};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                        0x400, text.data(), static_cast<DWORD>(text.size()), nullptr);
    if (length != 0)
      throw WithReason(EOutOfResources(std::string(text.data(), std::min<std::size_t>(length, text.size()))),
                       std::move(reason));
  }
  throw WithReason(EOutOfResources(strings::OutOfResources), std::move(reason));
}

void FillBitFields(DIBSECTION& d) {
  if ((d.dsBmih.biCompression & 3) == 0 || d.dsBitfields[0] != 0) return;
  if (d.dsBmih.biBitCount == 16) {
    d.dsBitfields[0] = 0xF800;
    d.dsBitfields[1] = 0x07E0;
    d.dsBitfields[2] = 0x001F;
  } else if (d.dsBmih.biBitCount == 32) {
    d.dsBitfields[0] = 0xFF0000;
    d.dsBitfields[1] = 0x00FF00;
    d.dsBitfields[2] = 0x0000FF;
  }
}

HPALETTE DuplicatePalette(HPALETTE palette) {
  if (palette == nullptr) return nullptr;
  WORD count = 0;
  if (GetObject(palette, sizeof count, &count) == 0 || count == 0) return nullptr;
  TPaletteBlock block;
  block.palNumEntries = static_cast<WORD>(std::min<std::uint32_t>(count, kMaxColors));
  block.palNumEntries = static_cast<WORD>(GetPaletteEntries(palette, 0, block.palNumEntries, block.palPalEntry));
  if (block.palNumEntries == 0) return nullptr;
  return GraphicsCheck(CreatePalette(block.Get()));
}

HPALETTE PaletteFromColorTable(HBITMAP section, const RGBQUAD* table, std::uint32_t count) {
  std::array<RGBQUAD, kMaxColors> colors{};
  std::uint32_t n = 0;
  if (section != nullptr) {
    TMemoryContext dc;
    TSelection selected(dc.Get(), section, false);
    if (selected.Selected()) n = GetDIBColorTable(dc.Get(), 0, kMaxColors, colors.data());
  } else if (table != nullptr) {
    n = std::min(count, kMaxColors);
    std::copy_n(table, n, colors.begin());
  }
  if (n == 0) return nullptr;

  TPaletteBlock block;
  block.palNumEntries = static_cast<WORD>(n);
  bool fromSystem = false;
  if (n == 16 && systemPalette16 != nullptr) {
    TScreenContext screen;
    if (GetDeviceCaps(screen.Get(), SIZEPALETTE) >= 16) {
      // On a palette device a 16-colour picture shows in the system's own 16
      // colours, so it must not compete with them for palette slots.
      fromSystem = GetPaletteEntries(systemPalette16, 0, 16, block.palPalEntry) == 16;
    }
  }
  if (!fromSystem) {
    for (std::uint32_t i = 0; i < n; ++i) {
      std::memcpy(&block.palPalEntry[i], &colors[i], sizeof(RGBQUAD));
      SwapRedBlue(block.palPalEntry[i]);
    }
  }
  return GraphicsCheck(CreatePalette(block.Get()));
}

UINT PaletteToColorTable(HPALETTE palette, RGBQUAD* table, UINT highestIndex) {
  if (palette == nullptr || table == nullptr) return 0;
  WORD count = 0;
  if (GetObject(palette, sizeof count, &count) == 0 || count == 0) return 0;
  const UINT n = std::min<UINT>({count, highestIndex + 1, kMaxColors});
  std::array<PALETTEENTRY, kMaxColors> entries{};
  const UINT read = GetPaletteEntries(palette, 0, n, entries.data());
  for (UINT i = 0; i < read; ++i) {
    SwapRedBlue(entries[i]);
    std::memcpy(&table[i], &entries[i], sizeof(RGBQUAD));
  }
  return read;
}

void RefreshColorTable(HBITMAP section, HPALETTE palette, const DIBSECTION& d) {
  if (section == nullptr || d.dsBmih.biBitCount > 8) return;
  std::array<RGBQUAD, kMaxColors> colors{};
  const UINT n = PaletteToColorTable(palette, colors.data(), kMaxColors - 1);
  if (n == 0) return;
  TScreenContext screen;
  TMemoryContext dc(screen.Get());
  TSelection selected(dc.Get(), section);
  SetDIBColorTable(dc.Get(), 0, n, colors.data());
}

namespace {

// Makes the section D describes, with its colour table or masks, and converts
// source's pixels straight into it when only the depth changes. Answers whether
// it did; otherwise the section still has to be drawn.
bool MakeSection(HDC screen, HDC dc, HBITMAP source, const DIBSECTION& s, HPALETTE newPalette, DIBSECTION& d,
                 TOwnedBitmap& made) {
  TBitmapInfoBlock info;
  d.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
  d.dsBmih.biPlanes = 1;
  if (d.dsBmih.biBitCount == 0)
    d.dsBmih.biBitCount = static_cast<WORD>(GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES));
  info.header = d.dsBmih;
  d.dsBm.bmWidth = d.dsBmih.biWidth;
  d.dsBm.bmHeight = d.dsBmih.biHeight;

  if (d.dsBmih.biBitCount <= 8) {
    if (d.dsBmih.biBitCount == 1 && (source == nullptr || s.dsBm.bmBits == nullptr)) {
      info.colors[0] = RGBQUAD{0, 0, 0, 0};
      info.colors[1] = RGBQUAD{255, 255, 255, 0};
    } else if (newPalette != nullptr) {
      PaletteToColorTable(newPalette, info.colors, kMaxColors - 1);
    } else if (source != nullptr) {
      TSelection selected(dc, source);
      UINT entries = 0;
      if (s.dsBmih.biSize > 0 && s.dsBm.bmBits != nullptr) entries = GetDIBColorTable(dc, 0, kMaxColors, info.colors);
      // A device bitmap, or a section deeper than 8 bits, has no table to
      // give: the target takes the platform's standard one for its depth.
      if (entries == 0) {
        GetDIBits(dc, source, 0, static_cast<UINT>(std::abs(d.dsBmih.biHeight)), nullptr, info.Get(),
                  DIB_RGB_COLORS);
        // The query rewrites the header's image size; the section follows the
        // caller's description.
        info.header = d.dsBmih;
      }
    }
  }
  if ((d.dsBmih.biBitCount == 16 || d.dsBmih.biBitCount == 32) && (d.dsBmih.biCompression & 3) != 0) {
    FillBitFields(d);
    std::copy(std::begin(d.dsBitfields), std::end(d.dsBitfields), info.masks);
  }

  void* bits = nullptr;
  made.Reset(GraphicsCheck(CreateDIBSection(screen, info.Get(), DIB_RGB_COLORS, &bits, nullptr, 0)));
  if (bits == nullptr) RaiseGraphicsError();

  if (source == nullptr || d.dsBmih.biWidth != s.dsBm.bmWidth || d.dsBmih.biHeight != s.dsBm.bmHeight ||
      d.dsBmih.biBitCount <= 8)
    return false;
  // Only the depth changes: the platform converts the rows straight, with no
  // drawing, palette or canvas involved.
  const UINT rows = static_cast<UINT>(std::abs(d.dsBmih.biHeight));
  if (GetDIBits(dc, source, 0, rows, bits, info.Get(), DIB_RGB_COLORS) != static_cast<int>(rows))
    RaiseGraphicsError();
  return true;
}

// Paints the background into made and draws source at the top-left over it.
void DrawOldPixels(HDC screen, HDC dc, HBITMAP made, HBITMAP source, HPALETTE oldPalette, HPALETTE newPalette,
                   TCanvas* canvas, const DIBSECTION& d, bool setMonoTable) {
  // A top-down section describes its height as negative; the drawing covers
  // its rows all the same.
  const int width = d.dsBm.bmWidth;
  const int height = std::abs(d.dsBm.bmHeight);
  TSelection target(dc, made);
  TPaletteSelection targetPalette(dc, newPalette, false);
  PaintBackground(dc, canvas, d, width, height, setMonoTable);
  if (source == nullptr) return;
  TMemoryContext sourceDc(screen);
  TSelection selected(sourceDc.Get(), source);
  TPaletteSelection sourcePalette(sourceDc.Get(), oldPalette, false);
  if (canvas != nullptr) {
    SetTextColor(sourceDc.Get(), ResolveColor(canvas->Font().Color()));
    SetBkColor(sourceDc.Get(), ResolveColor(canvas->Brush().Color()));
  }
  BitBlt(dc, 0, 0, width, height, sourceDc.Get(), 0, 0, SRCCOPY);
}

}  // namespace

HBITMAP ConvertBitmap(HBITMAP source, HPALETTE oldPalette, HPALETTE newPalette, TCanvas* canvas, DIBSECTION& d) {
  if (IsEmptySize(d)) return nullptr;
  DeselectFromCanvases(source);
  DIBSECTION s{};
  if (source != nullptr && GetObject(source, sizeof s, &s) < static_cast<int>(sizeof(BITMAP)))
    throw EInvalidGraphic(strings::InvalidBitmap);

  // Whether the old image was a section, as the caller described it, decides
  // the colours of a new 1-bit section drawn with a canvas.
  const bool setMonoTable = d.dsBm.bmBits != nullptr;
  TOwnedBitmap made;
  {
    TScreenContext screen;
    TMemoryContext dc(screen.Get());
    bool converted = false;
    if (d.dsBmih.biSize >= sizeof(BITMAPINFOHEADER)) {
      converted = MakeSection(screen.Get(), dc.Get(), source, s, newPalette, d, made);
    } else if ((d.dsBm.bmPlanes | d.dsBm.bmBitsPixel) == 1) {
      made.Reset(GraphicsCheck(CreateBitmap(d.dsBm.bmWidth, d.dsBm.bmHeight, 1, 1, nullptr)));
    } else {
      made.Reset(GraphicsCheck(CreateCompatibleBitmap(screen.Get(), d.dsBm.bmWidth, d.dsBm.bmHeight)));
    }
    if (!converted)
      DrawOldPixels(screen.Get(), dc.Get(), made.Get(), source, oldPalette, newPalette, canvas, d, setMonoTable);
  }
  GetObject(made.Get(), sizeof d, &d);
  return made.Release();
}

void RebuildImage(TBitmap& bitmap, HBITMAP handle, HPALETTE palette, DIBSECTION d) {
  bitmap.ReleaseDeviceContext();
  TOwnedPalette newPalette(palette == systemPalette16 ? palette : DuplicatePalette(palette));
  TOwnedBitmap newHandle(ConvertBitmap(handle, palette, newPalette.Get(),
                                       bitmap.HasCanvas() ? &bitmap.Canvas() : nullptr, d));
  bitmap.ReplaceImage(newHandle.Get(), newPalette.Get(), nullptr, bitmap.Image().CoreFormat, d);
  newHandle.Release();
  newPalette.Release();
}

bool MaskedStretch(HDC destDc, int x, int y, int width, int height, HDC sourceDc, int sourceX, int sourceY,
                   int sourceWidth, int sourceHeight, HDC maskDc, int maskX, int maskY) {
  if (sourceWidth == width && sourceHeight == height) {
    TOwnedBitmap scratch(GraphicsCheck(CreateCompatibleBitmap(sourceDc, 1, 1)));
    const auto mask = static_cast<HBITMAP>(SelectObject(maskDc, scratch.Get()));
    // MaskBlt wants the mask as a bitmap selected nowhere; it goes back into
    // its context before the scratch bitmap is deleted, failures included.
    struct TRestoreMask {
      HDC dc;
      HBITMAP mask;
      ~TRestoreMask() {
        if (mask != nullptr) SelectObject(dc, mask);
      }
    } restore{maskDc, mask};
    MaskBlt(destDc, x, y, width, height, sourceDc, sourceX, sourceY, mask, maskX, maskY,
            MAKEROP4(0x00AA0029, SRCCOPY));
    return true;
  }

  TMemoryContext memory;
  TOwnedBitmap scratch(GraphicsCheck(CreateCompatibleBitmap(sourceDc, sourceWidth, sourceHeight)));
  TSelection selected(memory.Get(), scratch.Get());
  // The source context's palette comes out when another goes in.
  HPALETTE sourcePalette = nullptr;
  if (systemPalette16 != nullptr) {
    sourcePalette = SelectPalette(sourceDc, systemPalette16, TRUE);
    if (sourcePalette != nullptr) SelectPalette(sourceDc, sourcePalette, TRUE);
  }
  TPaletteSelection palette(memory.Get(), sourcePalette != nullptr ? sourcePalette : systemPalette16, true);

  StretchBlt(memory.Get(), 0, 0, sourceWidth, sourceHeight, maskDc, maskX, maskY, sourceWidth, sourceHeight,
             SRCCOPY);
  StretchBlt(memory.Get(), 0, 0, sourceWidth, sourceHeight, sourceDc, sourceX, sourceY, sourceWidth, sourceHeight,
             SRCERASE);
  const COLORREF oldText = SetTextColor(destDc, 0);
  const COLORREF oldBack = SetBkColor(destDc, 0x00FFFFFF);
  StretchBlt(destDc, x, y, width, height, maskDc, maskX, maskY, sourceWidth, sourceHeight, SRCAND);
  StretchBlt(destDc, x, y, width, height, memory.Get(), 0, 0, sourceWidth, sourceHeight, SRCINVERT);
  SetTextColor(destDc, oldText);
  SetBkColor(destDc, oldBack);
  return true;
}

namespace graphics::detail {

void CreateSystemPalette16() {
  static constexpr PALETTEENTRY kStandard[16] = {
      {0, 0, 0, 0},       {128, 0, 0, 0},   {0, 128, 0, 0},   {128, 128, 0, 0},
      {0, 0, 128, 0},     {128, 0, 128, 0}, {0, 128, 128, 0}, {128, 128, 128, 0},
      {192, 192, 192, 0}, {255, 0, 0, 0},   {0, 255, 0, 0},   {255, 255, 0, 0},
      {0, 0, 255, 0},     {255, 0, 255, 0}, {0, 255, 255, 0}, {255, 255, 255, 0},
  };
  TPaletteBlock block;
  block.palNumEntries = 16;
  std::copy(std::begin(kStandard), std::end(kStandard), block.palPalEntry);
  {
    TScreenContext screen;
    const int size = GetDeviceCaps(screen.Get(), SIZEPALETTE);
    if ((GetDeviceCaps(screen.Get(), RASTERCAPS) & RC_PALETTE) != 0 && size >= 16) {
      // A palette device keeps its static colours at both ends of the system
      // palette: the first eight and the last eight.
      GetSystemPaletteEntries(screen.Get(), 0, 8, block.palPalEntry);
      GetSystemPaletteEntries(screen.Get(), static_cast<UINT>(size - 8), 8, block.palPalEntry + 8);
      const PALETTEENTRY& seventh = block.palPalEntry[7];
      if (seventh.peRed == 192 && seventh.peGreen == 192 && seventh.peBlue == 192) {
        std::swap(block.palPalEntry[7], block.palPalEntry[8]);
      }
    }
  }
  systemPalette16 = GraphicsCheck(CreatePalette(block.Get()));
}

void DestroySystemPalette16() {
  if (systemPalette16 != nullptr) DeleteObject(systemPalette16);
  systemPalette16 = nullptr;
}

}  // namespace graphics::detail
