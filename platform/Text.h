// The font back end behind CreateFontIndirectA, ExtTextOutA and
// GetTextExtentPoint32A: font names resolved through fontconfig, glyphs rendered
// by FreeType. Glyphs are rendered as monochrome bitmaps on every target, so text
// on a 1-bit bitmap is exact and text on any bitmap is free of blended colours.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Raster.h"
#include "platform/Surface.h"
#include "platform/Windows.h"

namespace platform {

// Character height in pixels of a font whose lfHeight is 0.
inline constexpr int kDefaultCharHeight = 12;
// Largest character or cell height a font may ask for, in pixels; larger requests
// are clamped to it so a hostile LOGFONT cannot make FreeType render huge glyphs.
inline constexpr int kMaxFontPixels = 2048;
// Longest text, in bytes, that one call draws or measures; the rest is ignored.
inline constexpr std::size_t kMaxTextBytes = 1 << 16;

// Starts the font back end: initialises fontconfig and teaches it the program's
// font aliases ("ＭＳ Ｐゴシック" -> IPAPGothic). FreeType itself starts lazily
// with the first font. Returns false when fontconfig cannot start; text calls
// then draw nothing. Calling it again is harmless.
bool TextStartup();
// Frees every resolved font and its glyph cache, FreeType and fontconfig
// (FcFini). Fonts resolved before it are invalid afterwards.
void TextShutdown();

// A font resolved from a LOGFONTA. Opaque; owned by the back end's cache, which
// hands out the same object for the same attributes until TextShutdown.
class TextFont;

// What fontconfig made of a LOGFONTA.
struct FontDescription {
  std::string family;     // family name of the font file used
  std::string file;       // path of the font file
  bool fallback = false;  // the face name asked for is not installed: best match used
  int ascent = 0;         // pixels above the baseline
  int descent = 0;        // pixels below it
  int cellHeight = 0;     // ascent + descent, the height GetTextExtentPoint32 reports
  int charHeight = 0;     // em size in pixels
  // Rows of the underline and the strike-out line, from the cell's top; a
  // thickness of 0 means the font has none (lfUnderline, lfStrikeOut).
  int underlineTop = 0, underlineThickness = 0;
  int strikeOutTop = 0, strikeOutThickness = 0;
};

// Resolves a font: the face name through fontconfig (with the program's aliases;
// fontconfig's best match when the name is not installed), lfHeight < 0 as the
// character height in pixels, > 0 as the cell height, 0 as kDefaultCharHeight;
// lfWeight and lfItalic select the style. Returns null when no font file can be
// loaded at all (or TextStartup failed). The result lives until TextShutdown.
const TextFont* ResolveFont(const LOGFONTA& logFont);
// The description of a resolved font; empty for null.
FontDescription DescribeFont(const TextFont* font);

// GetTextExtentPoint32A: the advance width of `count` bytes of UTF-8 text and the
// font's cell height. Malformed UTF-8 bytes count as U+FFFD. A null font gives
// (0, 0).
SIZE MeasureText(const TextFont* font, const char* text, std::size_t count);

// ExtTextOutA: draws `count` bytes of UTF-8 text with the top-left of its cell at
// (x, y) in attr.textColor, underlined and struck out as the font asks. With ETO_OPAQUE and a rectangle, the rectangle
// is first filled in attr.bkColor; with attr.bkMode OPAQUE the text's cell box is. With ETO_CLIPPED and a rectangle,
// drawing stays inside it; it always stays inside the surface. `dx`, when given, holds `count` spacing entries, one per
// byte as with the platform's ANSI call: a character advances by the sum of its bytes' entries. Returns false only for
// a null font.
bool DrawText(const Surface& dst, const TextFont* font, int x, int y, UINT options, const RECT* rect, const char* text,
              std::size_t count, const INT* dx, const DrawAttributes& attr);

}  // namespace platform
