#include "graphics/Orientation.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "graphics/Bitmap.h"
#include "graphics/BmpFormat.h"
#include "graphics/DeviceGuards.h"
#include "platform/BitmapLayout.h"
#include "runtime/Exceptions.h"
#include "runtime/Strings.h"

using graphics::TMemoryContext;
using graphics::TOwnedBitmap;
using graphics::TSelection;

namespace {

// The rows of a section's pixel memory by index, top first, whichever way the
// section stores them.
struct PixelRows {
  std::uint8_t* top = nullptr;
  std::ptrdiff_t step = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  int bitsPerPixel = 0;

  std::uint8_t* Row(std::int64_t y) const { return top + static_cast<std::ptrdiff_t>(y) * step; }
};

PixelRows RowsOf(const DIBSECTION& d) {
  if (d.dsBm.bmBits == nullptr) throw EInvalidGraphicOperation(strings::ScanLine);
  PixelRows rows;
  rows.width = d.dsBmih.biWidth;
  rows.height = std::abs(d.dsBmih.biHeight);
  rows.bitsPerPixel = d.dsBmih.biBitCount;
  const auto stride = static_cast<std::ptrdiff_t>(platform::DibStride(rows.width, rows.bitsPerPixel));
  auto* bits = static_cast<std::uint8_t*>(d.dsBm.bmBits);
  // A positive height is a bottom-up section: its top row is stored last.
  const bool bottomUp = d.dsBmih.biHeight > 0;
  rows.top = bottomUp ? bits + (rows.height - 1) * stride : bits;
  rows.step = bottomUp ? -stride : stride;
  return rows;
}

// Where the pixel at column x, row y of the upright picture is stored:
// column = column0 + x * columnPerX + y * columnPerY, row likewise. Five to
// eight take a stored column for each upright row.
struct SourceMap {
  std::int64_t column0, columnPerX, columnPerY;
  std::int64_t row0, rowPerX, rowPerY;

  bool Swaps() const { return columnPerX == 0; }
};

SourceMap MapFor(int orientation, std::int64_t width, std::int64_t height) {
  const std::int64_t right = width - 1, bottom = height - 1;
  switch (orientation) {
    case 2: return {right, -1, 0, 0, 0, 1};
    case 3: return {right, -1, 0, bottom, 0, -1};
    case 4: return {0, 1, 0, bottom, 0, -1};
    case 5: return {0, 0, 1, 0, 1, 0};
    case 6: return {0, 0, 1, bottom, -1, 0};
    case 7: return {right, 0, -1, bottom, -1, 0};
    case 8: return {right, 0, -1, 0, 1, 0};
    default: return {0, 1, 0, 0, 0, 1};
  }
}

// Calls f with the pixel's size in bytes as a std::integral_constant: 1, 2 or
// 3 for 8, 16 or 24 bits, 4 for any other depth.
template <class F>
void ForPixelBytes(int bitsPerPixel, F f) {
  switch (bitsPerPixel) {
    case 8: return f(std::integral_constant<std::size_t, 1>{});
    case 16: return f(std::integral_constant<std::size_t, 2>{});
    case 24: return f(std::integral_constant<std::size_t, 3>{});
    default: return f(std::integral_constant<std::size_t, 4>{});
  }
}

// Pixels of whole bytes (8, 16, 24 or 32 bits) are moved as N-byte blocks. A
// 24-bit pixel moves as four bytes where that is safe: the fourth is read from
// the next pixel of the row and written over the next pixel, which the move
// after it writes again. So neither the last pixel of a source row is read,
// nor the last pixel of a target row written, four bytes wide.
template <std::size_t N>
inline void MovePixel(std::uint8_t* to, const std::uint8_t* from) {
  std::memcpy(to, from, N);
}

inline void MoveWide(std::uint8_t* to, const std::uint8_t* from) {
  std::uint32_t pixel;
  std::memcpy(&pixel, from, 4);
  std::memcpy(to, &pixel, 4);
}

#if defined(__x86_64__) || defined(__i386__)
// Sixteen 24-bit pixels (48 bytes, three vectors) end for end: which byte of
// which input vector each byte of each output vector takes (0x80: none).
struct ReverseMasks {
  alignas(16) std::uint8_t lane[3][3][16];  // [output vector][input vector][byte]
};

constexpr ReverseMasks MakeReverseMasks() {
  ReverseMasks masks{};
  for (int j = 0; j < 48; ++j) {
    const int source = 45 - 3 * (j / 3) + j % 3;  // output pixel p is input pixel 15 - p
    for (int v = 0; v < 3; ++v) masks.lane[j / 16][v][j % 16] = source / 16 == v ? source % 16 : 0x80;
  }
  return masks;
}

constexpr ReverseMasks kReverseMasks = MakeReverseMasks();

// Reverses the first width / 16 * 16 pixels of the output from the end of
// from; returns how many it did. The first output vector takes bytes of the
// last two input vectors only, the last output vector of the first two.
__attribute__((target("ssse3"))) std::int32_t CopyReversed24Blocks(std::uint8_t* to, const std::uint8_t* from,
                                                                   std::int32_t width) {
  auto mask = [](int o, int v) { return _mm_load_si128(reinterpret_cast<const __m128i*>(kReverseMasks.lane[o][v])); };
  const __m128i m01 = mask(0, 1), m02 = mask(0, 2), m10 = mask(1, 0), m11 = mask(1, 1), m12 = mask(1, 2),
                m20 = mask(2, 0), m21 = mask(2, 1);
  std::int32_t x = 0;
  for (; x + 16 <= width; x += 16) {
    const std::uint8_t* block = from + std::ptrdiff_t{width - x - 16} * 3;
    const __m128i in0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
    const __m128i in1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16));
    const __m128i in2 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 32));
    auto* out = reinterpret_cast<__m128i*>(to + std::ptrdiff_t{x} * 3);
    _mm_storeu_si128(out, _mm_or_si128(_mm_shuffle_epi8(in1, m01), _mm_shuffle_epi8(in2, m02)));
    _mm_storeu_si128(out + 1, _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(in0, m10), _mm_shuffle_epi8(in1, m11)),
                                           _mm_shuffle_epi8(in2, m12)));
    _mm_storeu_si128(out + 2, _mm_or_si128(_mm_shuffle_epi8(in0, m20), _mm_shuffle_epi8(in1, m21)));
  }
  return x;
}

