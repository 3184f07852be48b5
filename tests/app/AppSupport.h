// Pictures with known pixels for the window tests, written as files the way a
// user would have them, and the two windows made as start-up makes them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/DispForm.h"
#include "app/MainForm.h"
#include "framework/Testing.h"
#include "graphics/Bitmap.h"
#include "jpeg/JpegImage.h"
#include "platform/BitmapLayout.h"
#include "platform/Windows.h"
#include "tests/framework/Support.h"

namespace apptest {

// Every pixel differs from its neighbours in each channel, so an outline or a
// piece that is off by one shows.
inline TColor PatternColor(int x, int y) {
  const auto r = static_cast<std::uint32_t>((x * 5 + y) & 0xFF);
  const auto g = static_cast<std::uint32_t>((y * 3 + x * 2) & 0xFF);
  const auto b = static_cast<std::uint32_t>((x + y * 7 + 40) & 0xFF);
  return static_cast<TColor>(r | (g << 8) | (b << 16));
}

// A 24-bit bitmap of the pattern.
inline void MakePattern(TBitmap& bitmap, int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  const std::size_t stride = platform::DibStride(width, 24);
  for (int y = 0; y < height; ++y) {
    auto* row = static_cast<std::uint8_t*>(bits) + static_cast<std::size_t>(y) * stride;
    for (int x = 0; x < width; ++x) {
      const auto c = static_cast<std::uint32_t>(PatternColor(x, y));
      row[x * 3] = static_cast<std::uint8_t>(c >> 16);
      row[x * 3 + 1] = static_cast<std::uint8_t>(c >> 8);
      row[x * 3 + 2] = static_cast<std::uint8_t>(c);
    }
  }
  bitmap.SetBitmapHandle(section);
}

inline void WritePatternBmp(const std::string& path, int width, int height) {
  TBitmap bitmap;
  MakePattern(bitmap, width, height);
  bitmap.SaveFile(path);
}

inline void WritePatternJpeg(const std::string& path, int width, int height) {
  TBitmap bitmap;
  MakePattern(bitmap, width, height);
  TJPEGImage jpeg;
  jpeg.CopyFrom(&bitmap);
  jpeg.SaveFile(path);
}

inline TColor Pixel(TBitmap& bitmap, int x, int y) { return bitmap.Canvas().PixelColor(x, y); }

// A folder of its own for one test, removed afterwards.
class TempDir {
 public:
  TempDir() {
    path_ = std::filesystem::temp_directory_path() /
            ("kiritori-app-" + std::to_string(::getpid()) + "-" + std::to_string(counter_++));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  static inline int counter_ = 0;
  std::filesystem::path path_;
};

// Both windows as start-up makes them, the main one shown.
struct Windows {
  ScopedApplication app;
  Windows() {
    app->CreateForm(mainForm);
    app->CreateForm(dispForm);
    mainForm->Show();
    framework::testing::ProcessEvents();
  }
};

// Runs the main window's Open with the user typing path into the dialog.
inline void OpenThroughDialog(const std::string& path) {
  framework::testing::RunLater([path] { framework::testing::AcceptFileDialog(path); });
  mainForm->FileMenuOpenClick(nullptr);
  framework::testing::ProcessEvents();
}

inline void CancelOpen() {
  framework::testing::RunLater([] { framework::testing::CancelFileDialog(); });
  mainForm->FileMenuOpenClick(nullptr);
  framework::testing::ProcessEvents();
}

}  // namespace apptest
