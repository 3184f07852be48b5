// The program's icon: a 32 × 32, 16-colour picture of a landscape with a dashed
// selection rectangle being dragged over it.
#pragma once

#include <cstdint>

namespace resources {

inline constexpr int kMainIconSize = 32;
// The 16 colours, 0x00RRGGBB, indexed by the hexadecimal digits of the rows.
extern const std::uint32_t kMainIconPalette[16];
// 32 rows of 32 characters, top row first: a palette index per pixel, '.' for
// a transparent one.
extern const char* const kMainIconRows[kMainIconSize];

}  // namespace resources
