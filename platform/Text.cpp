#include "platform/Text.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/RasterRows.h"

namespace platform {

namespace {

using i64 = std::int64_t;

// Glyphs kept per font before its cache starts over, so text with many distinct
// characters at a large size cannot grow memory without bound.
constexpr std::size_t kMaxCachedGlyphs = 4096;
// Synthetic italics lean by this much (16.16 fixed point, about 12 degrees).
constexpr FT_Fixed kItalicShear = 0x3666;

// The Windows face names the program's windows ask for, and the installed
// families that stand in for them.
struct Alias {
  const char* name;
  const char* family;
};
constexpr Alias kAliases[] = {
    {"ＭＳ Ｐゴシック", "IPAPGothic"},
    {"ＭＳ ゴシック", "IPAGothic"},
};

std::string AliasConfig() {
  std::string xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n";
  for (const Alias& a : kAliases) {
    xml += "<alias binding=\"same\"><family>";
    xml += a.name;
    xml += "</family><accept><family>";
    xml += a.family;
    xml += "</family></accept></alias>\n";
  }
  xml += "</fontconfig>\n";
  return xml;
}

struct Glyph {
  int left = 0;  // from the pen position to the bitmap's first column
  int top = 0;   // from the baseline up to the bitmap's first row
  int width = 0;
  int rows = 0;
  int pitch = 0;    // bytes per row of `bits`, one bit per pixel, high bit first
  int advance = 0;  // pixels
  std::vector<std::uint8_t> bits;
};

struct Character {
  char32_t code;
  std::size_t firstByte;
  std::size_t bytes;
};

// Decodes UTF-8; malformed, overlong or surrogate sequences become U+FFFD.
std::vector<Character> DecodeUtf8(const char* text, std::size_t count) {
  std::vector<Character> out;
  if (text == nullptr) return out;
  count = std::min(count, kMaxTextBytes);
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  std::size_t i = 0;
  while (i < count) {
    const unsigned char c = s[i];
    int extra = 0;
    char32_t cp = 0, min = 0;
    if (c < 0x80) {
      out.push_back({c, i, 1});
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      extra = 1, cp = c & 0x1F, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2, cp = c & 0x0F, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3, cp = c & 0x07, min = 0x10000;
    } else {
      out.push_back({0xFFFD, i, 1});
      ++i;
      continue;
    }
    std::size_t j = 1;
    for (; j <= std::size_t(extra) && i + j < count && (s[i + j] & 0xC0) == 0x80; ++j)
      cp = (cp << 6) | (s[i + j] & 0x3F);
    if (j != std::size_t(extra) + 1 || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back({0xFFFD, i, j});  // the lead byte and the continuation bytes it took
      i += j;
      continue;
    }
    out.push_back({cp, i, j});
    i += j;
  }
  return out;
}

}  // namespace

class TextFont {
 public:
  TextFont(FT_Face face, FontDescription description, bool emboldenOutlines, bool slantOutlines)
      : face_(face), description_(std::move(description)), embolden_(emboldenOutlines), slant_(slantOutlines) {}
  ~TextFont() { FT_Done_Face(face_); }
  TextFont(const TextFont&) = delete;
  TextFont& operator=(const TextFont&) = delete;

  const FontDescription& description() const { return description_; }

  const Glyph& GlyphFor(char32_t cp) const {
    auto found = glyphs_.find(cp);
    if (found != glyphs_.end()) return found->second;
    if (glyphs_.size() >= kMaxCachedGlyphs) glyphs_.clear();
    return glyphs_.emplace(cp, Render(cp)).first->second;
  }

