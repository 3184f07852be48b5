// Turning the system's colour values into the platform's RGB values.
#pragma once

#include "graphics/Types.h"
#include "platform/Windows.h"

// The RGB value of a colour: for a system colour (negative value) the
// platform's current colour of its low-byte index (GetSysColor), any other
// value unchanged. Every colour handed to the platform goes through it.
COLORREF ResolveColor(TColor color) noexcept;

// True for a system colour, whose RGB value follows the desktop's settings.
constexpr bool IsSystemColor(TColor color) noexcept { return color < 0; }
