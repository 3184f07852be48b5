#include "platform/PixelConvert.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/Palettes.h"

namespace platform {

namespace {

constexpr RGBQUAD kBlack{0, 0, 0, 0};
constexpr RGBQUAD kWhite{255, 255, 255, 0};

void DefaultMasks(const Surface& s, DWORD out[3]) {
  if (s.masks[0] != 0 || s.masks[1] != 0 || s.masks[2] != 0) {
    std::copy(s.masks, s.masks + 3, out);
  } else if (s.bitsPerPixel == 16) {
    out[0] = 0x7C00;
    out[1] = 0x03E0;
    out[2] = 0x001F;
  } else {
    out[0] = 0xFF0000;
    out[1] = 0x00FF00;
    out[2] = 0x0000FF;
  }
}

// The contiguous run of a mask starting at its lowest set bit.
void MaskToChannel(DWORD mask, int& shift, int& bits) {
  if (mask == 0) {
    shift = bits = 0;
    return;
  }
  shift = std::countr_zero(mask);
  bits = std::countr_one(mask >> shift);
}

// Widens an n-bit channel value to 8 bits by repeating its bits, so that full
// scale stays full scale (31 of 5 bits becomes 255).
std::uint8_t Widen(std::uint32_t v, int bits) {
  if (bits >= 8) return static_cast<std::uint8_t>(v >> (bits - 8));
  std::uint32_t r = 0;
  for (int pos = 8 - bits;; pos -= bits) {
    r |= pos >= 0 ? v << pos : v >> -pos;
    if (pos <= 0) break;
  }
  return static_cast<std::uint8_t>(r);
}

// The colour of every index of a 1-, 4- or 8-bit surface. A monochrome bitmap
// without a table is black and white; an index past the table reads black.
void IndexColors(const Surface& s, Bgrx lut[256]) {
  std::fill_n(lut, 256, Bgrx{0});
  if (s.colors == nullptr && s.bitsPerPixel == 1) {
    lut[1] = 0xFFFFFF;
    return;
  }
  const int n = std::min(s.colorCount, 256);
  for (int i = 0; i < n && s.colors; ++i)
    lut[i] = (Bgrx{s.colors[i].rgbRed} << 16) | (Bgrx{s.colors[i].rgbGreen} << 8) | s.colors[i].rgbBlue;
}

std::uint32_t Narrow(std::uint8_t c, int shift, int bits) {
  if (bits == 0) return 0;
  const std::uint32_t v = bits <= 8 ? std::uint32_t{c} >> (8 - bits) : std::uint32_t{c} << (bits - 8);
  return v << shift;
}

}  // namespace

RowReader::RowReader(const Surface& source) : s_(source) {
  if (s_.bitsPerPixel <= 8) {
    IndexColors(s_, lut_);
    return;
  }
  if (s_.bitsPerPixel == 24) return;
  DWORD masks[3];
  DefaultMasks(s_, masks);
  plain_ = s_.bitsPerPixel == 32 && masks[0] == 0xFF0000 && masks[1] == 0x00FF00 && masks[2] == 0x0000FF;
  for (int i = 0; i < 3; ++i) {
    Channel& c = channels_[i];
    MaskToChannel(masks[i], c.shift, c.bits);
    if (c.bits > 0 && c.bits <= 8)
      for (std::uint32_t v = 0; v < (1u << c.bits); ++v) c.expand[v] = Widen(v, c.bits);
  }
}

std::uint8_t RowReader::Extract(std::uint32_t value, const Channel& c) const {
  if (c.bits == 0) return 0;
  const std::uint32_t v = (value >> c.shift) & ((c.bits >= 32) ? 0xFFFFFFFFu : ((1u << c.bits) - 1));
  return c.bits <= 8 ? c.expand[v] : static_cast<std::uint8_t>(v >> (c.bits - 8));
}

void RowReader::Read(int x, int y, int count, Bgrx* out) const {
  const std::uint8_t* row = s_.row(y);
  switch (s_.bitsPerPixel) {
    case 1:
      for (int i = 0; i < count; ++i) {
        const int px = x + i;
        out[i] = lut_[(row[px >> 3] >> (7 - (px & 7))) & 1];
      }
      break;
    case 4:
      for (int i = 0; i < count; ++i) {
        const int px = x + i;
        out[i] = lut_[(px & 1) ? (row[px >> 1] & 0x0F) : (row[px >> 1] >> 4)];
      }
      break;
    case 8:
      row += x;
      for (int i = 0; i < count; ++i) out[i] = lut_[row[i]];
      break;
    case 16:
      row += 2 * static_cast<std::ptrdiff_t>(x);
      for (int i = 0; i < count; ++i) {
        const std::uint32_t v = row[2 * i] | (std::uint32_t{row[2 * i + 1]} << 8);
        out[i] = (Bgrx{Extract(v, channels_[0])} << 16) | (Bgrx{Extract(v, channels_[1])} << 8) |
                 Extract(v, channels_[2]);
      }
      break;
    case 24:
      row += 3 * static_cast<std::ptrdiff_t>(x);
      for (int i = 0; i < count; ++i)
        out[i] = row[3 * i] | (Bgrx{row[3 * i + 1]} << 8) | (Bgrx{row[3 * i + 2]} << 16);
      break;
    case 32:
      row += 4 * static_cast<std::ptrdiff_t>(x);
      for (int i = 0; i < count; ++i) {
        std::uint32_t v;
        std::memcpy(&v, row + 4 * i, 4);
        out[i] = plain_ ? (v & 0xFFFFFF)
                        : (Bgrx{Extract(v, channels_[0])} << 16) | (Bgrx{Extract(v, channels_[1])} << 8) |
                              Extract(v, channels_[2]);
      }
      break;
    default:
      std::fill_n(out, count, 0);
  }
}

RowWriter::RowWriter(const Surface& target) : s_(target) {
  if (s_.bitsPerPixel <= 8) {
    if (s_.colors == nullptr && s_.bitsPerPixel == 1) {
      table_ = {kBlack, kWhite};
    } else if (s_.colors != nullptr) {
      const int n = std::min(s_.colorCount, 1 << s_.bitsPerPixel);
      table_.assign(s_.colors, s_.colors + std::max(n, 0));
    }
    cache_.assign(4096, 0);
    return;
  }
  if (s_.bitsPerPixel == 24) return;
  DWORD masks[3];
  DefaultMasks(s_, masks);
  plain_ = s_.bitsPerPixel == 32 && masks[0] == 0xFF0000 && masks[1] == 0x00FF00 && masks[2] == 0x0000FF;
  for (int i = 0; i < 3; ++i) MaskToChannel(masks[i], channels_[i].shift, channels_[i].bits);
}

std::uint32_t RowWriter::PixelOf(Bgrx color) {
  color &= 0xFFFFFF;
  switch (s_.bitsPerPixel) {
    case 1:
    case 4:
    case 8: {
      if (table_.empty()) return 0;
      // A direct-mapped cache: pictures repeat colours, and the nearest search
      // costs a pass over the table.
      std::uint64_t& slot = cache_[(color * 2654435761u) >> 20];
      if ((slot >> 63) != 0 && static_cast<Bgrx>(slot >> 8 & 0xFFFFFF) == color) return slot & 0xFF;
      const std::uint32_t index =
          NearestEntry(table_.data(), static_cast<std::uint32_t>(table_.size()), ToColorRef(color));
      slot = (std::uint64_t{1} << 63) | (std::uint64_t{color} << 8) | index;
      return index;
    }
    case 24:
      return color;
    default:
      if (plain_) return color;
      return Narrow(static_cast<std::uint8_t>(color >> 16), channels_[0].shift, channels_[0].bits) |
             Narrow(static_cast<std::uint8_t>(color >> 8), channels_[1].shift, channels_[1].bits) |
             Narrow(static_cast<std::uint8_t>(color), channels_[2].shift, channels_[2].bits);
  }
}

void RowWriter::Write(int x, int y, int count, const Bgrx* colors) {
  std::uint8_t* row = s_.row(y);
  switch (s_.bitsPerPixel) {
    case 1:
      for (int i = 0; i < count; ++i) {
        const int px = x + i;
        const auto bit = static_cast<std::uint8_t>(0x80 >> (px & 7));
        if (PixelOf(colors[i]) & 1)
          row[px >> 3] |= bit;
        else
          row[px >> 3] &= static_cast<std::uint8_t>(~bit);
      }
      break;
    case 4:
      for (int i = 0; i < count; ++i) {
        const int px = x + i;
        const auto v = static_cast<std::uint8_t>(PixelOf(colors[i]) & 0x0F);
        std::uint8_t& b = row[px >> 1];
        b = (px & 1) ? static_cast<std::uint8_t>((b & 0xF0) | v) : static_cast<std::uint8_t>((b & 0x0F) | (v << 4));
      }
      break;
    case 8:
      row += x;
      for (int i = 0; i < count; ++i) row[i] = static_cast<std::uint8_t>(PixelOf(colors[i]));
      break;
    case 16:
      row += 2 * static_cast<std::ptrdiff_t>(x);
      for (int i = 0; i < count; ++i) {
        const std::uint32_t v = PixelOf(colors[i]);
        row[2 * i] = static_cast<std::uint8_t>(v);
        row[2 * i + 1] = static_cast<std::uint8_t>(v >> 8);
      }
      break;
    case 24:
      row += 3 * static_cast<std::ptrdiff_t>(x);
      for (int i = 0; i < count; ++i) {
        row[3 * i] = static_cast<std::uint8_t>(colors[i]);
        row[3 * i + 1] = static_cast<std::uint8_t>(colors[i] >> 8);
        row[3 * i + 2] = static_cast<std::uint8_t>(colors[i] >> 16);
      }
      break;
    case 32:
      row += 4 * static_cast<std::ptrdiff_t>(x);
      for (int i = 0; i < count; ++i) {
        const std::uint32_t v = PixelOf(colors[i]);
        std::memcpy(row + 4 * i, &v, 4);
      }
      break;
    default:
      break;
  }
}

namespace {

// Whether every index of `a` shows the same colour in `b`, so indices can be
// copied as they are (duplicate colours keep their own index).
bool TableFits(const Surface& a, const Surface& b) {
  if (a.colorCount > b.colorCount) return false;
  if (a.colorCount == 0) return a.colors == nullptr && b.colors == nullptr;
  if (a.colors == nullptr || b.colors == nullptr) return false;
  for (int i = 0; i < a.colorCount; ++i) {
    if (a.colors[i].rgbRed != b.colors[i].rgbRed || a.colors[i].rgbGreen != b.colors[i].rgbGreen ||
        a.colors[i].rgbBlue != b.colors[i].rgbBlue)
      return false;
  }
  return true;
}

// Whether rows of `a` can be copied into `b` as bytes: the same pixel format,
// whole bytes.
bool SameFormat(const Surface& a, const Surface& b) {
  if (a.bitsPerPixel != b.bitsPerPixel || a.bitsPerPixel < 8) return false;
  if (a.bitsPerPixel == 8) return TableFits(a, b);
  if (a.bitsPerPixel == 24) return true;
  DWORD ma[3], mb[3];
  DefaultMasks(a, ma);
  DefaultMasks(b, mb);
  return std::equal(ma, ma + 3, mb);
}

// Rows into 24 bits with no line of colours in between: every opened picture
// takes one of these roads, so they must run near memory speed. Each gives
// exactly the bytes the reader and writer would.

#if defined(__SSE2__)
constexpr bool kCanStream = true;
#else
constexpr bool kCanStream = false;
#endif

// A block whose output is larger than this goes around the caches: it would
// only push out what is in them, and writing whole lines spares the memory
// reads a cached store of a line costs.
constexpr std::uint64_t kStreamBytes = std::uint64_t{1} << 20;

inline void StoreWord(std::uint8_t* out, std::uint32_t word, bool stream) {
#if defined(__SSE2__)
  if (stream) {
    _mm_stream_si32(reinterpret_cast<int*>(out), static_cast<int>(word));
    return;
  }
#endif
  std::memcpy(out, &word, sizeof word);
}

// Makes the streamed stores of a block visible before the call returns.
inline void StreamFence() {
#if defined(__SSE2__)
  _mm_sfence();
#endif
}

inline void Put3(std::uint8_t* out, Bgrx c) {
  out[0] = static_cast<std::uint8_t>(c);
  out[1] = static_cast<std::uint8_t>(c >> 8);
  out[2] = static_cast<std::uint8_t>(c >> 16);
}

// `count` pixels whose colours `colorOf(i)` gives, written blue-green-red.
// Four pixels go out as three 32-bit words; the words' byte order is why the
// roads are taken on little-endian machines only. Streamed words must be
// 4-byte aligned, so up to three pixels go first one by one.
template <bool kStream, typename ColorOf>
inline void Put24(int count, std::uint8_t* out, ColorOf colorOf) {
  int i = 0;
  if constexpr (kStream)
    for (; i < count && (reinterpret_cast<std::uintptr_t>(out) & 3) != 0; ++i, out += 3) Put3(out, colorOf(i));
  for (; i + 4 <= count; i += 4, out += 12) {
    const Bgrx a = colorOf(i), b = colorOf(i + 1), c = colorOf(i + 2), d = colorOf(i + 3);
    StoreWord(out, a | b << 24, kStream);
    StoreWord(out + 4, b >> 8 | c << 16, kStream);
    StoreWord(out + 8, c >> 16 | d << 8, kStream);
  }
  for (; i < count; ++i, out += 3) Put3(out, colorOf(i));
}

bool MasksAre(const Surface& s, DWORD r, DWORD g, DWORD b) {
  DWORD m[3];
  DefaultMasks(s, m);
  return m[0] == r && m[1] == g && m[2] == b;
}

// Whether the memory the rows of `a` and `b` span meets: a road writing a
// row while reading it would read its own output.
bool Overlap(const Surface& a, const Surface& b) {
  const auto span = [](const Surface& s) {
    const std::uint8_t* first = s.pitch < 0 ? s.row(s.height - 1) : s.top;
    const std::uint8_t* last = (s.pitch < 0 ? s.top : s.row(s.height - 1)) + std::abs(s.pitch);
    return std::pair{reinterpret_cast<std::uintptr_t>(first), reinterpret_cast<std::uintptr_t>(last)};
  };
  const auto [a0, a1] = span(a);
  const auto [b0, b1] = span(b);
  return a0 < b1 && b0 < a1;
}

// Converts a clipped block into a 24-bit target by a direct road; false when
// the source's format has none, and nothing was written.
bool DirectTo24(const Surface& source, int sx, int sy, const Surface& target, int dx, int dy, int w, int h) {
  if constexpr (std::endian::native != std::endian::little) return false;
  if (target.bitsPerPixel != 24 || Overlap(source, target)) return false;
  // Each road is written once and instantiated for cached and streamed stores.
  const auto rows = [&](auto convertRow) {
    const auto out = [&](int r) { return target.row(dy + r) + 3 * static_cast<std::ptrdiff_t>(dx); };
    const std::uint64_t bytes = std::uint64_t{3} * static_cast<std::uint64_t>(w) * static_cast<std::uint64_t>(h);
    if (kCanStream && bytes >= kStreamBytes) {
      for (int r = 0; r < h; ++r) convertRow(source.row(sy + r), out(r), std::true_type{});
      StreamFence();
    } else {
      for (int r = 0; r < h; ++r) convertRow(source.row(sy + r), out(r), std::false_type{});
    }
  };
  Bgrx lut[256];
  switch (source.bitsPerPixel) {
    case 1:
      IndexColors(source, lut);
      rows([&](const std::uint8_t* in, std::uint8_t* out, auto stream) {
        Put24<decltype(stream)::value>(w, out, [&](int i) {
          const int px = sx + i;
          return lut[(in[px >> 3] >> (7 - (px & 7))) & 1];
        });
      });
      return true;
    case 4:
      IndexColors(source, lut);
      rows([&](const std::uint8_t* in, std::uint8_t* out, auto stream) {
        Put24<decltype(stream)::value>(w, out, [&](int i) {
          const int px = sx + i;
          return lut[(px & 1) ? (in[px >> 1] & 0x0F) : (in[px >> 1] >> 4)];
        });
      });
      return true;
    case 8:
      IndexColors(source, lut);
      rows([&](const std::uint8_t* in, std::uint8_t* out, auto stream) {
        in += sx;
        Put24<decltype(stream)::value>(w, out, [&](int i) { return lut[in[i]]; });
      });
      return true;
    case 16: {
      // 5-5-5 or 5-6-5, each channel widened by repeating its top bits.
      const bool rgb565 = MasksAre(source, 0xF800, 0x07E0, 0x001F);
      if (!rgb565 && !MasksAre(source, 0x7C00, 0x03E0, 0x001F)) return false;
      const int greenBits = rgb565 ? 6 : 5;
      const int redShift = rgb565 ? 11 : 10;
      rows([&](const std::uint8_t* in, std::uint8_t* out, auto stream) {
        in += 2 * static_cast<std::ptrdiff_t>(sx);
        Put24<decltype(stream)::value>(w, out, [&](int i) {
          const std::uint32_t v = in[2 * i] | (std::uint32_t{in[2 * i + 1]} << 8);
          const std::uint32_t r = (v >> redShift) & 0x1F, g = (v >> 5) & ((1u << greenBits) - 1), b = v & 0x1F;
          const std::uint32_t g8 = (g << (8 - greenBits)) | (g >> (2 * greenBits - 8));
          return (((r << 3) | (r >> 2)) << 16) | (g8 << 8) | ((b << 3) | (b >> 2));
        });
      });
      return true;
    }
    case 32:
      if (!MasksAre(source, 0xFF0000, 0x00FF00, 0x0000FF)) return false;
      rows([&](const std::uint8_t* in, std::uint8_t* out, auto stream) {
        in += 4 * static_cast<std::ptrdiff_t>(sx);
        Put24<decltype(stream)::value>(w, out, [&](int i) {
          std::uint32_t v;
          std::memcpy(&v, in + 4 * i, 4);
          return v & 0xFFFFFF;
        });
      });
      return true;
    default:
      return false;
  }
}

}  // namespace

int ConvertPixels(const Surface& source, int sx, int sy, const Surface& target, int dx, int dy, int width,
                  int height) {
  if (source.empty() || target.empty() || width <= 0 || height <= 0) return 0;
  // Clip in 64 bits: no coordinate a caller passes can overflow here.
  std::int64_t x0 = sx, y0 = sy, x1 = dx, y1 = dy, w = width, h = height;
  if (x0 < 0) { x1 -= x0; w += x0; x0 = 0; }
  if (y0 < 0) { y1 -= y0; h += y0; y0 = 0; }
  if (x1 < 0) { x0 -= x1; w += x1; x1 = 0; }
  if (y1 < 0) { y0 -= y1; h += y1; y1 = 0; }
  w = std::min({w, std::int64_t{source.width} - x0, std::int64_t{target.width} - x1});
  h = std::min({h, std::int64_t{source.height} - y0, std::int64_t{target.height} - y1});
  if (w <= 0 || h <= 0) return 0;
  const int cw = static_cast<int>(w), ch = static_cast<int>(h);
  const int csx = static_cast<int>(x0), csy = static_cast<int>(y0);
  const int cdx = static_cast<int>(x1), cdy = static_cast<int>(y1);

  if (SameFormat(source, target)) {
    const std::size_t bytes = static_cast<std::size_t>(source.bitsPerPixel / 8);
    for (int r = 0; r < ch; ++r)
      std::memmove(target.row(cdy + r) + bytes * static_cast<std::size_t>(cdx),
                   source.row(csy + r) + bytes * static_cast<std::size_t>(csx), bytes * static_cast<std::size_t>(cw));
    return ch;
  }
  if (DirectTo24(source, csx, csy, target, cdx, cdy, cw, ch)) return ch;
  RowReader reader(source);
  RowWriter writer(target);
  std::vector<Bgrx> line(static_cast<std::size_t>(cw));
  for (int r = 0; r < ch; ++r) {
    reader.Read(csx, csy + r, cw, line.data());
    writer.Write(cdx, cdy + r, cw, line.data());
  }
  return ch;
}

}  // namespace platform
