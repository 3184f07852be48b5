// The image view's zoom: an exact fraction p/q of device pixels per picture
// pixel, from a fixed ladder of steps, and the exact mapping between device
// positions and picture pixels that follows from it. A device position d
// shows picture pixel ⌊d·q / p⌋ (rounded toward negative infinity, so a drag
// captured left of or above the view stays exact), and picture pixel x starts
// at device position ⌊x·p / q⌋.
#pragma once

#include <cstdint>

class TZoom {
 public:
  // What a widget may measure along one axis, in device pixels.
  static constexpr std::int64_t kMaxExtent = 16777215;

  // 1:1.
  constexpr TZoom() = default;
  // p/q reduced to lowest terms; a zero or negative part counts as 1:1.
  TZoom(std::int64_t p, std::int64_t q);

  constexpr std::int64_t P() const { return p_; }
  constexpr std::int64_t Q() const { return q_; }
  constexpr bool IsActual() const { return p_ == q_; }
  friend constexpr bool operator==(TZoom, TZoom) = default;

  // The factor that shows a whole width × height picture in a view of
  // viewWidth × viewHeight device pixels without enlarging it:
  // min(1, viewWidth / width, viewHeight / height), exactly. An empty picture
  // gives 1:1, an empty view the smallest step.
  static TZoom Fit(std::int64_t width, std::int64_t height, std::int64_t viewWidth, std::int64_t viewHeight);

  // The next step of the ladder strictly above this factor, or this factor
  // when none is above it or when the step would make width × height
  // (picture pixels) larger than a widget can be.
  TZoom Larger(std::int64_t width, std::int64_t height) const;
  // The next step strictly below this factor, or this one at the bottom.
  TZoom Smaller() const;

  // The picture pixel under device position d.
  std::int64_t ToPicture(std::int64_t d) const { return FloorDiv(d * q_, p_); }
  // The device position where picture pixel x starts.
  std::int64_t ToDevice(std::int64_t x) const { return FloorDiv(x * p_, q_); }
  // The device pixels a picture of length n needs so that each of its pixels
  // is under at least one of them when enlarged, and so that the last of them
  // still lies in the picture when reduced: ⌈n·p / q⌉, at least 1 for n > 0.
  std::int64_t Extent(std::int64_t n) const;
  // The factor in whole percent, rounded half up ("25" for 1/4).
  std::int64_t Percent() const { return (200 * p_ + q_) / (2 * q_); }

  static std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t quotient = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? quotient - 1 : quotient;
  }

 private:
  std::int64_t p_ = 1;
  std::int64_t q_ = 1;
};
