#include "platform/RasterRows.h"

#include <bit>
#include <cstring>

namespace platform::raster {

namespace {

Channel MakeChannel(std::uint32_t mask) {
  Channel c;
  c.mask = mask;
  if (mask == 0) return c;
  c.shift = std::countr_zero(mask);
  // A mask with holes is taken as its lowest run of bits.
  c.bits = std::countr_one(mask >> c.shift);
  c.mask = (c.bits >= 32 ? 0xFFFFFFFFu : ((1u << c.bits) - 1u)) << c.shift;
  return c;
}

std::uint32_t PackChannel(const Channel& c, std::uint32_t v8) {
  if (c.bits == 0) return 0;
  std::uint32_t v = c.bits <= 8
                        ? v8 >> (8 - c.bits)
                        : static_cast<std::uint32_t>((std::uint64_t{v8} * ((std::uint64_t{1} << c.bits) - 1)) / 255);
  return (v << c.shift) & c.mask;
}

std::uint32_t UnpackChannel(const Channel& c, std::uint32_t value) {
  if (c.bits == 0) return 0;
  const std::uint32_t v = (value & c.mask) >> c.shift;
  if (c.bits >= 8) return v >> (c.bits - 8);
  // Replicate the high bits into the low ones so full scale maps to 255.
  std::uint32_t out = 0;
  for (int have = 0; have < 8; have += c.bits) {
    const int room = 8 - have;
    out |= room >= c.bits ? v << (room - c.bits) : v >> (c.bits - room);
  }
  return out & 0xFF;
}

int ColorDistance(COLORREF a, const RGBQUAD& q) {
  const int dr = int{GetRValue(a)} - q.rgbRed;
  const int dg = int{GetGValue(a)} - q.rgbGreen;
  const int db = int{GetBValue(a)} - q.rgbBlue;
  return dr * dr + dg * dg + db * db;
}

constexpr RGBQUAD kBlackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
constexpr std::size_t kNearestSlots = 4096;

}  // namespace

Format::Format(const Surface& s) : bpp(s.bitsPerPixel) {
  if (bpp <= 8) {
    const int capacity = 1 << bpp;
    if (s.colors != nullptr && s.colorCount > 0) {
      colors = s.colors;
      colorCount = s.colorCount < capacity ? s.colorCount : capacity;
    } else if (bpp == 1) {
      // A monochrome device bitmap has no table: 0 is black and 1 is white.
      colors = kBlackWhite;
      colorCount = 2;
      monochrome = true;
    }
    return;
  }
  std::uint32_t r = s.masks[0], g = s.masks[1], b = s.masks[2];
  if ((r | g | b) == 0) {
    if (bpp == 16) {
      r = 0x7C00, g = 0x03E0, b = 0x001F;
    } else {
      r = 0xFF0000, g = 0x00FF00, b = 0x0000FF;
    }
  }
  red = MakeChannel(r);
  green = MakeChannel(g);
  blue = MakeChannel(b);
  plain32 = bpp == 32 && red.mask == 0xFF0000 && green.mask == 0xFF00 && blue.mask == 0xFF;
}

bool Format::SameAs(const Format& o) const {
  if (bpp != o.bpp) return false;
  if (bpp <= 8) {
    // Two-colour surfaces too: a 1-bit section whose table is (white, black)
    // must not pass its bits unchanged into a (black, white) one.
    return colorCount == o.colorCount &&
           (colors == o.colors || std::memcmp(colors, o.colors, sizeof(RGBQUAD) * colorCount) == 0);
  }
  if (bpp == 24) return true;
  return red.mask == o.red.mask && green.mask == o.green.mask && blue.mask == o.blue.mask;
}

std::uint32_t Pack(const Format& f, COLORREF rgb) {
  const std::uint32_t r = GetRValue(rgb), g = GetGValue(rgb), b = GetBValue(rgb);
  if (f.bpp == 24 || f.plain32) return (r << 16) | (g << 8) | b;
  return PackChannel(f.red, r) | PackChannel(f.green, g) | PackChannel(f.blue, b);
}

COLORREF Unpack(const Format& f, std::uint32_t value) {
  if (f.bpp <= 8) {
    if (value >= static_cast<std::uint32_t>(f.colorCount)) return RGB(0, 0, 0);
    const RGBQUAD& q = f.colors[value];
    return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
  }
  if (f.bpp == 24 || f.plain32) {
    return RGB(static_cast<BYTE>(value >> 16), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value));
  }
  return RGB(static_cast<BYTE>(UnpackChannel(f.red, value)), static_cast<BYTE>(UnpackChannel(f.green, value)),
             static_cast<BYTE>(UnpackChannel(f.blue, value)));
}

