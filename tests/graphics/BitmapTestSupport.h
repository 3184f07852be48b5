// Helpers for the bitmap tests: pictures made straight on the platform, with
// known pixels, and readers of a bitmap's pixels as RGB.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "graphics/Bitmap.h"
#include "platform/BitmapLayout.h"
#include "platform/Windows.h"

namespace graphicstest {

// A 24-bit DIB-section bitmap of width x height, every pixel white, rows
// bottom-up unless topDown.
inline void MakePicture24(TBitmap& bitmap, int width, int height, bool topDown = false) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = topDown ? -height : height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  std::memset(bits, 0xFF, platform::DibStride(width, 24) * static_cast<std::size_t>(height));
  bitmap.SetBitmapHandle(section);
}

// An 8-bit section with the given colour table whose pixel (x, y) holds index
// (x + y * width) % colours.size().
inline void MakePicture8(TBitmap& bitmap, int width, int height, const std::vector<RGBQUAD>& colours) {
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD table[256];
  } info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = height;
  info.header.biPlanes = 1;
  info.header.biBitCount = 8;
  info.header.biClrUsed = static_cast<DWORD>(colours.size());
  std::copy(colours.begin(), colours.end(), info.table);
  void* bits = nullptr;
  HBITMAP section =
      CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  const std::size_t stride = platform::DibStride(width, 8);
  for (int y = 0; y < height; ++y) {
    auto* row = static_cast<std::uint8_t*>(bits) + static_cast<std::size_t>(height - 1 - y) * stride;
    for (int x = 0; x < width; ++x) row[x] = static_cast<std::uint8_t>((x + y * width) % colours.size());
  }
  bitmap.SetBitmapHandle(section);
}

// The colour of pixel (x, y) as 0x00BBGGRR, read through the bitmap's canvas.
inline COLORREF PixelOf(TBitmap& bitmap, int x, int y) {
  return static_cast<COLORREF>(bitmap.Canvas().PixelColor(x, y));
}

// Every pixel's colour, row by row from the top.
inline std::vector<COLORREF> PixelsOf(TBitmap& bitmap) {
  std::vector<COLORREF> pixels;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) pixels.push_back(PixelOf(bitmap, x, y));
  return pixels;
}

}  // namespace graphicstest
