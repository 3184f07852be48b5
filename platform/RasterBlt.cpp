// Block transfers: StretchBlt, BitBlt, PatBlt, MaskBlt and FillRect all end here.
// Every rectangle is normalised and clipped in 64-bit arithmetic (128-bit where a
// coordinate is scaled), so no extent a caller passes can overflow or reach
// outside either surface.
#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "platform/Raster.h"
#include "platform/RasterRows.h"

namespace platform {

namespace {

using raster::Format;
using i64 = std::int64_t;
using i128 = __int128;

// The table fast path stores pixel values as little-endian bytes.
static_assert(std::endian::native == std::endian::little);

// Source pixels converted to a 16-bit destination through a table once a blit is
// at least this many pixels, so the table costs less than it saves.
constexpr i64 kLookup16Threshold = i64{1} << 17;

// The source value -> destination value rule of a transfer.
class PixelConverter {
 public:
  PixelConverter(const Surface& src, const Surface& dst, const DrawAttributes& attr, i64 pixels)
      : src_(src), dst_(dst) {
    if (dst_.bpp <= 8) nearest_.emplace(dst_);
    // A 1-bit surface with a colour table of its own is a two-colour surface
    // like any other: it converts through its table and by nearest colour.
    const bool srcMono = src_.monochrome && dst_.bpp != 1, dstMono = dst_.monochrome && src_.bpp != 1;
    textValue_ = ColorToPixel(dst, attr.textColor);
    bkValue_ = ColorToPixel(dst, attr.bkColor);
    textColor_ = attr.textColor & 0x00FFFFFF;
    bkColor_ = attr.bkColor & 0x00FFFFFF;
    if (src_.SameAs(dst_) || (IsRgb(src_) && IsRgb(dst_))) {
      kind_ = Kind::kIdentity;
    } else if (srcMono) {
      lut_ = {textValue_, bkValue_};
      kind_ = Kind::kLookup;
    } else if (dstMono) {
      const COLORREF key = attr.srcBkColor == CLR_INVALID ? attr.bkColor : attr.srcBkColor;
      srcKey_ = ColorToPixel(src, key);
      // Only the colour bits count: the fourth byte of a 32-bit pixel is not colour.
      srcBits_ = src_.bpp == 24 ? 0xFFFFFFu : src_.red.mask | src_.green.mask | src_.blue.mask;
      if (src_.bpp <= 8) srcBits_ = raster::ValueMask(src_.bpp);
      kind_ = Kind::kToMono;
    } else if (src_.bpp <= 8 || (src_.bpp == 16 && pixels >= kLookup16Threshold)) {
      lut_.resize(std::size_t{1} << src_.bpp);
      for (std::size_t v = 0; v < lut_.size(); ++v) lut_[v] = DestinationValue(raster::Unpack(src_, std::uint32_t(v)));
      kind_ = Kind::kLookup;
    } else {
      kind_ = Kind::kViaColor;
    }
  }

  bool identity() const { return kind_ == Kind::kIdentity; }
  // The table of a source of at most 8 bits, or null.
  const std::uint32_t* lookup() const { return kind_ == Kind::kLookup && src_.bpp <= 8 ? lut_.data() : nullptr; }

  std::uint32_t operator()(std::uint32_t v) {
    switch (kind_) {
      case Kind::kIdentity:
        return v;
      case Kind::kLookup:
        return lut_[v & raster::ValueMask(src_.bpp)];
      case Kind::kToMono:
        return (v & srcBits_) == srcKey_ ? 1u : 0u;
      case Kind::kViaColor:
        return DestinationValue(raster::Unpack(src_, v));
    }
    return v;
  }
  void Row(std::uint32_t* v, int n) {
    if (kind_ == Kind::kIdentity) return;
    for (int i = 0; i < n; ++i) v[i] = (*this)(v[i]);
  }