bool HasSsse3() {
  static const bool has = __builtin_cpu_supports("ssse3");
  return has;
}
#endif

// Copies a row of width pixels end for end: pixel x of `to` is pixel
// width - 1 - x of `from`.
template <std::size_t N>
void CopyReversed(std::uint8_t* to, const std::uint8_t* from, std::int32_t width) {
  std::int32_t x = 0;
  if constexpr (N == 3) {
#if defined(__x86_64__) || defined(__i386__)
    if (HasSsse3()) x = CopyReversed24Blocks(to, from, width);
#endif
  }
  const std::uint8_t* last = from + std::ptrdiff_t{width - 1} * N;
  if constexpr (N == 3) {
    if (x < width - 1) {
      MovePixel<3>(to + x * 3, last - x * 3);
      for (++x; x < width - 1; ++x) MoveWide(to + x * 3, last - x * 3);
    }
  }
  for (; x < width; ++x) MovePixel<N>(to + x * std::ptrdiff_t{N}, last - x * std::ptrdiff_t{N});
}

// Upright columns xBegin to xEnd - 1 of a turn that makes stored columns
// upright rows (five to eight). Tile by tile, so that the stored rows a tile
// reads stay in the cache while it is turned; band by band of upright rows, so
// that those are written from start to end.
template <std::size_t N>
void TurnColumns(const PixelRows& from, const PixelRows& to, const SourceMap& map, std::int32_t xBegin,
                 std::int32_t xEnd) {
  constexpr std::int32_t kTile = 64;
  // Stored rows follow each other at a fixed distance, the way upright
  // columns do.
  const std::ptrdiff_t rowStep = map.rowPerX * from.step;
  for (std::int32_t tileY = 0; tileY < to.height; tileY += kTile) {
    const std::int32_t tileEnd = std::min(tileY + kTile, to.height);
    const std::int64_t firstColumn =
        std::min(map.column0 + tileY * map.columnPerY, map.column0 + (tileEnd - 1) * map.columnPerY);
    for (std::int32_t tileX = xBegin; tileX < xEnd; tileX += kTile) {
      const std::int32_t tileWidth = std::min(kTile, xEnd - tileX);
      // The last pixel of the columns is written narrow: the one after it may
      // be the last of the row, or written already.
      const std::int32_t wideWidth = tileX + tileWidth == xEnd ? tileWidth - 1 : tileWidth;
      const std::uint8_t* firstRow = from.Row(map.row0 + tileX * map.rowPerX);
      // While this tile is turned, the next one's stored rows are fetched.
      const std::int32_t nextWidth = std::min(kTile, xEnd - tileX - tileWidth);
      for (std::int32_t i = 0; i < nextWidth; ++i) {
        const std::uint8_t* next = firstRow + (tileWidth + i) * rowStep + firstColumn * std::ptrdiff_t{N};
        for (std::size_t b = 0; b < kTile * N; b += 64) __builtin_prefetch(next + b);
      }
      for (std::int32_t y = tileY; y < tileEnd; ++y) {
        const std::int64_t column = map.column0 + y * map.columnPerY;
        // From firstRow to the pixel read next, in bytes.
        std::ptrdiff_t source = static_cast<std::ptrdiff_t>(column) * std::ptrdiff_t{N};
        std::uint8_t* target = to.Row(y) + std::ptrdiff_t{tileX} * N;
        std::int32_t i = 0;
        if constexpr (N == 3) {
          if (column < from.width - 1)
            for (; i < wideWidth; ++i, source += rowStep) MoveWide(target + i * 3, firstRow + source);
        }
        for (; i < tileWidth; ++i, source += rowStep) MovePixel<N>(target + i * std::ptrdiff_t{N}, firstRow + source);
      }
    }
  }
}

