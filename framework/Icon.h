// A small paletted icon given as pixel art, the way the program's icon resource
// is kept in the source.
#pragma once

#include <cstdint>
#include <span>

// Width × Height pixels; Rows holds Height texts of Width characters, each a
// hexadecimal digit naming a Palette entry (0x00RRGGBB) or '.' for a
// transparent pixel. A digit past the palette, or a short row, is transparent.
struct TIconImage {
  int Width = 0;
  int Height = 0;
  std::span<const std::uint32_t> Palette;
  std::span<const char* const> Rows;
};
