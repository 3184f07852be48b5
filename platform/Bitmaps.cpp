// Bitmaps: DIB sections, device-dependent bitmaps and the conversions between
// them and callers' DIB memory.
#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/BitmapObject.h"
#include "platform/DeviceContext.h"
#include "platform/Palettes.h"
#include "platform/PixelConvert.h"
#include "platform/Rle.h"
#include "platform/StockObjects.h"
#include "platform/Windows.h"

namespace platform {

namespace {

// The 16 colours of the classic 4-bit table, in its order.
constexpr RGBQUAD kVgaColors[16] = {
    {0, 0, 0, 0},     {0, 0, 128, 0},     {0, 128, 0, 0},   {0, 128, 128, 0},
    {128, 0, 0, 0},   {128, 0, 128, 0},   {128, 128, 0, 0}, {128, 128, 128, 0},
    {192, 192, 192, 0}, {0, 0, 255, 0},   {0, 255, 0, 0},   {0, 255, 255, 0},
    {255, 0, 0, 0},   {255, 0, 255, 0},   {255, 255, 0, 0}, {255, 255, 255, 0},
};

bool ValidDepth(int bpp) {
  return bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32;
}

// A caller's BITMAPINFO, read and checked once.
struct DibFormat {
  std::int32_t width = 0;
  std::int32_t height = 0;  // rows, positive
  bool topDown = false;
  int bpp = 0;
  DWORD compression = BI_RGB;
  DWORD masks[3] = {0, 0, 0};
  std::vector<RGBQUAD> colors;
};

// Where the masks and the colour table of a BITMAPINFO stand: the masks are the
// three DWORDs after the first 40 header bytes (inside a longer header), the
// colour table follows the header and, after a 40-byte header, the masks.
std::uint8_t* MasksOf(BITMAPINFO* info) { return reinterpret_cast<std::uint8_t*>(info) + 40; }
const std::uint8_t* MasksOf(const BITMAPINFO* info) { return reinterpret_cast<const std::uint8_t*>(info) + 40; }

std::uint8_t* ColorTableOf(BITMAPINFO* info) {
  std::size_t offset = info->bmiHeader.biSize;
  if (info->bmiHeader.biSize == 40 && info->bmiHeader.biCompression == BI_BITFIELDS) offset += 12;
  return reinterpret_cast<std::uint8_t*>(info) + offset;
}
const std::uint8_t* ColorTableOf(const BITMAPINFO* info) { return ColorTableOf(const_cast<BITMAPINFO*>(info)); }

std::uint32_t TableSize(const BITMAPINFOHEADER& h) {
  if (h.biBitCount > 8) return 0;
  const std::uint32_t full = 1u << h.biBitCount;
  return h.biClrUsed != 0 ? std::min(h.biClrUsed, full) : full;
}

bool Fail(DWORD error) {
  SetLastError(error);
  return false;
}

// Reads a caller's description of DIB memory. Colour indices (DIB_PAL_COLORS)
// are resolved through the context's palette.
bool ReadDibFormat(const BITMAPINFO* info, UINT usage, const DeviceContext* dc, bool allowRle, DibFormat& f) {
  if (info == nullptr) return Fail(ERROR_INVALID_PARAMETER);
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biPlanes != 1 || !ValidDepth(h.biBitCount) || h.biWidth <= 0 ||
      h.biHeight == 0 || h.biHeight == INT32_MIN)
    return Fail(ERROR_INVALID_PARAMETER);
  switch (h.biCompression) {
    case BI_RGB: break;
    case BI_BITFIELDS:
      if (h.biBitCount != 16 && h.biBitCount != 32) return Fail(ERROR_INVALID_PARAMETER);
      break;
    case BI_RLE8:
    case BI_RLE4:
      if (!allowRle || h.biHeight < 0 || h.biBitCount != (h.biCompression == BI_RLE8 ? 8 : 4))
        return Fail(ERROR_INVALID_PARAMETER);
      break;
    default: return Fail(ERROR_INVALID_PARAMETER);
  }
  if (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS) return Fail(ERROR_INVALID_PARAMETER);
  f.width = h.biWidth;
  f.height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  f.topDown = h.biHeight < 0;
  f.bpp = h.biBitCount;
  f.compression = h.biCompression;
  if (h.biCompression == BI_BITFIELDS) std::memcpy(f.masks, MasksOf(info), sizeof f.masks);
  const std::uint32_t n = TableSize(h);
  try {
    f.colors.resize(n);
  } catch (const std::bad_alloc&) {
    return Fail(ERROR_NOT_ENOUGH_MEMORY);
  }
  const std::uint8_t* table = ColorTableOf(info);
  if (usage == DIB_RGB_COLORS) {
    if (n > 0) std::memcpy(f.colors.data(), table, n * sizeof(RGBQUAD));
  } else {
    const PaletteObject* palette = dc ? Lookup<PaletteObject>(dc->palette()) : nullptr;
    for (std::uint32_t i = 0; i < n; ++i) {
      WORD index;
      std::memcpy(&index, table + 2 * i, sizeof index);
      PALETTEENTRY e{0, 0, 0, 0};
      if (palette != nullptr && index < palette->entries.size()) e = palette->entries[index];
      f.colors[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
    }
  }
  return true;
}

// A surface over `rows` rows of a caller's DIB memory in format f; rows are
// top-down or bottom-up as f says.
bool CallerSurface(const DibFormat& f, void* bits, std::int32_t rows, Surface& s) {
  BitmapLayout layout;
  if (!ComputeBitmapLayout(f.width, rows, f.bpp, kDibAlignment, layout)) return Fail(ERROR_INVALID_PARAMETER);
  s.width = f.width;
  s.height = rows;
  s.bitsPerPixel = f.bpp;
  auto* base = static_cast<std::uint8_t*>(bits);
  const auto stride = static_cast<std::ptrdiff_t>(layout.stride);
  s.top = f.topDown || rows == 0 ? base : base + stride * (rows - 1);
  s.pitch = f.topDown ? stride : -stride;
  s.colors = f.colors.empty() ? nullptr : f.colors.data();
  s.colorCount = static_cast<std::int32_t>(f.colors.size());
  std::copy(f.masks, f.masks + 3, s.masks);
  return true;
}

// The block of a bitmap that scan lines [start, start + lines) cover, scans
// counted from the bottom for bottom-up memory and from the top for top-down.
struct ScanBlock {
  int firstRow = 0;  // top row of the block in the bitmap
  int rows = 0;
};

ScanBlock Scans(const BitmapObject& b, const DibFormat& f, UINT start, UINT lines) {
  const auto height = static_cast<std::uint32_t>(b.layout.height);
  if (start >= height) return {};
  const auto n = static_cast<int>(std::min({lines, height - start, static_cast<std::uint32_t>(f.height)}));
  const int first = f.topDown ? static_cast<int>(start) : static_cast<int>(height - start) - n;
  return {first, n};
}

class RleToBitmap final : public RleSink {
 public:
  RleToBitmap(const Surface& target, const DibFormat& f) : target_(target), writer_(target), rleHeight_(f.height) {
    for (std::size_t i = 0; i < f.colors.size() && i < 256; ++i)
      colors_[i] = (Bgrx{f.colors[i].rgbRed} << 16) | (Bgrx{f.colors[i].rgbGreen} << 8) | f.colors[i].rgbBlue;
  }
  void Put(int x, int y, const std::uint8_t* indices, int count) override {
    // Scans count from the bottom in both pictures.
    const int row = target_.height - rleHeight_ + y;
    if (row < 0 || row >= target_.height || x >= target_.width) return;
    const int n = std::min(count, target_.width - x);
    for (int i = 0; i < n; ++i) line_[i] = colors_[indices[i]];
    writer_.Write(x, row, n, line_);
  }