template <std::size_t N>
void TurnBytes(const PixelRows& from, const PixelRows& to, const SourceMap& map) {
  if (map.Swaps()) return TurnColumns<N>(from, to, map, 0, to.width);
  // A stored row becomes an upright row, read forwards or backwards.
  for (std::int32_t y = 0; y < to.height; ++y) {
    const std::uint8_t* source = from.Row(map.row0 + y * map.rowPerY);
    if (map.columnPerX > 0) {
      std::memcpy(to.Row(y), source, N * static_cast<std::size_t>(to.width));
    } else {
      CopyReversed<N>(to.Row(y), source, to.width);
    }
  }
}

// Pixels of 1 or 4 bits, packed from the high bits of each byte.
unsigned GetPacked(const std::uint8_t* row, std::int64_t x, int bits) {
  const std::int64_t bit = x * bits;
  const int shift = 8 - bits - static_cast<int>(bit % 8);
  return (row[bit / 8] >> shift) & ((1u << bits) - 1);
}

void SetPacked(std::uint8_t* row, std::int64_t x, int bits, unsigned value) {
  const std::int64_t bit = x * bits;
  const int shift = 8 - bits - static_cast<int>(bit % 8);
  const unsigned mask = ((1u << bits) - 1) << shift;
  row[bit / 8] = static_cast<std::uint8_t>((row[bit / 8] & ~mask) | (value << shift));
}

void TurnPacked(const PixelRows& from, const PixelRows& to, const SourceMap& map) {
  const int bits = from.bitsPerPixel;
  for (std::int32_t y = 0; y < to.height; ++y) {
    std::uint8_t* target = to.Row(y);
    for (std::int32_t x = 0; x < to.width; ++x) {
      const std::int64_t column = map.column0 + x * map.columnPerX + y * map.columnPerY;
      const std::int64_t row = map.row0 + x * map.rowPerX + y * map.rowPerY;
      SetPacked(target, x, bits, GetPacked(from.Row(row), column, bits));
    }
  }
}

void TurnInto(const PixelRows& from, const PixelRows& to, const SourceMap& map) {
  if (from.bitsPerPixel < 8) return TurnPacked(from, to, map);
  ForPixelBytes(from.bitsPerPixel, [&](auto n) { TurnBytes<n>(from, to, map); });
}