 private:
  Glyph Render(char32_t cp) const {
    Glyph g;
    FT_UInt index = FT_Get_Char_Index(face_, cp);
    if (index == 0 && cp != 0xFFFD) index = FT_Get_Char_Index(face_, 0xFFFD);
    if (FT_Load_Glyph(face_, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) != 0) return g;
    FT_GlyphSlot slot = face_->glyph;
    FT_Pos extraAdvance = 0;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
      if (embolden_) {
        const FT_Pos strength = std::max<FT_Pos>(64, FT_MulFix(face_->units_per_EM, face_->size->metrics.y_scale) / 24);
        FT_Outline_Embolden(&slot->outline, strength);
        extraAdvance = strength;
      }
      if (slant_) {
        FT_Matrix shear{0x10000, kItalicShear, 0, 0x10000};
        FT_Outline_Transform(&slot->outline, &shear);
      }
    }
    g.advance = static_cast<int>((slot->advance.x + extraAdvance + 32) >> 6);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return g;
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.width == 0 || bm.rows == 0 || bm.buffer == nullptr) return g;
    if (bm.pixel_mode != FT_PIXEL_MODE_MONO && bm.pixel_mode != FT_PIXEL_MODE_GRAY) return g;
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.width = static_cast<int>(bm.width);
    g.rows = static_cast<int>(bm.rows);
    g.pitch = (g.width + 7) / 8;
    g.bits.assign(std::size_t(g.pitch) * g.rows, 0);
    for (int y = 0; y < g.rows; ++y) {
      const int srcRow = bm.pitch >= 0 ? y : g.rows - 1 - y;
      const unsigned char* in = bm.buffer + std::ptrdiff_t(srcRow) * std::abs(bm.pitch);
      std::uint8_t* out = g.bits.data() + std::size_t(y) * g.pitch;
      if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
        std::memcpy(out, in, std::size_t(g.pitch));
      } else {
        for (int x = 0; x < g.width; ++x) {
          if (in[x] >= 128) out[x >> 3] |= static_cast<std::uint8_t>(0x80u >> (x & 7));
        }
      }
    }
    return g;
  }

  FT_Face face_;
  FontDescription description_;
  bool embolden_;
  bool slant_;
  mutable std::unordered_map<char32_t, Glyph> glyphs_;
};

namespace {

// The back end's process-wide state, made by TextStartup (or the first font)
// and destroyed by TextShutdown.
struct Backend {
  bool fontconfigReady = false;
  FT_Library library = nullptr;
  std::map<std::string, std::unique_ptr<TextFont>> fonts;
};

std::mutex gMutex;
Backend* gBackend = nullptr;

bool StartLocked() {
  if (gBackend != nullptr) return gBackend->fontconfigReady;
  gBackend = new Backend;
  if (!FcInit()) return false;
  gBackend->fontconfigReady = true;
  const std::string xml = AliasConfig();
  FcConfigParseAndLoadFromMemory(FcConfigGetCurrent(), reinterpret_cast<const FcChar8*>(xml.c_str()), FcTrue);
  return true;
}

// The face name of a LOGFONT, which need not be terminated within its field.
std::string FaceName(const LOGFONTA& lf) { return std::string(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE)); }

bool SameName(const char* a, const std::string& b) {
  return FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(a), reinterpret_cast<const FcChar8*>(b.c_str())) == 0;
}

// Ascent and descent of the face in font units, as the platform measures cells.
void DesignMetrics(FT_Face face, i64& ascent, i64& descent) {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    ascent = os2->usWinAscent;
    descent = os2->usWinDescent;
    return;
  }
  ascent = face->ascender;
  descent = -i64{face->descender};
  if (ascent + descent <= 0) ascent = face->units_per_EM, descent = 0;
}