  // The colour a source value stands for (monochrome sources by text/bk colour).
  COLORREF SourceColor(std::uint32_t v) const {
    if (src_.monochrome && dst_.bpp != 1) return (v & 1) ? bkColor_ : textColor_;
    return raster::Unpack(src_, v & raster::ValueMask(src_.bpp));
  }
  std::uint32_t DestinationValue(COLORREF rgb) { return nearest_ ? (*nearest_)(rgb) : raster::Pack(dst_, rgb); }

 private:
  enum class Kind { kIdentity, kLookup, kToMono, kViaColor };
  static bool IsRgb(const Format& f) { return f.bpp == 24 || f.plain32; }

  Format src_;
  Format dst_;
  std::optional<raster::NearestIndex> nearest_;  // for indexed destinations
  Kind kind_ = Kind::kIdentity;
  std::vector<std::uint32_t> lut_;
  std::uint32_t srcKey_ = 0, srcBits_ = 0;
  std::uint32_t textValue_ = 0, bkValue_ = 0;
  COLORREF textColor_ = 0, bkColor_ = 0;
};

// 8 x 8 hatch patterns: true where the hatch line runs.
bool HatchBit(int hatch, int u, int v) {
  switch (hatch) {
    case HS_HORIZONTAL:
      return v == 7;
    case HS_VERTICAL:
      return u == 7;
    case HS_FDIAGONAL:
      return u == v;
    case HS_BDIAGONAL:
      return u + v == 7;
    case HS_CROSS:
      return u == 7 || v == 7;
    case HS_DIAGCROSS:
      return u == v || u + v == 7;
    default:
      return false;
  }
}

i64 FloorMod(i64 a, i64 m) {
  const i64 r = a % m;
  return r < 0 ? r + m : r;
}

// The brush as pattern values for the destination, anchored at the brush origin.
class PatternSource {
 public:
  PatternSource(const Surface& dst, const BrushSpec* brush, const DrawAttributes& attr) : attr_(attr) {
    if (brush == nullptr || brush->style == BS_NULL) return;
    draws_ = true;
    switch (brush->style) {
      case BS_HATCHED:
        hatch_ = brush->hatch;
        hatched_ = true;
        lineValue_ = ColorToPixel(dst, brush->color);
        transparentGaps_ = attr.bkMode == TRANSPARENT;
        gapValue_ = ColorToPixel(dst, attr.bkColor);
        break;
      case BS_PATTERN:
        if (brush->pattern != nullptr && !brush->pattern->empty()) {
          pattern_ = brush->pattern;
          converter_ = std::make_unique<PixelConverter>(*pattern_, dst, attr, 0);
          break;
        }
        draws_ = false;
        break;
      default:
        constValue_ = ColorToPixel(dst, brush->color);
        break;
    }
  }

  bool draws() const { return draws_; }
  bool constant() const { return draws_ && !hatched_ && pattern_ == nullptr; }
  std::uint32_t constantValue() const { return constValue_; }
  bool transparentGaps() const { return transparentGaps_; }

  // Pattern values of row y, columns x .. x+n-1; gap[i] set where a transparent
  // hatch leaves the destination alone.
  void Row(int y, int x, int n, std::uint32_t* p, std::uint8_t* gap) {
    if (hatched_) {
      const int v = static_cast<int>(FloorMod(i64{y} - attr_.brushOrigin.y, 8));
      for (int i = 0; i < n; ++i) {
        const int u = static_cast<int>(FloorMod(i64{x} + i - attr_.brushOrigin.x, 8));
        const bool line = HatchBit(hatch_, u, v);
        p[i] = line ? lineValue_ : gapValue_;
        if (gap != nullptr) gap[i] = line ? 0 : 1;
      }
      return;
    }
    if (pattern_ != nullptr) {
      const int py = static_cast<int>(FloorMod(i64{y} - attr_.brushOrigin.y, pattern_->height));
      for (int i = 0; i < n; ++i) {
        const int px = static_cast<int>(FloorMod(i64{x} + i - attr_.brushOrigin.x, pattern_->width));
        std::uint32_t value;
        raster::ReadRow(*pattern_, py, px, 1, &value);
        p[i] = (*converter_)(value);
      }
      return;
    }
    std::fill(p, p + n, constValue_);
  }

