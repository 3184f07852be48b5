// Helpers for the canvas and tool tests: a canvas that draws into a 24-bit DIB
// section of its own, and a fixture that fails a test which leaves platform
// objects behind.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "graphics/Canvas.h"
#include "platform/BitmapLayout.h"
#include "platform/Objects.h"
#include "platform/Windows.h"

namespace graphicstest {

// Draws into a top-down 24-bit DIB section made on first need. The section
// outlives Detach, as a bitmap's pixels outlive its canvas's device context.
class TDibCanvas : public TCanvas {
 public:
  TDibCanvas(int width, int height) : width_(width), height_(height) {}
  ~TDibCanvas() override {
    Detach();
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
  }

  // Hands the device context back and deletes it; the next drawing makes a new one.
  void Detach() {
    HDC dc = CurrentHandle();
    if (dc == nullptr) return;
    SetDeviceContext(nullptr);
    SelectObject(dc, previous_);
    DeleteDC(dc);
  }

  int Width() const { return width_; }
  int Height() const { return height_; }
  std::size_t Stride() const { return platform::DibStride(width_, 24); }
  // The pixel memory (made if need be), top row first.
  std::uint8_t* Bits() {
    EnsureBitmap();
    return bits_;
  }
  std::vector<std::uint8_t> Snapshot() {
    std::uint8_t* bits = Bits();
    return std::vector<std::uint8_t>(bits, bits + Stride() * height_);
  }
  // Blue, green, red of one pixel read straight from memory.
  std::array<std::uint8_t, 3> Pixel(int x, int y) {
    const std::uint8_t* p = Bits() + Stride() * y + 3 * x;
    return {p[0], p[1], p[2]};
  }
  // Fills every pixel with a pattern in which neighbours differ.
  void FillPattern(std::uint32_t seed) {
    std::uint8_t* bits = Bits();
    std::uint32_t state = seed;
    for (std::size_t i = 0; i < Stride() * height_; ++i) {
      state = state * 1664525u + 1013904223u;
      bits[i] = static_cast<std::uint8_t>(state >> 24);
    }
  }
  int DeviceContextsMade = 0;

 protected:
  void CreateDeviceContext() override {
    EnsureBitmap();
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) return;
    previous_ = SelectObject(dc, bitmap_);
    ++DeviceContextsMade;
    SetDeviceContext(dc);
  }

 private:
  void EnsureBitmap() {
    if (bitmap_ != nullptr) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap_, nullptr);
    bits_ = static_cast<std::uint8_t*>(bits);
    std::memset(bits_, 0, Stride() * height_);
  }

  int width_;
  int height_;
  HBITMAP bitmap_ = nullptr;
  std::uint8_t* bits_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// Fails the test when the number of live platform objects of any kind differs
// at its end from its start.
class LeakCheckedTest : public ::testing::Test {
 protected:
  void SetUp() override { before_ = Counts(); }
  void TearDown() override { EXPECT_EQ(Counts(), before_) << "platform objects leaked (or were freed twice)"; }

 private:
  static std::array<std::size_t, 6> Counts() {
    using platform::ObjectKind;
    return {platform::LiveObjectCount(ObjectKind::Bitmap), platform::LiveObjectCount(ObjectKind::Palette),
            platform::LiveObjectCount(ObjectKind::Pen),    platform::LiveObjectCount(ObjectKind::Brush),
            platform::LiveObjectCount(ObjectKind::Font),   platform::LiveObjectCount(ObjectKind::DeviceContext)};
  }
  std::array<std::size_t, 6> before_{};
};

}  // namespace graphicstest