std::unique_ptr<TextFont> Load(const LOGFONTA& lf) {
  const std::string wanted = FaceName(lf);
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return nullptr;
  if (!wanted.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(wanted.c_str()));
  const LONG weight = lf.lfWeight <= 0 ? FW_NORMAL : std::min<LONG>(lf.lfWeight, 1000);
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
  FcPatternAddInteger(pattern, FC_SLANT, lf.lfItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return nullptr;

  FontDescription d;
  FcChar8* file = nullptr;
  int faceIndex = 0;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) d.file = reinterpret_cast<const char*>(file);
  FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex);
  bool named = wanted.empty();
  FcChar8* family = nullptr;
  for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &family) == FcResultMatch; ++i) {
    const char* f = reinterpret_cast<const char*>(family);
    if (i == 0) d.family = f;
    if (SameName(f, wanted)) named = true;
    for (const Alias& a : kAliases) {
      if (SameName(a.name, wanted) && SameName(a.family, f)) named = true;
    }
  }
  FcPatternDestroy(match);
  d.fallback = !named;

  FT_Face face = nullptr;
  if (d.file.empty() || FT_New_Face(gBackend->library, d.file.c_str(), faceIndex, &face) != 0) return nullptr;

  i64 ascent = 0, descent = 0;
  DesignMetrics(face, ascent, descent);
  const i64 upem = face->units_per_EM > 0 ? face->units_per_EM : ascent + descent;
  const i64 height = lf.lfHeight;
  i64 pixels = kDefaultCharHeight;
  if (height < 0) pixels = -height;
  if (height > 0) pixels = (height * upem + (ascent + descent) / 2) / (ascent + descent);
  pixels = std::clamp<i64>(pixels, 1, kMaxFontPixels);
  if (FT_IS_SCALABLE(face)) {
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixels));
  } else if (face->num_fixed_sizes > 0) {
    int best = 0;
    for (int i = 1; i < face->num_fixed_sizes; ++i) {
      if (std::llabs(face->available_sizes[i].height - pixels) <
          std::llabs(face->available_sizes[best].height - pixels))
        best = i;
    }
    FT_Select_Size(face, best);
    pixels = face->available_sizes[best].height;
  }
  d.charHeight = static_cast<int>(pixels);
  if (height > 0 && height <= kMaxFontPixels) {
    // A cell height asked for is the cell height reported.
    d.cellHeight = static_cast<int>(height);
    d.ascent = static_cast<int>((height * ascent + (ascent + descent) / 2) / (ascent + descent));
  } else {
    d.ascent = static_cast<int>((pixels * ascent + upem - 1) / upem);
    d.cellHeight = d.ascent + static_cast<int>((pixels * descent + upem - 1) / upem);
  }
  d.descent = d.cellHeight - d.ascent;
  // Decoration lines: the font's own positions where it has them.
  auto scaled = [&](i64 units) {
    return static_cast<int>((units * pixels + (units >= 0 ? upem / 2 : -upem / 2)) / upem);
  };
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const int stroke = std::max(1, scaled(face->underline_thickness > 0 ? face->underline_thickness : upem / 14));
  if (lf.lfUnderline) {
    const int below = face->underline_position < 0 ? std::max(1, -scaled(face->underline_position)) : 1;
    d.underlineTop = std::min(d.ascent + below - stroke / 2, d.cellHeight - stroke);
    d.underlineThickness = stroke;
  }
  if (lf.lfStrikeOut) {
    const bool own = os2 != nullptr && os2->version != 0xFFFF && os2->yStrikeoutSize > 0;
    d.strikeOutThickness = own ? std::max(1, scaled(os2->yStrikeoutSize)) : stroke;
    d.strikeOutTop = d.ascent - (own ? scaled(os2->yStrikeoutPosition) : d.ascent / 3);
  }

  const bool embolden = weight >= 600 && !(face->style_flags & FT_STYLE_FLAG_BOLD);
  const bool slant = lf.lfItalic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
  return std::make_unique<TextFont>(face, std::move(d), embolden, slant);
}

std::string CacheKey(const LOGFONTA& lf) {
  std::string key(reinterpret_cast<const char*>(&lf.lfHeight), sizeof lf.lfHeight);
  key.append(reinterpret_cast<const char*>(&lf.lfWeight), sizeof lf.lfWeight);
  key.push_back(static_cast<char>((lf.lfItalic ? 1 : 0) | (lf.lfUnderline ? 2 : 0) | (lf.lfStrikeOut ? 4 : 0)));
  key += FaceName(lf);
  return key;
}

}  // namespace

bool TextStartup() {
  std::lock_guard lock(gMutex);
  return StartLocked();
}

void TextShutdown() {
  std::lock_guard lock(gMutex);
  if (gBackend == nullptr) return;
  gBackend->fonts.clear();
  if (gBackend->library != nullptr) FT_Done_FreeType(gBackend->library);
  if (gBackend->fontconfigReady) FcFini();
  delete gBackend;
  gBackend = nullptr;
}

const TextFont* ResolveFont(const LOGFONTA& logFont) {
  std::lock_guard lock(gMutex);
  if (!StartLocked()) return nullptr;
  if (gBackend->library == nullptr && FT_Init_FreeType(&gBackend->library) != 0) {
    gBackend->library = nullptr;
    return nullptr;
  }
  const std::string key = CacheKey(logFont);
  auto found = gBackend->fonts.find(key);
  if (found != gBackend->fonts.end()) return found->second.get();
  std::unique_ptr<TextFont> font = Load(logFont);
  if (font == nullptr) return nullptr;
  return gBackend->fonts.emplace(key, std::move(font)).first->second.get();
}

FontDescription DescribeFont(const TextFont* font) { return font != nullptr ? font->description() : FontDescription{}; }