 private:
  const DrawAttributes& attr_;
  bool draws_ = false;
  bool hatched_ = false;
  bool transparentGaps_ = false;
  int hatch_ = 0;
  std::uint32_t lineValue_ = 0, gapValue_ = 0, constValue_ = 0;
  const Surface* pattern_ = nullptr;
  std::unique_ptr<PixelConverter> converter_;
};

// One axis of a transfer: the destination interval [d0, d0 + dn) and the source
// interval [s0, s0 + sn), mirrored onto each other when flip is set.
struct Axis {
  i64 d0 = 0, dn = 0, s0 = 0, sn = 0;
  bool flip = false;

  // Source coordinate of the pixel whose centre lies under destination offset i.
  i64 Centre(i64 i) const {
    const i64 j = static_cast<i64>((static_cast<i128>(2 * i + 1) * sn) / (static_cast<i128>(2) * dn));
    return s0 + (flip ? sn - 1 - j : j);
  }
  // Source coordinates [j0, j1) that destination offset i covers when shrinking.
  void Span(i64 i, i64& j0, i64& j1) const {
    i64 a = static_cast<i64>((static_cast<i128>(i) * sn) / dn);
    i64 b = static_cast<i64>((static_cast<i128>(i + 1) * sn) / dn);
    if (b <= a) b = a + 1;
    if (flip) {
      const i64 t = sn - b;
      b = sn - a;
      a = t;
    }
    j0 = s0 + a;
    j1 = s0 + b;
  }
};

// Normalises a position and a signed extent into a start and a length.
void Normalise(i64 pos, i64 extent, i64& start, i64& length) {
  start = extent < 0 ? pos + extent : pos;
  length = extent < 0 ? -extent : extent;
}

enum class Shrink { kNone, kAnd, kOr, kAverage };

// What a transfer works on once its rectangles are normalised and clipped:
// destination rows [cy0, cy1) and columns [dx0, dx0 + n), and for each of those
// columns the source column (xs) or, when shrinking, source columns [xs, xe).
struct Plan {
  const Surface& dst;
  const Surface* src = nullptr;
  std::uint8_t index = 0;
  bool usesS = false, usesP = false, usesD = false;
  Axis ax, ay;
  i64 cy0 = 0, cy1 = 0;
  int dx0 = 0, n = 0;
  std::vector<std::int32_t> xs, xe;
  Shrink shrinkX = Shrink::kNone, shrinkY = Shrink::kNone;
  bool unitX = false, unitY = false;  // source and destination match pixel for pixel
  bool bottomUp = false;              // rows must be done last to first

  explicit Plan(const Surface& d) : dst(d) {}

