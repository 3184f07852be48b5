// Small value types shared by the whole graphics layer and everything above it:
// colours, rectangles and points.
#pragma once

#include <algorithm>
#include <cstdint>

// 0x00BBGGRR; a negative value is a system colour whose low byte is the
// platform's system-colour index.
using TColor = std::int32_t;

namespace graphics::detail {
constexpr TColor SystemColor(std::uint32_t index) { return static_cast<TColor>(0x80000000u | index); }
}  // namespace graphics::detail

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clLtGray = clSilver;
inline constexpr TColor clDkGray = clGray;
inline constexpr TColor clMoneyGreen = 0xC0DCC0;
inline constexpr TColor clSkyBlue = 0xF0CAA6;
inline constexpr TColor clCream = 0xF0FBFF;
inline constexpr TColor clMedGray = 0xA4A0A0;

// System colours, by the platform's system-colour index.
inline constexpr TColor clScrollBar = graphics::detail::SystemColor(0);
inline constexpr TColor clBackground = graphics::detail::SystemColor(1);
inline constexpr TColor clActiveCaption = graphics::detail::SystemColor(2);
inline constexpr TColor clInactiveCaption = graphics::detail::SystemColor(3);
inline constexpr TColor clMenu = graphics::detail::SystemColor(4);
inline constexpr TColor clWindow = graphics::detail::SystemColor(5);
inline constexpr TColor clWindowFrame = graphics::detail::SystemColor(6);
inline constexpr TColor clMenuText = graphics::detail::SystemColor(7);
inline constexpr TColor clWindowText = graphics::detail::SystemColor(8);
inline constexpr TColor clCaptionText = graphics::detail::SystemColor(9);
inline constexpr TColor clActiveBorder = graphics::detail::SystemColor(10);
inline constexpr TColor clInactiveBorder = graphics::detail::SystemColor(11);
inline constexpr TColor clAppWorkSpace = graphics::detail::SystemColor(12);
inline constexpr TColor clHighlight = graphics::detail::SystemColor(13);
inline constexpr TColor clHighlightText = graphics::detail::SystemColor(14);
inline constexpr TColor clBtnFace = graphics::detail::SystemColor(15);
inline constexpr TColor clBtnShadow = graphics::detail::SystemColor(16);
inline constexpr TColor clGrayText = graphics::detail::SystemColor(17);
inline constexpr TColor clBtnText = graphics::detail::SystemColor(18);
inline constexpr TColor clInactiveCaptionText = graphics::detail::SystemColor(19);
inline constexpr TColor clBtnHighlight = graphics::detail::SystemColor(20);
inline constexpr TColor cl3DDkShadow = graphics::detail::SystemColor(21);
inline constexpr TColor cl3DLight = graphics::detail::SystemColor(22);
inline constexpr TColor clInfoText = graphics::detail::SystemColor(23);
inline constexpr TColor clInfoBk = graphics::detail::SystemColor(24);

// No colour chosen: the user of the value picks its own default.
inline constexpr TColor clDefault = 0x20000000;
// No colour at all (e.g. no transparent colour).
inline constexpr TColor clNone = 0x1FFFFFFF;

struct TPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;
  friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

// Pixels; as a copy rectangle Right and Bottom are exclusive. A rectangle may be
// reversed (Right < Left): Width and Height are then negative.
struct TRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;

  // Computed in 64 bits: the difference of two 32-bit coordinates may not fit.
  constexpr std::int64_t Width() const { return std::int64_t{Right} - Left; }
  constexpr std::int64_t Height() const { return std::int64_t{Bottom} - Top; }
  constexpr TPoint TopLeft() const { return {Left, Top}; }
  constexpr TPoint BottomRight() const { return {Right, Bottom}; }
  // True when the rectangle covers no pixel (also when reversed).
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  // The same rectangle with Left <= Right and Top <= Bottom.
  constexpr TRect Normalized() const {
    return {std::min(Left, Right), std::min(Top, Bottom), std::max(Left, Right), std::max(Top, Bottom)};
  }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Rect(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom) {
  return {left, top, right, bottom};
}
constexpr TPoint Point(std::int32_t x, std::int32_t y) { return {x, y}; }
