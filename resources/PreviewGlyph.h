// The glyph of the picture dialogs' preview button: a 16 × 16, 16-colour
// magnifying glass, kept as bitmap resource data (info header, colour table,
// 4-bit rows).
#pragma once

#include <cstddef>
#include <cstdint>

namespace resources {

inline constexpr std::size_t kPreviewGlyphSize = 40 + 16 * 4 + 16 * 8;
extern const std::uint8_t kPreviewGlyph[kPreviewGlyphSize];

}  // namespace resources