  i64 Rows() const { return cy1 - cy0; }
  // The k-th destination row to do.
  int RowAt(i64 k) const { return static_cast<int>(bottomUp ? cy1 - 1 - k : cy0 + k); }
  // The source row of destination row r of an unscaled transfer, or -1 outside the source.
  int UnitSourceRow(int r) const {
    const i64 sr = ay.s0 + (r - ay.d0);
    return sr >= 0 && sr < src->height ? static_cast<int>(sr) : -1;
  }
  // Source rows [r0, r1) for destination row r; empty when the row has no source.
  void SourceRows(int r, i64& r0, i64& r1) const {
    if (shrinkY != Shrink::kNone) {
      ay.Span(r - ay.d0, r0, r1);
      r0 = std::max<i64>(r0, 0);
      r1 = std::min<i64>(r1, src->height);
    } else {
      r0 = ay.Centre(r - ay.d0);
      r1 = (r0 < 0 || r0 >= src->height) ? r0 : r0 + 1;
    }
  }
  int Bytes(int pixels) const { return pixels * (dst.bitsPerPixel / 8); }
};

// Fills xs/xe and narrows the columns to those whose source lies inside the
// source surface; they are contiguous because the mapping is monotonic. Returns
// false when no column is left.
bool MapColumns(Plan& plan, i64 cx0, i64 cx1) {
  const Surface& src = *plan.src;
  const i64 count = cx1 - cx0;
  plan.xs.resize(std::size_t(count));
  if (plan.shrinkX != Shrink::kNone) plan.xe.resize(std::size_t(count));
  i64 first = -1, last = -1;
  for (i64 c = 0; c < count; ++c) {
    i64 j0, j1;
    if (plan.shrinkX != Shrink::kNone) {
      plan.ax.Span(cx0 + c - plan.ax.d0, j0, j1);
      j0 = std::max<i64>(j0, 0);
      j1 = std::min<i64>(j1, src.width);
    } else {
      j0 = plan.ax.Centre(cx0 + c - plan.ax.d0);
      j1 = j0 + 1;
    }
    if (j0 < 0 || j1 > src.width || j0 >= j1) continue;
    if (first < 0) first = c;
    last = c;
    plan.xs[std::size_t(c)] = static_cast<std::int32_t>(j0);
    if (!plan.xe.empty()) plan.xe[std::size_t(c)] = static_cast<std::int32_t>(j1);
  }
  if (first < 0) return false;
  auto narrow = [&](std::vector<std::int32_t>& v) {
    if (v.empty()) return;
    v.erase(v.begin() + last + 1, v.end());
    v.erase(v.begin(), v.begin() + first);
  };
  narrow(plan.xs);
  narrow(plan.xe);
  plan.dx0 = static_cast<int>(cx0 + first);
  plan.n = static_cast<int>(last - first + 1);
  return true;
}

// SRCCOPY between equal formats without scaling: a memmove per row.
void CopyRows(const Plan& p) {
  const std::size_t bytes = p.Bytes(p.n), dOff = p.Bytes(p.dx0), sOff = p.Bytes(p.xs[0]);
  for (i64 k = 0; k < p.Rows(); ++k) {
    const int r = p.RowAt(k), sr = p.UnitSourceRow(r);
    if (sr >= 0) std::memmove(p.dst.row(r) + dOff, p.src->row(sr) + sOff, bytes);
  }
}

// A source operation without pattern between equal formats works bit by bit,
// so whole rows are combined as raw bytes, four at a time.
void CombineRawRows(const Plan& p) {
  const std::size_t bytes = p.Bytes(p.n), dOff = p.Bytes(p.dx0), sOff = p.Bytes(p.xs[0]);
  const std::size_t words = (bytes + 3) / 4;
  std::vector<std::uint32_t> sw(words), dw(words);
  for (i64 k = 0; k < p.Rows(); ++k) {
    const int r = p.RowAt(k), sr = p.UnitSourceRow(r);
    if (sr < 0) continue;
    std::memcpy(sw.data(), p.src->row(sr) + sOff, bytes);
    if (p.usesD) std::memcpy(dw.data(), p.dst.row(r) + dOff, bytes);
    raster::CombineRow(p.index, nullptr, 0, sw.data(), dw.data(), dw.data(), static_cast<int>(words));
    std::memcpy(p.dst.row(r) + dOff, dw.data(), bytes);
  }
}

// SRCCOPY from 8 bits into 24 or 32 without scaling: one table lookup per pixel.
void LookupRows(const Plan& p, const std::uint32_t* lut) {
  const int step = p.dst.bitsPerPixel / 8;
  for (i64 k = 0; k < p.Rows(); ++k) {
    const int r = p.RowAt(k), sr = p.UnitSourceRow(r);
    if (sr < 0) continue;
    const std::uint8_t* s = p.src->row(sr) + p.xs[0];
    std::uint8_t* d = p.dst.row(r) + std::size_t(p.dx0) * step;
    if (step == 4) {
      for (int i = 0; i < p.n; ++i, d += 4) std::memcpy(d, &lut[s[i]], 4);
      continue;
    }
    // Four-byte stores, each overlapping the next pixel, which is written right
    // after; the last pixel is written with exactly three bytes.
    for (int i = 0; i + 1 < p.n; ++i, d += 3) std::memcpy(d, &lut[s[i]], 4);
    const std::uint32_t v = lut[s[p.n - 1]];
    d[0] = static_cast<std::uint8_t>(v);
    d[1] = static_cast<std::uint8_t>(v >> 8);
    d[2] = static_cast<std::uint8_t>(v >> 16);
  }
}

// A fill that reads neither source nor destination and has a plain colour
// writes the same bytes into every row: one row is worked out and copied down.
void FillRows(const Plan& p, std::uint32_t patternValue) {
  std::vector<std::uint32_t> row(p.n);
  raster::CombineRow(p.index, nullptr, patternValue, nullptr, nullptr, row.data(), p.n);
  raster::WriteRow(p.dst, int(p.cy0), p.dx0, p.n, row.data());
  const std::uint8_t* first = p.dst.row(int(p.cy0)) + p.Bytes(p.dx0);
  for (i64 r = p.cy0 + 1; r < p.cy1; ++r) std::memcpy(p.dst.row(int(r)) + p.Bytes(p.dx0), first, p.Bytes(p.n));
}

// Every other transfer: per destination row, the source values (scaled, shrunk
// and converted), the pattern and the destination are combined by the code.
void TransferRows(const Plan& p, PixelConverter* conv, PatternSource& pattern) {
  const int n = p.n;
  const bool average = p.shrinkX == Shrink::kAverage || p.shrinkY == Shrink::kAverage;
  const bool combineX = p.shrinkX == Shrink::kAnd || p.shrinkX == Shrink::kOr;
  std::vector<std::uint32_t> sBuf(p.usesS ? n : 0), pBuf(p.usesP && !pattern.constant() ? n : 0), dBuf(n), out(n),
      tmp(p.usesS && p.shrinkY != Shrink::kNone ? n : 0);
  std::vector<std::uint8_t> gaps(p.usesP && pattern.transparentGaps() ? n : 0);
  std::vector<std::uint64_t> sums(average ? std::size_t(n) * 4 : 0);
  const bool readD = p.usesD || !gaps.empty();
  const Surface& src = p.usesS ? *p.src : p.dst;

  // Converted source values of one source row across the destination columns.
  auto fetchRow = [&](int sr, std::uint32_t* into) {
    if (!combineX) {
      if (p.unitX) {
        raster::ReadRow(src, sr, p.xs[0], n, into);
      } else {
        raster::ReadMapped(src, sr, p.xs.data(), n, into);
      }
      conv->Row(into, n);
      return;
    }
    std::uint32_t v;
    for (int c = 0; c < n; ++c) {
      raster::ReadRow(src, sr, p.xs[c], 1, &v);
      std::uint32_t acc = (*conv)(v);
      for (int j = p.xs[c] + 1; j < p.xe[c]; ++j) {
        raster::ReadRow(src, sr, j, 1, &v);
        acc = p.shrinkX == Shrink::kAnd ? acc & (*conv)(v) : acc | (*conv)(v);
      }
      into[c] = acc;
    }
  };
  // The average colour of the source block under each destination column.
  auto averageRows = [&](i64 r0, i64 r1) {
    std::fill(sums.begin(), sums.end(), 0);
    std::uint32_t v;
    for (i64 sr = r0; sr < r1; ++sr) {
      for (int c = 0; c < n; ++c) {
        const int j1 = p.shrinkX == Shrink::kAverage ? p.xe[c] : p.xs[c] + 1;
        std::uint64_t* sum = &sums[std::size_t(c) * 4];
        for (int j = p.xs[c]; j < j1; ++j) {
          raster::ReadRow(src, int(sr), j, 1, &v);
          const COLORREF rgb = conv->SourceColor(v);
          sum[0] += GetRValue(rgb), sum[1] += GetGValue(rgb), sum[2] += GetBValue(rgb), sum[3] += 1;
        }
      }
    }
    for (int c = 0; c < n; ++c) {
      const std::uint64_t* sum = &sums[std::size_t(c) * 4];
      const std::uint64_t half = sum[3] / 2;
      sBuf[c] = conv->DestinationValue(
          RGB(BYTE((sum[0] + half) / sum[3]), BYTE((sum[1] + half) / sum[3]), BYTE((sum[2] + half) / sum[3])));
    }
  };

  for (i64 k = 0; k < p.Rows(); ++k) {
    const int r = p.RowAt(k);
    if (p.usesS) {
      i64 r0, r1;
      p.SourceRows(r, r0, r1);
      if (r0 >= r1) continue;
      if (average) {
        averageRows(r0, r1);
      } else {
        fetchRow(int(r0), sBuf.data());
        for (i64 sr = r0 + 1; sr < r1; ++sr) {
          fetchRow(int(sr), tmp.data());
          for (int c = 0; c < n; ++c) sBuf[c] = p.shrinkY == Shrink::kAnd ? sBuf[c] & tmp[c] : sBuf[c] | tmp[c];
        }
      }
    }
    if (!pBuf.empty()) pattern.Row(r, p.dx0, n, pBuf.data(), gaps.empty() ? nullptr : gaps.data());
    if (readD) raster::ReadRow(p.dst, r, p.dx0, n, dBuf.data());
    raster::CombineRow(p.index, pBuf.empty() ? nullptr : pBuf.data(), pattern.constantValue(),
                       p.usesS ? sBuf.data() : nullptr, readD ? dBuf.data() : nullptr, out.data(), n);
    for (std::size_t c = 0; c < gaps.size(); ++c) {
      if (gaps[c]) out[c] = dBuf[c];
    }
    raster::WriteRow(p.dst, r, p.dx0, n, out.data());
  }
}

// The transfer itself, on 64-bit coordinates.
bool Transfer(const Surface& dst, i64 x, i64 y, i64 w, i64 h, const Surface* src, i64 sx, i64 sy, i64 sw, i64 sh,
              const BrushSpec* brush, DWORD rop, const DrawAttributes& attr) {
  Plan p(dst);
  p.index = raster::RopIndex(rop);
  p.usesS = raster::UsesSource(p.index);
  p.usesP = raster::UsesPattern(p.index);
  p.usesD = raster::UsesDestination(p.index);
  if (p.usesS && src == nullptr) return false;
  if (p.index == 0xAA || dst.empty() || (p.usesS && src->empty())) return true;
  p.src = p.usesS ? src : nullptr;

  Normalise(x, w, p.ax.d0, p.ax.dn);
  Normalise(y, h, p.ay.d0, p.ay.dn);
  if (p.ax.dn == 0 || p.ay.dn == 0) return true;
  if (p.usesS) {
    Normalise(sx, sw, p.ax.s0, p.ax.sn);
    Normalise(sy, sh, p.ay.s0, p.ay.sn);
    if (p.ax.sn == 0 || p.ay.sn == 0) return true;
    p.ax.flip = (w < 0) != (sw < 0);
    p.ay.flip = (h < 0) != (sh < 0);
  }

  PatternSource pattern(dst, brush, attr);
  if (p.usesP && !pattern.draws()) return true;

  const i64 cx0 = std::max<i64>(p.ax.d0, 0), cx1 = std::min<i64>(p.ax.d0 + p.ax.dn, dst.width);
  p.cy0 = std::max<i64>(p.ay.d0, 0);
  p.cy1 = std::min<i64>(p.ay.d0 + p.ay.dn, dst.height);
  if (cx0 >= cx1 || p.cy0 >= p.cy1) return true;

  if (!p.usesS) {
    p.dx0 = static_cast<int>(cx0);
    p.n = static_cast<int>(cx1 - cx0);
    if (!p.usesD && (!p.usesP || pattern.constant()) && dst.bitsPerPixel >= 8) {
      FillRows(p, pattern.constantValue());
    } else {
      TransferRows(p, nullptr, pattern);
    }
    return true;
  }

  Shrink mode = Shrink::kNone;
  if (attr.stretchMode == BLACKONWHITE) mode = Shrink::kAnd;
  if (attr.stretchMode == WHITEONBLACK) mode = Shrink::kOr;
  if (attr.stretchMode == HALFTONE) mode = Shrink::kAverage;
  if (p.ax.sn > p.ax.dn) p.shrinkX = mode;
  if (p.ay.sn > p.ay.dn) p.shrinkY = mode;
  if (!MapColumns(p, cx0, cx1)) return true;
  p.unitX = p.ax.sn == p.ax.dn && !p.ax.flip;
  p.unitY = p.ay.sn == p.ay.dn && !p.ay.flip;
  // Within one surface a downward copy runs bottom-up, so it reads each row
  // before it overwrites it. A scaled or mirrored one cannot be ordered so: it
  // reads from a copy of the source rows it needs.
  p.bottomUp = src->top == dst.top && p.unitY && p.ay.d0 > p.ay.s0;
  std::vector<std::uint8_t> detached;
  Surface copy;
  if (src->top == dst.top && !p.unitY) {
    i64 a0, a1, b0, b1;
    p.SourceRows(int(p.cy0), a0, a1);
    p.SourceRows(int(p.cy1 - 1), b0, b1);
    const i64 lo = std::clamp<i64>(std::min(a0, b0), 0, src->height);
    const i64 hi = std::clamp<i64>(std::max(a1, b1), 0, src->height);
    if (hi <= lo) return true;
    const std::size_t rowBytes = (std::size_t(src->width) * std::size_t(src->bitsPerPixel) + 7) / 8;
    try {
      detached.resize(rowBytes * std::size_t(hi - lo));
    } catch (const std::bad_alloc&) {
      return false;
    }
    for (i64 r = lo; r < hi; ++r) std::memcpy(detached.data() + rowBytes * (r - lo), src->row(int(r)), rowBytes);
    copy = *src;
    copy.top = detached.data();
    copy.pitch = static_cast<std::ptrdiff_t>(rowBytes);
    copy.height = static_cast<std::int32_t>(hi - lo);
    p.ay.s0 -= lo;
    src = &copy;
    p.src = src;
  }

  PixelConverter conv(*src, dst, attr, i64{p.n} * p.Rows());
  const bool sameBytes = conv.identity() && src->bitsPerPixel == dst.bitsPerPixel && dst.bitsPerPixel >= 8;
  if (p.unitX && p.unitY) {
    if (p.index == 0xCC && sameBytes) {
      CopyRows(p);
      return true;
    }
    if (!p.usesP && sameBytes) {
      CombineRawRows(p);
      return true;
    }
    if (p.index == 0xCC && conv.lookup() != nullptr && src->bitsPerPixel == 8 &&
        (dst.bitsPerPixel == 24 || dst.bitsPerPixel == 32)) {
      LookupRows(p, conv.lookup());
      return true;
    }
  }
  TransferRows(p, &conv, pattern);
  return true;
}

}  // namespace

bool StretchSurface(const Surface& dst, int x, int y, int w, int h, const Surface* src, int sx, int sy, int sw, int sh,
                    const BrushSpec* brush, DWORD rop, const DrawAttributes& attr) {
  return Transfer(dst, x, y, w, h, src, sx, sy, sw, sh, brush, rop, attr);
}

bool MaskSurface(const Surface& dst, int x, int y, int w, int h, const Surface* src, int sx, int sy,
                 const Surface& mask, int mx, int my, const BrushSpec* brush, DWORD rop4, const DrawAttributes& attr) {
  const std::uint8_t fore = static_cast<std::uint8_t>(rop4 >> 16);
  const std::uint8_t back = static_cast<std::uint8_t>(rop4 >> 24);
  const bool usesS = raster::UsesSource(fore) || raster::UsesSource(back);
  const bool usesP = raster::UsesPattern(fore) || raster::UsesPattern(back);
  if (usesS && src == nullptr) return false;
  if (mask.bitsPerPixel != 1) return false;
  if (w <= 0 || h <= 0 || dst.empty() || mask.empty() || (usesS && src->empty())) return true;

  PatternSource pattern(dst, brush, attr);
  if (usesP && !pattern.draws()) return true;

  // Offsets into the rectangle that every surface involved covers.
  i64 o0x = 0, o1x = w, o0y = 0, o1y = h;
  auto clip = [&](i64 origin, i64 size, i64& lo, i64& hi) {
    lo = std::max(lo, -origin);
    hi = std::min(hi, size - origin);
  };
  clip(x, dst.width, o0x, o1x);
  clip(y, dst.height, o0y, o1y);
  clip(mx, mask.width, o0x, o1x);
  clip(my, mask.height, o0y, o1y);
  if (usesS) {
    clip(sx, src->width, o0x, o1x);
    clip(sy, src->height, o0y, o1y);
  }
  if (o0x >= o1x || o0y >= o1y) return true;

  const int n = static_cast<int>(o1x - o0x);
  const int dx0 = static_cast<int>(x + o0x);
  std::unique_ptr<PixelConverter> conv;
  if (usesS) conv = std::make_unique<PixelConverter>(*src, dst, attr, i64{n} * (o1y - o0y));
  std::vector<std::uint32_t> sBuf(n), pBuf(n), dBuf(n), mBuf(n), fOut(n), bOut(n);
  std::vector<std::uint8_t> gaps(usesP && pattern.transparentGaps() ? n : 0);
  // Within one surface a downward transfer runs bottom-up, so it reads each row
  // before it overwrites it.
  const bool bottomUp = usesS && src->top == dst.top && y > sy;
  for (i64 k = 0; k < o1y - o0y; ++k) {
    const i64 oy = bottomUp ? o1y - 1 - k : o0y + k;
    const int r = static_cast<int>(y + oy);
    if (usesS) {
      raster::ReadRow(*src, static_cast<int>(sy + oy), static_cast<int>(sx + o0x), n, sBuf.data());
      conv->Row(sBuf.data(), n);
    }
    if (usesP) pattern.Row(r, dx0, n, pBuf.data(), gaps.empty() ? nullptr : gaps.data());
    raster::ReadRow(dst, r, dx0, n, dBuf.data());
    raster::ReadRow(mask, static_cast<int>(my + oy), static_cast<int>(mx + o0x), n, mBuf.data());
    raster::CombineRow(fore, pBuf.data(), 0, sBuf.data(), dBuf.data(), fOut.data(), n);
    raster::CombineRow(back, pBuf.data(), 0, sBuf.data(), dBuf.data(), bOut.data(), n);
    for (int c = 0; c < n; ++c) {
      fOut[c] = (mBuf[c] & 1) ? fOut[c] : bOut[c];
      if (!gaps.empty() && gaps[c]) fOut[c] = dBuf[c];
    }
    raster::WriteRow(dst, r, dx0, n, fOut.data());
  }
  return true;
}

void FillSurface(const Surface& dst, const RECT& r, const BrushSpec& brush, const DrawAttributes& attr) {
  const i64 w = i64{r.right} - r.left, h = i64{r.bottom} - r.top;
  if (w <= 0 || h <= 0) return;
  Transfer(dst, r.left, r.top, w, h, nullptr, 0, 0, 0, 0, &brush, PATCOPY, attr);
}

namespace raster {
// Used by the shapes: a brush fill combined with the destination by a mix mode.
void FillWithMix(const Surface& dst, i64 left, i64 top, i64 right, i64 bottom, const BrushSpec& brush,
                 const DrawAttributes& attr) {
  if (right <= left || bottom <= top) return;
  Transfer(dst, left, top, right - left, bottom - top, nullptr, 0, 0, 0, 0, &brush,
           DWORD{Rop3FromRop2(attr.rop2)} << 16, attr);
}
}  // namespace raster

}  // namespace platform