std::uint32_t NearestIndexOf(const Format& f, COLORREF rgb) {
  std::uint32_t best = 0;
  int bestDistance = 0x7FFFFFFF;
  for (int i = 0; i < f.colorCount; ++i) {
    const int d = ColorDistance(rgb, f.colors[i]);
    if (d < bestDistance) {
      bestDistance = d;
      best = static_cast<std::uint32_t>(i);
      if (d == 0) break;
    }
  }
  return best;
}

NearestIndex::NearestIndex(const Format& f) : format_(f), keys_(kNearestSlots, 0), answers_(kNearestSlots, 0) {}

std::uint32_t NearestIndex::operator()(COLORREF rgb) {
  rgb &= 0x00FFFFFF;
  const std::size_t slot = ((rgb * 2654435761u) >> 20) & (kNearestSlots - 1);
  const std::uint32_t key = rgb | 0x80000000u;
  if (keys_[slot] == key) return answers_[slot];
  const std::uint32_t answer = NearestIndexOf(format_, rgb);
  keys_[slot] = key;
  answers_[slot] = static_cast<std::uint8_t>(answer);
  return answer;
}

void ReadRow(const Surface& s, int y, int x, int n, std::uint32_t* out) {
  const std::uint8_t* row = s.row(y);
  switch (s.bitsPerPixel) {
    case 1:
      for (int i = 0; i < n; ++i) {
        const int c = x + i;
        out[i] = (row[c >> 3] >> (7 - (c & 7))) & 1u;
      }
      break;
    case 4:
      for (int i = 0; i < n; ++i) {
        const int c = x + i;
        out[i] = (row[c >> 1] >> ((c & 1) ? 0 : 4)) & 0xFu;
      }
      break;
    case 8:
      for (int i = 0; i < n; ++i) out[i] = row[x + i];
      break;
    case 16: {
      const std::uint8_t* p = row + std::size_t(x) * 2;
      for (int i = 0; i < n; ++i, p += 2) out[i] = p[0] | (std::uint32_t{p[1]} << 8);
      break;
    }
    case 24: {
      const std::uint8_t* p = row + std::size_t(x) * 3;
      for (int i = 0; i < n; ++i, p += 3) out[i] = p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
      break;
    }
    case 32:
      std::memcpy(out, row + std::size_t(x) * 4, std::size_t(n) * 4);
      break;
    default:
      std::memset(out, 0, std::size_t(n) * 4);
  }
}

void ReadMapped(const Surface& s, int y, const std::int32_t* xs, int n, std::uint32_t* out) {
  const std::uint8_t* row = s.row(y);
  switch (s.bitsPerPixel) {
    case 1:
      for (int i = 0; i < n; ++i) out[i] = (row[xs[i] >> 3] >> (7 - (xs[i] & 7))) & 1u;
      break;
    case 4:
      for (int i = 0; i < n; ++i) out[i] = (row[xs[i] >> 1] >> ((xs[i] & 1) ? 0 : 4)) & 0xFu;
      break;
    case 8:
      for (int i = 0; i < n; ++i) out[i] = row[xs[i]];
      break;
    case 16:
      for (int i = 0; i < n; ++i) {
        const std::uint8_t* p = row + std::size_t(xs[i]) * 2;
        out[i] = p[0] | (std::uint32_t{p[1]} << 8);
      }
      break;
    case 24:
      for (int i = 0; i < n; ++i) {
        const std::uint8_t* p = row + std::size_t(xs[i]) * 3;
        out[i] = p[0] | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
      }
      break;
    case 32:
      for (int i = 0; i < n; ++i) std::memcpy(&out[i], row + std::size_t(xs[i]) * 4, 4);
      break;
    default:
      std::memset(out, 0, std::size_t(n) * 4);
  }
}

