// Logical and device pixels. Windows, menus, text and most controls are laid
// out in logical pixels, which follow the desktop's scale; graphic controls
// count the screen's device pixels, so that a picture shows each of its
// pixels on exactly one of them. The scale is a whole number (the framework
// rounds the desktop's when it starts), so every logical pixel is a square
// block of device pixels and every device pixel lies in one logical pixel.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "graphics/Types.h"

namespace framework {

// A 64-bit coordinate brought into the 32-bit range, keeping its sign.
constexpr int SaturatedInt(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                    std::numeric_limits<std::int32_t>::max()));
}

class PixelMapping {
 public:
  constexpr PixelMapping() = default;
  // A scale below 1 counts as 1.
  explicit constexpr PixelMapping(int scale) : scale_(std::max(scale, 1)) {}

  // Device pixels per logical pixel along each axis.
  constexpr int Scale() const { return scale_; }

  // The device pixels that make up logical ones.
  TRect ToDevice(const TRect& logical) const {
    return Rect(SaturatedInt(std::int64_t{logical.Left} * scale_), SaturatedInt(std::int64_t{logical.Top} * scale_),
                SaturatedInt(std::int64_t{logical.Right} * scale_),
                SaturatedInt(std::int64_t{logical.Bottom} * scale_));
  }
  // The smallest logical rectangle that covers device pixels: its start
  // rounded down, its end rounded up.
  TRect LogicalCover(const TRect& device) const {
    return Rect(Down(device.Left), Down(device.Top), Up(device.Right), Up(device.Bottom));
  }
  // The logical pixels a run of device pixels needs (a length, rounded up).
  int LogicalLength(int device) const { return Up(device); }
  // The device pixel under a logical position, which may lie inside a
  // logical pixel.
  int DeviceAt(double logical) const {
    const double device = std::floor(logical * scale_);
    if (std::isnan(device)) return 0;
    constexpr double kLow = std::numeric_limits<std::int32_t>::min();
    constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
    return static_cast<int>(std::clamp(device, kLow, kHigh));
  }
  // The logical position of a device pixel's top-left corner.
  double LogicalAt(int device) const { return static_cast<double>(device) / scale_; }

 private:
  // Division that rounds toward negative or positive infinity, also for
  // positions left of or above the origin.
  int Down(std::int32_t device) const {
    const std::int64_t v = device;
    return SaturatedInt(v >= 0 ? v / scale_ : -((-v + scale_ - 1) / scale_));
  }
  int Up(std::int32_t device) const {
    const std::int64_t v = device;
    return SaturatedInt(v >= 0 ? (v + scale_ - 1) / scale_ : -(-v / scale_));
  }

  int scale_ = 1;
};

}  // namespace framework