SIZE MeasureText(const TextFont* font, const char* text, std::size_t count) {
  if (font == nullptr) return SIZE{0, 0};
  std::lock_guard lock(gMutex);
  i64 width = 0;
  for (const Character& ch : DecodeUtf8(text, count)) width += font->GlyphFor(ch.code).advance;
  return SIZE{static_cast<LONG>(std::min<i64>(width, 0x7FFFFFFF)), font->description().cellHeight};
}

bool DrawText(const Surface& dst, const TextFont* font, int x, int y, UINT options, const RECT* rect, const char* text,
              std::size_t count, const INT* dx, const DrawAttributes& attr) {
  if (font == nullptr) return false;
  std::lock_guard lock(gMutex);
  const std::vector<Character> chars = DecodeUtf8(text, count);
  // A character's advance: its glyph's, or the sum of the spacing entries of
  // its bytes when the caller gives them.
  auto advance = [&](const Character& ch, const Glyph& g) -> i64 {
    if (dx == nullptr) return g.advance;
    i64 sum = 0;
    for (std::size_t b = 0; b < ch.bytes; ++b) sum += dx[ch.firstByte + b];
    return sum;
  };
  const FontDescription& d = font->description();

  // The area drawing may touch: the surface, and the rectangle when clipping.
  i64 clipL = 0, clipT = 0, clipR = dst.width, clipB = dst.height;
  if (rect != nullptr && (options & ETO_CLIPPED)) {
    clipL = std::max<i64>(clipL, rect->left), clipT = std::max<i64>(clipT, rect->top);
    clipR = std::min<i64>(clipR, rect->right), clipB = std::min<i64>(clipB, rect->bottom);
  }
  if (dst.empty()) return true;

  BrushSpec background;
  background.color = attr.bkColor;
  if (rect != nullptr && (options & ETO_OPAQUE)) FillSurface(dst, *rect, background, attr);

  i64 width = 0;
  for (const Character& ch : chars) width += advance(ch, font->GlyphFor(ch.code));
  if (attr.bkMode == OPAQUE && width > 0) {
    auto c = [](i64 v, i64 lo, i64 hi) { return static_cast<LONG>(std::clamp(v, lo, hi)); };
    const RECT cell{c(x, clipL, clipR), c(y, clipT, clipB), c(i64{x} + width, clipL, clipR),
                    c(i64{y} + d.cellHeight, clipT, clipB)};
    FillSurface(dst, cell, background, attr);
  }
  if (clipL >= clipR || clipT >= clipB) return true;

  const std::uint32_t inkValue = ColorToPixel(dst, attr.textColor);
  i64 penX = x;
  const i64 baseline = i64{y} + d.ascent;
  for (const Character& ch : chars) {
    const Glyph& g = font->GlyphFor(ch.code);
    const i64 gx = penX + g.left, gy = baseline - g.top;
    const i64 r0 = std::max<i64>(0, clipT - gy), r1 = std::min<i64>(g.rows, clipB - gy);
    const i64 c0 = std::max<i64>(0, clipL - gx), c1 = std::min<i64>(g.width, clipR - gx);
    for (i64 r = r0; r < r1; ++r) {
      const std::uint8_t* bits = g.bits.data() + std::size_t(r) * g.pitch;
      for (i64 c = c0; c < c1; ++c) {
        if (bits[c >> 3] & (0x80u >> (c & 7))) {
          std::uint32_t v = inkValue;
          raster::WriteRow(dst, static_cast<int>(gy + r), static_cast<int>(gx + c), 1, &v);
        }
      }
    }
    penX += advance(ch, g);
  }
  // Underline and strike-out run the text's whole advance.
  auto rule = [&](int top, int thickness) {
    const i64 left = std::max<i64>(x, clipL), right = std::min<i64>(penX, clipR);
    const i64 t = std::max<i64>(i64{y} + top, clipT), b = std::min<i64>(i64{y} + top + thickness, clipB);
    if (thickness <= 0 || left >= right || t >= b) return;
    std::vector<std::uint32_t> ink(std::size_t(right - left), inkValue);
    for (i64 r = t; r < b; ++r) raster::WriteRow(dst, int(r), int(left), int(right - left), ink.data());
  };
  rule(d.underlineTop, d.underlineThickness);
  rule(d.strikeOutTop, d.strikeOutThickness);
  return true;
}

}  // namespace platform