// Two to four without a second picture: rows swap top for bottom, and are
// mirrored on the way through a spare row.
template <std::size_t N>
void TurnBytesInPlace(const PixelRows& rows, int orientation) {
  const std::size_t bytes = N * static_cast<std::size_t>(rows.width);
  std::vector<std::uint8_t> spare(bytes);
  auto move = [&](std::uint8_t* to, const std::uint8_t* from) {
    if (orientation == 4) {
      std::memcpy(to, from, bytes);
    } else {
      CopyReversed<N>(to, from, rows.width);
    }
  };
  if (orientation == 2) {
    for (std::int32_t y = 0; y < rows.height; ++y) {
      move(spare.data(), rows.Row(y));
      std::memcpy(rows.Row(y), spare.data(), bytes);
    }
    return;
  }
  for (std::int32_t y = 0, other = rows.height - 1; y <= other; ++y, --other) {
    move(spare.data(), rows.Row(other));
    if (y < other) move(rows.Row(other), rows.Row(y));
    std::memcpy(rows.Row(y), spare.data(), bytes);
  }
}

void TurnInPlace(const PixelRows& rows, int orientation) {
  ForPixelBytes(rows.bitsPerPixel, [&](auto n) { TurnBytesInPlace<n>(rows, orientation); });
}

// A new bottom-up section of the given size in the layout of the stored one:
// its depth, colour masks and colour table. Owned by the caller.
HBITMAP NewSectionLike(HBITMAP stored, const DIBSECTION& d, std::int32_t width, std::int32_t height) {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD table[bmp::kMaxColors];  // the colour table, or three masks
  } info{};
  info.header = d.dsBmih;
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = height;
  info.header.biSizeImage = 0;
  info.header.biClrImportant = 0;
  if (width != d.dsBmih.biWidth) std::swap(info.header.biXPelsPerMeter, info.header.biYPelsPerMeter);
  if (d.dsBmih.biBitCount <= 8) {
    DeselectFromCanvases(stored);
    TMemoryContext dc;
    TSelection selected(dc.Get(), stored);
    info.header.biClrUsed = GetDIBColorTable(dc.Get(), 0, bmp::kMaxColors, info.table);
  } else if (d.dsBmih.biCompression == BI_BITFIELDS) {
    std::memcpy(info.table, d.dsBitfields, sizeof d.dsBitfields);
  }
  void* bits = nullptr;
  return GraphicsCheck(
      CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
}

}  // namespace

void TurnUpright(TBitmap& bitmap, int orientation) {
  if (orientation < 2 || orientation > 8 || bitmap.IsEmpty()) return;
  TBitmapImage& image = bitmap.Image();
  const int bits = bitmap.HandleKind() == hkDIB ? image.DIB.dsBmih.biBitCount : 0;
  if (orientation <= 4 && bits >= 8 && image.UserCount() < 2) {
    bitmap.PrepareToModify();
    GdiFlush();
    TurnInPlace(RowsOf(bitmap.Image().DIB), orientation);
    bitmap.NotifyChanged(&bitmap);
    return;
  }
  // The stored pixels are read where they are, shared or not: a device
  // bitmap through its section copy.
  bitmap.EnsureHandle();
  bitmap.EnsureSection();
  GdiFlush();
  const DIBSECTION stored = bitmap.Image().DIB;
  const PixelRows from = RowsOf(stored);
  const SourceMap map = MapFor(orientation, from.width, from.height);
  TOwnedBitmap made(map.Swaps() ? NewSectionLike(bitmap.Image().SectionHandle, stored, from.height, from.width)
                                : NewSectionLike(bitmap.Image().SectionHandle, stored, from.width, from.height));
  DIBSECTION turned{};
  if (GetObject(made.Get(), sizeof turned, &turned) != static_cast<int>(sizeof turned)) RaiseGraphicsError();
  TurnInto(from, RowsOf(turned), map);
  bitmap.SetBitmapHandle(made.Get());
  made.Release();
}

namespace graphics {

struct UprightRows::State {
  explicit State(TBitmap& upright) : bitmap(upright) {}

