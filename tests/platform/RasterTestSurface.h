// Pixel buffers for the drawing engine's tests: rows padded like a DIB, the
// whole buffer fenced by guard bytes, so a test can prove that an operation
// wrote nothing outside the pixels it was given (AddressSanitizer sees the
// allocation's true end as well).
#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "platform/BitmapLayout.h"
#include "platform/Surface.h"

namespace rastertest {

inline constexpr std::size_t kGuard = 64;
inline constexpr std::uint8_t kGuardByte = 0xA5;

class TestSurface {
 public:
  TestSurface(int width, int height, int bpp, bool bottomUp = false, std::vector<RGBQUAD> colors = {})
      : colors_(std::move(colors)) {
    stride_ = platform::DibStride(width, bpp);
    used_ = (std::size_t(width) * bpp + 7) / 8;
    bytes_.assign(2 * kGuard + stride_ * height, kGuardByte);
    std::memset(bytes_.data() + kGuard, 0, stride_ * height);
    for (int y = 0; y < height; ++y) {
      std::memset(bytes_.data() + kGuard + stride_ * y + used_, kGuardByte, stride_ - used_);
    }
    view_.width = width;
    view_.height = height;
    view_.bitsPerPixel = bpp;
    std::uint8_t* first = bytes_.data() + kGuard;
    if (bottomUp && height > 0) {
      view_.top = first + stride_ * (height - 1);
      view_.pitch = -static_cast<std::ptrdiff_t>(stride_);
    } else {
      view_.top = first;
      view_.pitch = static_cast<std::ptrdiff_t>(stride_);
    }
    if (!colors_.empty()) {
      view_.colors = colors_.data();
      view_.colorCount = static_cast<std::int32_t>(colors_.size());
    }
  }

  const platform::Surface& view() const { return view_; }
  platform::Surface& view() { return view_; }
  operator const platform::Surface&() const { return view_; }

  // True when no byte outside the pixels (guards and whole padding bytes) changed.
  bool Intact() const {
    for (std::size_t i = 0; i < kGuard; ++i) {
      if (bytes_[i] != kGuardByte || bytes_[bytes_.size() - 1 - i] != kGuardByte) return false;
    }
    for (int y = 0; y < view_.height; ++y) {
      const std::uint8_t* row = bytes_.data() + kGuard + stride_ * y;
      for (std::size_t i = used_; i < stride_; ++i) {
        if (row[i] != kGuardByte) return false;
      }
    }
    return true;
  }

  // Fills every pixel with random values (padding bits of a partial last byte too).
  void Randomise(std::uint32_t seed) {
    std::mt19937 rng(seed);
    for (int y = 0; y < view_.height; ++y) {
      std::uint8_t* row = bytes_.data() + kGuard + stride_ * y;
      for (std::size_t i = 0; i < used_; ++i) row[i] = static_cast<std::uint8_t>(rng());
    }
  }

  std::vector<std::uint8_t> Pixels() const {
    return std::vector<std::uint8_t>(bytes_.begin() + kGuard, bytes_.end() - kGuard);
  }

 private:
  std::vector<RGBQUAD> colors_;
  std::vector<std::uint8_t> bytes_;
  std::size_t stride_ = 0;
  std::size_t used_ = 0;
  platform::Surface view_;
};

}  // namespace rastertest