 private:
  Surface target_;
  RowWriter writer_;
  int rleHeight_;
  Bgrx colors_[256] = {};
  Bgrx line_[256] = {};
};

int SetBits(BitmapObject& b, const DeviceContext* dc, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
            UINT usage) {
  DibFormat f;
  if (!ReadDibFormat(info, usage, dc, true, f)) return 0;
  if (bits == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const Surface target = b.surface();
  if (f.compression == BI_RLE8 || f.compression == BI_RLE4) {
    // The data's length is biSizeImage: the caller's buffer holds that many bytes.
    RleToBitmap sink(target, f);
    if (!DecodeRle(static_cast<const std::uint8_t*>(bits), info->bmiHeader.biSizeImage, f.bpp, f.width, f.height, sink)) {
      return 0;
    }
    return std::min(f.height, target.height);
  }
  const ScanBlock block = Scans(b, f, start, lines);
  if (block.rows == 0) return 0;
  Surface source;
  if (!CallerSurface(f, const_cast<void*>(bits), block.rows, source)) return 0;
  return ConvertPixels(source, 0, 0, target, 0, block.firstRow, f.width, block.rows);
}

// The format a new device-dependent bitmap takes in a context: that of the
// bitmap selected into a memory context (monochrome for its stock bitmap), the
// screen's otherwise.
int DeviceDepthOf(const DeviceContext* dc) {
  if (dc == nullptr || !dc->memory()) return kScreenBitsPerPixel;
  ObjectTable* table = Objects();
  GdiObject* object = table ? table->Find(dc->bitmap()) : nullptr;
  if (object != nullptr && static_cast<BitmapObject*>(object)->layout.bitsPerPixel == 1) return 1;
  return kScreenBitsPerPixel;
}

HBITMAP AddBitmap(std::unique_ptr<BitmapObject> bitmap) {
  if (!bitmap) return nullptr;
  return As<HBITMAP>(AddObject(std::move(bitmap)));
}

}  // namespace

Surface BitmapObject::surface() const {
  Surface s;
  if (!pixels || layout.width <= 0 || layout.height <= 0) return s;
  const auto stride = static_cast<std::ptrdiff_t>(layout.stride);
  s.width = layout.width;
  s.height = layout.height;
  s.bitsPerPixel = layout.bitsPerPixel;
  s.top = topDown ? pixels.get() : pixels.get() + stride * (layout.height - 1);
  s.pitch = topDown ? stride : -stride;
  s.colors = colors.empty() ? nullptr : colors.data();
  s.colorCount = static_cast<std::int32_t>(colors.size());
  if (compression == BI_BITFIELDS) std::copy(masks, masks + 3, s.masks);
  return s;
}

int BitmapObject::Describe(int size, void* buffer) const {
  BITMAP bm{};
  bm.bmType = 0;
  bm.bmWidth = layout.width;
  bm.bmHeight = layout.height;
  bm.bmWidthBytes = static_cast<LONG>(layout.stride);
  bm.bmPlanes = 1;
  bm.bmBitsPixel = static_cast<WORD>(layout.bitsPerPixel);
  bm.bmBits = dib ? pixels.get() : nullptr;
  if (buffer == nullptr) return dib ? sizeof(DIBSECTION) : sizeof(BITMAP);
  if (dib && size >= static_cast<int>(sizeof(DIBSECTION))) {
    DIBSECTION ds{};
    ds.dsBm = bm;
    ds.dsBmih = header;
    if (compression == BI_BITFIELDS) std::copy(masks, masks + 3, ds.dsBitfields);
    ds.dshSection = nullptr;
    ds.dsOffset = 0;
    std::memcpy(buffer, &ds, sizeof ds);
    return sizeof(DIBSECTION);
  }
  if (size < static_cast<int>(sizeof(BITMAP))) return 0;
  std::memcpy(buffer, &bm, sizeof bm);
  return sizeof(BITMAP);
}

std::unique_ptr<BitmapObject> MakeBitmap(std::int64_t width, std::int64_t height, int bitsPerPixel, bool dib,
                                         bool topDown) {
  BitmapLayout layout;
  if (!ComputeBitmapLayout(width, height, bitsPerPixel, dib ? kDibAlignment : kDeviceAlignment, layout)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    SetLastErrorDetail("a bitmap of " + std::to_string(width) + " x " + std::to_string(height) + " at " +
                       std::to_string(bitsPerPixel) + " bits is past the largest the platform makes");
    return nullptr;
  }
  std::unique_ptr<BitmapObject> bitmap;
  try {
    bitmap = std::make_unique<BitmapObject>();
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  bitmap->pixels = AllocatePixels(layout);
  if (!bitmap->pixels) return nullptr;  // the last error and its detail are set
  bitmap->layout = layout;
  bitmap->dib = dib;
  // Device-dependent bitmaps are stored top-down, as CreateBitmap's bits come.
  bitmap->topDown = dib ? topDown : true;
  return bitmap;
}

}  // namespace platform

using platform::BitmapObject;
using platform::DeviceContext;

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (width < 0 || height < 0 || planes != 1 || (bitsPerPixel != 1 && bitsPerPixel != 32)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (width == 0 || height == 0) return platform::StockBitmap();
  auto bitmap = platform::MakeBitmap(width, height, static_cast<int>(bitsPerPixel), false, true);
  if (!bitmap) return nullptr;
  if (bits != nullptr) std::memcpy(bitmap->bits(), bits, bitmap->layout.byteSize);
  return platform::AddBitmap(std::move(bitmap));
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  DeviceContext* context = platform::LookupDc(dc);
  if (context == nullptr) return nullptr;
  if (width < 0 || height < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (width == 0 || height == 0) return platform::StockBitmap();
  return platform::AddBitmap(platform::MakeBitmap(width, height, platform::DeviceDepthOf(context), false, true));
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD /*offset*/) {
  if (bits != nullptr) *bits = nullptr;
  DeviceContext* context = nullptr;
  if (dc != nullptr && (context = platform::LookupDc(dc)) == nullptr) return nullptr;
  if (section != nullptr) {
    // Sections over file mappings are not offered here.
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  platform::DibFormat f;
  if (!platform::ReadDibFormat(info, usage, context, false, f)) return nullptr;
  auto bitmap = platform::MakeBitmap(f.width, f.height, f.bpp, true, f.topDown);
  if (!bitmap) return nullptr;
  bitmap->compression = f.compression;
  std::copy(f.masks, f.masks + 3, bitmap->masks);
  bitmap->colors = std::move(f.colors);
  BITMAPINFOHEADER& h = bitmap->header;
  h = info->bmiHeader;
  h.biSize = sizeof(BITMAPINFOHEADER);
  h.biSizeImage = static_cast<DWORD>(bitmap->layout.byteSize);
  if (h.biBitCount <= 8) h.biClrUsed = static_cast<DWORD>(bitmap->colors.size());
  void* memory = bitmap->bits();
  HBITMAP handle = platform::AddBitmap(std::move(bitmap));
  if (handle != nullptr && bits != nullptr) *bits = memory;
  return handle;
}

HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits, const BITMAPINFO* info,
                       UINT usage) {
  DeviceContext* context = nullptr;
  if (dc != nullptr && (context = platform::LookupDc(dc)) == nullptr) return nullptr;
  if (header == nullptr || header->biWidth <= 0 || header->biHeight == 0 || header->biHeight == INT32_MIN) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const std::int64_t height = header->biHeight < 0 ? -std::int64_t{header->biHeight} : header->biHeight;
  auto bitmap = platform::MakeBitmap(header->biWidth, height, platform::DeviceDepthOf(context), false, true);
  if (!bitmap) return nullptr;
  if ((init & CBM_INIT) != 0 && bits != nullptr && info != nullptr) {
    if (platform::SetBits(*bitmap, context, 0, static_cast<UINT>(height), bits, info, usage) == 0) return nullptr;
  }
  return platform::AddBitmap(std::move(bitmap));
}

// Colour tables are always written as RGB entries: no caller asks for palette
// indices here.
int GetDIBits(HDC dc, HBITMAP handle, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT /*usage*/) {
  DeviceContext* context = platform::LookupDc(dc);
  if (context == nullptr) return 0;
  BitmapObject* bitmap = platform::LookupBitmap(handle);
  if (bitmap == nullptr) return 0;
  if (info == nullptr || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  BITMAPINFOHEADER& h = info->bmiHeader;
  const platform::BitmapLayout& layout = bitmap->layout;
  if (bits == nullptr && h.biBitCount == 0) {
    // The description query: the bitmap's own format, no colour table.
    // A device-dependent bitmap whose rows padded to 4 bytes would pass the
    // size limit has no DIB size to give: biSizeImage is 0 then.
    platform::BitmapLayout dibLayout;
    const bool describable = platform::ComputeBitmapLayout(layout.width, layout.height, layout.bitsPerPixel,
                                                           platform::kDibAlignment, dibLayout);
    h.biWidth = layout.width;
    h.biHeight = bitmap->dib && bitmap->topDown ? -layout.height : layout.height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(layout.bitsPerPixel);
    h.biCompression = bitmap->dib ? bitmap->compression : BI_RGB;
    h.biSizeImage = describable ? static_cast<DWORD>(dibLayout.byteSize) : 0;
    h.biXPelsPerMeter = bitmap->dib ? bitmap->header.biXPelsPerMeter : 0;
    h.biYPelsPerMeter = bitmap->dib ? bitmap->header.biYPelsPerMeter : 0;
    h.biClrUsed = 0;
    h.biClrImportant = 0;
    return layout.height;
  }
  if (h.biPlanes != 1 || !platform::ValidDepth(h.biBitCount) || h.biWidth <= 0 || h.biHeight == 0 ||
      h.biHeight == INT32_MIN ||
      (h.biCompression != BI_RGB && !(h.biCompression == BI_BITFIELDS && (h.biBitCount == 16 || h.biBitCount == 32)))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // The colour table the pixels are written against: the bitmap's own when it
  // has the same depth, else the platform's standard table for the depth.
  if (h.biBitCount <= 8) {
    const std::uint32_t full = 1u << h.biBitCount;
    std::vector<RGBQUAD> table(full, RGBQUAD{0, 0, 0, 0});
    if (bitmap->dib && layout.bitsPerPixel == h.biBitCount && !bitmap->colors.empty()) {
      std::copy_n(bitmap->colors.begin(), std::min<std::size_t>(bitmap->colors.size(), full), table.begin());
    } else if (h.biBitCount == 1) {
      table[1] = RGBQUAD{255, 255, 255, 0};
    } else if (h.biBitCount == 4) {
      std::copy(std::begin(platform::kVgaColors), std::end(platform::kVgaColors), table.begin());
    } else {
      const auto& halftone = platform::HalftoneColors();
      for (std::size_t i = 0; i < full; ++i)
        table[i] = RGBQUAD{halftone[i].peBlue, halftone[i].peGreen, halftone[i].peRed, 0};
    }
    std::memcpy(platform::ColorTableOf(info), table.data(), full * sizeof(RGBQUAD));
  } else if (h.biCompression == BI_BITFIELDS) {
    DWORD masks[3];
    std::memcpy(masks, platform::MasksOf(info), sizeof masks);
    if (masks[0] == 0 && masks[1] == 0 && masks[2] == 0) {
      if (bitmap->compression == BI_BITFIELDS && layout.bitsPerPixel == h.biBitCount) {
        std::copy(bitmap->masks, bitmap->masks + 3, masks);
      } else if (h.biBitCount == 16) {
        masks[0] = 0xF800, masks[1] = 0x07E0, masks[2] = 0x001F;
      } else {
        masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
      }
      std::memcpy(platform::MasksOf(info), masks, sizeof masks);
    }
  }
  platform::DibFormat f;
  if (!platform::ReadDibFormat(info, DIB_RGB_COLORS, context, false, f)) return 0;
  platform::BitmapLayout target;
  if (platform::ComputeBitmapLayout(f.width, f.height, f.bpp, platform::kDibAlignment, target))
    h.biSizeImage = static_cast<DWORD>(target.byteSize);
  if (bits == nullptr) return layout.height;
  const platform::ScanBlock block = platform::Scans(*bitmap, f, start, lines);
  if (block.rows == 0) return 0;
  platform::Surface buffer;
  if (!platform::CallerSurface(f, bits, block.rows, buffer)) return 0;
  return platform::ConvertPixels(bitmap->surface(), 0, block.firstRow, buffer, 0, 0, f.width, block.rows);
}

int SetDIBits(HDC dc, HBITMAP handle, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage) {
  DeviceContext* context = nullptr;
  if (dc != nullptr && (context = platform::LookupDc(dc)) == nullptr) return 0;
  BitmapObject* bitmap = platform::LookupBitmap(handle);
  if (bitmap == nullptr) return 0;
  return platform::SetBits(*bitmap, context, start, lines, bits, info, usage);
}

namespace {

BitmapObject* SelectedSection(HDC dc) {
  DeviceContext* context = platform::LookupDc(dc);
  if (context == nullptr) return nullptr;
  platform::ObjectTable* table = platform::Objects();
  platform::GdiObject* object = table->Find(context->bitmap());
  if (object == nullptr) return nullptr;
  auto* bitmap = static_cast<BitmapObject*>(object);
  return bitmap->dib ? bitmap : nullptr;
}

}  // namespace

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors) {
  BitmapObject* section = SelectedSection(dc);
  if (section == nullptr || colors == nullptr || start >= section->colors.size()) return 0;
  const UINT n = std::min<UINT>(count, static_cast<UINT>(section->colors.size()) - start);
  std::copy_n(section->colors.begin() + start, n, colors);
  return n;
}

UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors) {
  BitmapObject* section = SelectedSection(dc);
  if (section == nullptr || colors == nullptr || start >= section->colors.size()) return 0;
  const UINT n = std::min<UINT>(count, static_cast<UINT>(section->colors.size()) - start);
  std::copy_n(colors, n, section->colors.begin() + start);
  return n;
}