  TBitmap& bitmap;
  SourceMap map{};
  PixelRows to;
  std::int32_t storedWidth = 0;
  std::int32_t storedHeight = 0;
  std::size_t rowBytes = 0;
  // A spare row for two and three, a band of stored rows for five to eight.
  std::vector<std::uint8_t> spare;
  std::int32_t bandRows = 0;
  std::int64_t bandStart = 0;  // the stored row in the band's first row
  std::int64_t bandEnd = 0;    // one past the last row written into it
};

UprightRows::UprightRows(TBitmap& upright, int orientation, int bytesPerPixel)
    : state_(std::make_unique<State>(upright)) {
  State& s = *state_;
  if (bytesPerPixel < 1 || bytesPerPixel > 4 || orientation < 1 || orientation > 8)
    throw EInvalidGraphicOperation(strings::ScanLine);
  s.to.bitsPerPixel = bytesPerPixel * 8;
  Refresh();
  const bool swaps = orientation >= 5;
  s.storedWidth = swaps ? s.to.height : s.to.width;
  s.storedHeight = swaps ? s.to.width : s.to.height;
  s.map = MapFor(orientation, s.storedWidth, s.storedHeight);
  s.rowBytes = static_cast<std::size_t>(s.storedWidth) * static_cast<std::size_t>(bytesPerPixel);
  if (s.map.Swaps()) {
    constexpr std::size_t kBandBytes = std::size_t{1} << 20;
    s.bandRows = static_cast<std::int32_t>(std::clamp<std::size_t>(kBandBytes / std::max<std::size_t>(s.rowBytes, 1), 1, 64));
    s.spare.resize(s.rowBytes * static_cast<std::size_t>(s.bandRows));
  } else if (s.map.columnPerX < 0) {
    s.spare.resize(s.rowBytes);
  }
}

UprightRows::~UprightRows() = default;

void UprightRows::Refresh() {
  State& s = *state_;
  s.to.width = s.bitmap.Width();
  s.to.height = s.bitmap.Height();
  if (s.to.width <= 0 || s.to.height <= 0) throw EInvalidGraphicOperation(strings::ScanLine);
  s.to.top = s.bitmap.ScanLineAddress(0);
  s.to.step = s.to.height > 1 ? s.bitmap.ScanLineAddress(1) - s.to.top : 0;
}

std::uint8_t* UprightRows::Row(std::int64_t y) {
  State& s = *state_;
  if (y < 0 || y >= s.storedHeight) throw EInvalidGraphicOperation(strings::ScanLine);
  if (s.map.Swaps()) {
    if (y < s.bandStart || y >= s.bandStart + s.bandRows) {
      Flush();
      s.bandStart = s.bandEnd = y;
    }
    s.bandEnd = std::max(s.bandEnd, y + 1);
    return s.spare.data() + static_cast<std::size_t>(y - s.bandStart) * s.rowBytes;
  }
  if (s.map.columnPerX < 0) return s.spare.data();
  // Upright row u shows stored row row0 + u * rowPerY, and rowPerY is 1 or -1.
  return s.to.Row((y - s.map.row0) * s.map.rowPerY);
}

void UprightRows::Written(std::int64_t y) {
  State& s = *state_;
  if (s.map.Swaps()) {
    if (y + 1 == s.bandStart + s.bandRows || y + 1 == s.storedHeight) Flush();
    return;
  }
  if (s.map.columnPerX > 0) return;
  std::uint8_t* target = s.to.Row((y - s.map.row0) * s.map.rowPerY);
  ForPixelBytes(s.to.bitsPerPixel, [&](auto n) { CopyReversed<n>(target, s.spare.data(), s.to.width); });
}

void UprightRows::Flush() {
  State& s = *state_;
  if (!s.map.Swaps() || s.bandEnd <= s.bandStart) return;
  // The band as a picture of its own rows: stored row r is band row
  // r - bandStart, and upright column x shows stored row row0 + x * rowPerX.
  PixelRows band;
  band.top = s.spare.data();
  band.step = static_cast<std::ptrdiff_t>(s.rowBytes);
  band.width = s.storedWidth;
  band.height = static_cast<std::int32_t>(s.bandEnd - s.bandStart);
  band.bitsPerPixel = s.to.bitsPerPixel;
  SourceMap local = s.map;
  local.row0 -= s.bandStart;
  // The upright columns of stored rows bandStart .. bandEnd - 1.
  const std::int64_t a = (s.bandStart - s.map.row0) * s.map.rowPerX;
  const std::int64_t b = (s.bandEnd - 1 - s.map.row0) * s.map.rowPerX;
  const auto xBegin = static_cast<std::int32_t>(std::min(a, b));
  const auto xEnd = static_cast<std::int32_t>(std::max(a, b) + 1);
  ForPixelBytes(s.to.bitsPerPixel, [&](auto n) { TurnColumns<n>(band, s.to, local, xBegin, xEnd); });
  s.bandStart = s.bandEnd;
}

}  // namespace graphics