void WriteRow(const Surface& s, int y, int x, int n, const std::uint32_t* in) {
  std::uint8_t* row = s.row(y);
  switch (s.bitsPerPixel) {
    case 1:
      for (int i = 0; i < n; ++i) {
        const int c = x + i;
        const std::uint8_t bit = static_cast<std::uint8_t>(0x80u >> (c & 7));
        row[c >> 3] = (in[i] & 1u) ? (row[c >> 3] | bit) : (row[c >> 3] & ~bit);
      }
      break;
    case 4:
      for (int i = 0; i < n; ++i) {
        const int c = x + i;
        std::uint8_t& b = row[c >> 1];
        b = (c & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (in[i] & 0xF))
                    : static_cast<std::uint8_t>((b & 0x0F) | ((in[i] & 0xF) << 4));
      }
      break;
    case 8:
      for (int i = 0; i < n; ++i) row[x + i] = static_cast<std::uint8_t>(in[i]);
      break;
    case 16: {
      std::uint8_t* p = row + std::size_t(x) * 2;
      for (int i = 0; i < n; ++i, p += 2) {
        p[0] = static_cast<std::uint8_t>(in[i]);
        p[1] = static_cast<std::uint8_t>(in[i] >> 8);
      }
      break;
    }
    case 24: {
      std::uint8_t* p = row + std::size_t(x) * 3;
      for (int i = 0; i < n; ++i, p += 3) {
        p[0] = static_cast<std::uint8_t>(in[i]);
        p[1] = static_cast<std::uint8_t>(in[i] >> 8);
        p[2] = static_cast<std::uint8_t>(in[i] >> 16);
      }
      break;
    }
    case 32:
      std::memcpy(row + std::size_t(x) * 4, in, std::size_t(n) * 4);
      break;
    default:
      break;
  }
}

std::uint8_t Rop3FromRop2(int mode) {
  if (mode < 1 || mode > 16) mode = 11;                    // an unknown mix mode leaves the destination alone
  const unsigned table = static_cast<unsigned>(mode - 1);  // bit (pen << 1 | dst)
  std::uint8_t index = 0;
  for (unsigned i = 0; i < 8; ++i) {
    const unsigned p = (i >> 2) & 1u, d = i & 1u;
    if ((table >> ((p << 1) | d)) & 1u) index |= static_cast<std::uint8_t>(1u << i);
  }
  return index;
}

void CombineRow(std::uint8_t index, const std::uint32_t* p, std::uint32_t pConst, const std::uint32_t* s,
                const std::uint32_t* d, std::uint32_t* out, int n) {
  auto pat = [&](int i) { return p != nullptr ? p[i] : pConst; };
  switch (index) {
    case 0x00:
      std::memset(out, 0, std::size_t(n) * 4);
      return;
    case 0xFF:
      for (int i = 0; i < n; ++i) out[i] = 0xFFFFFFFFu;
      return;
    case 0xCC:
      if (out != s) std::memcpy(out, s, std::size_t(n) * 4);
      return;
    case 0x33:
      for (int i = 0; i < n; ++i) out[i] = ~s[i];
      return;
    case 0xF0:
      for (int i = 0; i < n; ++i) out[i] = pat(i);
      return;
    case 0x66:
      for (int i = 0; i < n; ++i) out[i] = s[i] ^ d[i];
      return;
    case 0x88:
      for (int i = 0; i < n; ++i) out[i] = s[i] & d[i];
      return;
    case 0xEE:
      for (int i = 0; i < n; ++i) out[i] = s[i] | d[i];
      return;
    case 0x44:
      for (int i = 0; i < n; ++i) out[i] = s[i] & ~d[i];
      return;
    case 0x55:
      for (int i = 0; i < n; ++i) out[i] = ~d[i];
      return;
    case 0x5A:
      for (int i = 0; i < n; ++i) out[i] = pat(i) ^ d[i];
      return;
    case 0xAA:
      if (out != d) std::memcpy(out, d, std::size_t(n) * 4);
      return;
    default:
      break;
  }
  for (int i = 0; i < n; ++i) {
    const std::uint32_t pv = pat(i), sv = s != nullptr ? s[i] : 0, dv = d != nullptr ? d[i] : 0;
    std::uint32_t r = 0;
    for (unsigned bit = 0; bit < 8; ++bit) {
      if (!((index >> bit) & 1u)) continue;
      r |= ((bit & 4) ? pv : ~pv) & ((bit & 2) ? sv : ~sv) & ((bit & 1) ? dv : ~dv);
    }
    out[i] = r;
  }
}

}  // namespace platform::raster
