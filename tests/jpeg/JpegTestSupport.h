// Pictures, files and the reference tools (cjpeg, djpeg) for the JPEG tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "graphics/Bitmap.h"
#include "jpeg/JpegImage.h"
#include "runtime/MemoryStream.h"
#include "tests/jpeg/JpegBytes.h"

namespace jpegtest {

using Bytes = std::vector<std::uint8_t>;

// An RGB picture, rows top first.
struct Rgb {
  int width = 0;
  int height = 0;
  int channels = 3;  // 1 for a grey map
  Bytes pixels;
  const std::uint8_t* At(int x, int y) const {
    return &pixels[(static_cast<std::size_t>(y) * width + x) * channels];
  }
};

// Smooth gradients with a little deterministic noise and hard edges: enough
// to make every DCT coefficient and every chroma subsampling path matter.
inline Rgb PhotoLike(int width, int height, unsigned seed = 1) {
  Rgb p{width, height, 3, Bytes(static_cast<std::size_t>(width) * height * 3)};
  std::uint32_t state = seed * 2654435761u + 1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      state = state * 1664525u + 1013904223u;
      const int noise = static_cast<int>(state >> 28) - 8;
      std::uint8_t* px = &p.pixels[(static_cast<std::size_t>(y) * width + x) * 3];
      const int edge = ((x / 13 + y / 11) % 3 == 0) ? 60 : 0;
      px[0] = static_cast<std::uint8_t>(std::clamp(x * 255 / std::max(width - 1, 1) + noise, 0, 255));
      px[1] = static_cast<std::uint8_t>(std::clamp(y * 255 / std::max(height - 1, 1) - noise + edge, 0, 255));
      px[2] = static_cast<std::uint8_t>(std::clamp(128 + edge - noise * 2 + (x ^ y) % 32, 0, 255));
    }
  }
  return p;
}

inline std::string ToolPath(const char* name) {
  for (const char* dir : {"/usr/bin/", "/usr/local/bin/"}) {
    const std::string path = std::string(dir) + name;
    if (std::filesystem::exists(path)) return path;
  }
  return {};
}

#define REQUIRE_TOOLS()                                                              \
  do {                                                                               \
    if (::jpegtest::ToolPath("cjpeg").empty() || ::jpegtest::ToolPath("djpeg").empty()) \
      GTEST_SKIP() << "cjpeg/djpeg (libjpeg-turbo-progs) not installed";             \
  } while (0)

// A directory of its own for one test, removed with the object.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kiritori-jpeg-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void WriteAll(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Runs a shell command; fails the test when it does not exit with 0.
inline void Run(const std::string& command) {
  const int status = std::system(command.c_str());
  ASSERT_EQ(status, 0) << command;
}

inline void WritePnm(const std::string& path, const Rgb& picture) {
  std::string header = (picture.channels == 3 ? "P6\n" : "P5\n") + std::to_string(picture.width) + " " +
                       std::to_string(picture.height) + "\n255\n";
  Bytes bytes(header.begin(), header.end());
  bytes.insert(bytes.end(), picture.pixels.begin(), picture.pixels.end());
  WriteAll(path, bytes);
}

// Reads a binary PPM or PGM as djpeg writes it.
inline Rgb ReadPnm(const std::string& path) {
  const Bytes bytes = ReadAll(path);
  Rgb picture;
  std::size_t pos = 0;
  auto token = [&]() {
    while (pos < bytes.size() && std::isspace(bytes[pos])) ++pos;
    std::string t;
    while (pos < bytes.size() && !std::isspace(bytes[pos])) t += static_cast<char>(bytes[pos++]);
    return t;
  };
  const std::string magic = token();
  picture.channels = magic == "P6" ? 3 : 1;
  picture.width = std::stoi(token());
  picture.height = std::stoi(token());
  token();  // maximum value
  ++pos;
  picture.pixels.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos), bytes.end());
  return picture;
}

// A 24-bit bitmap with picture's pixels.
inline std::unique_ptr<TBitmap> BitmapOf(const Rgb& picture) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetBitDepth(bd24Bit);
  bitmap->SetWidth(picture.width);
  bitmap->SetHeight(picture.height);
  for (int y = 0; y < picture.height; ++y) {
    std::uint8_t* row = bitmap->ScanLineAddress(y);
    for (int x = 0; x < picture.width; ++x) {
      const std::uint8_t* px = picture.At(x, y);
      row[x * 3] = px[2];
      row[x * 3 + 1] = px[1];
      row[x * 3 + 2] = px[0];
    }
  }
  return bitmap;
}

// The colours of a decoded bitmap (24-bit, or 8-bit through its palette).
inline Rgb ColoursOf(TBitmap& bitmap) {
  Rgb picture{bitmap.Width(), bitmap.Height(), 3, {}};
  picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
  PALETTEENTRY palette[256]{};
  const bool indexed = bitmap.BitDepth() == bd8Bit;
  if (indexed) GetPaletteEntries(bitmap.ColorPalette(), 0, 256, palette);
  for (int y = 0; y < picture.height; ++y) {
    const std::uint8_t* row = bitmap.ScanLineAddress(y);
    for (int x = 0; x < picture.width; ++x) {
      std::uint8_t* out = &picture.pixels[(static_cast<std::size_t>(y) * picture.width + x) * 3];
      if (indexed) {
        const PALETTEENTRY& e = palette[row[x]];
        out[0] = e.peRed, out[1] = e.peGreen, out[2] = e.peBlue;
      } else {
        out[0] = row[x * 3 + 2], out[1] = row[x * 3 + 1], out[2] = row[x * 3];
      }
    }
  }
  return picture;
}

inline std::unique_ptr<TMemoryStream> StreamOf(const Bytes& bytes) {
  auto stream = std::make_unique<TMemoryStream>();
  if (!bytes.empty()) stream->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream->SetPosition(0);
  return stream;
}

inline Bytes BytesOf(TMemoryStream& stream) {
  return Bytes(stream.Memory(), stream.Memory() + stream.Size());
}

// height copies of row (width pixels of `components` samples in space),
// compressed by the library itself with its defaults, which setup may change.
inline Bytes LibraryCompress(int width, int height, int components, J_COLOR_SPACE space,
                             const std::vector<JSAMPLE>& row,
                             const std::function<void(jpeg_compress_struct&)>& setup = {}) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr err{};
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &out, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  if (setup) setup(cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    auto r = const_cast<JSAMPROW>(row.data());
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  Bytes bytes(out, out + size);
  jpeg_destroy_compress(&cinfo);
  std::free(out);
  return bytes;
}

// A 16 × 16 picture compressed by the library (grey with one component) whose
// frame header is then patched to claim width × height; a few bytes of
// entropy-coded data follow, and no more.
inline Bytes HostileHeader(int width, int height, bool progressive, int components = 3) {
  Bytes bytes = LibraryCompress(16, 16, components, components == 1 ? JCS_GRAYSCALE : JCS_RGB,
                                std::vector<JSAMPLE>(16 * static_cast<std::size_t>(components), 100),
                                [progressive](jpeg_compress_struct& cinfo) {
                                  if (progressive) jpeg_simple_progression(&cinfo);
                                });
  jpegbytes::DeclareSize(bytes, width, height);
  return bytes;
}

// A progressive header claiming width × height whose last scan is repeated
// `copies` more times before the end-of-image marker, as a hostile file would
// to keep a decoder busy.
inline Bytes WithRepeatedLastScan(int copies, int width = 16, int height = 16) {
  return jpegbytes::WithLastScanRepeated(HostileHeader(width, height, true), copies);
}

// bytes with at least `extra` bytes of application segments after the start
// marker: a file long enough to be believed, whatever it declares.
inline Bytes Padded(const Bytes& bytes, std::size_t extra) {
  Bytes out(bytes.begin(), bytes.begin() + 2);
  for (std::size_t added = 0; added < extra; added += 65535) {
    const Bytes segment{0xFF, 0xEF, 0xFF, 0xFF};
    out.insert(out.end(), segment.begin(), segment.end());
    out.insert(out.end(), 65533, 0);
  }
  out.insert(out.end(), bytes.begin() + 2, bytes.end());
  return out;
}

// Sets an environment variable for its lifetime.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    setenv(name, value, 1);
  }
  ~ScopedEnvironment() {
    if (had_)
      setenv(name_.c_str(), old_.c_str(), 1);
    else
      unsetenv(name_.c_str());
  }

 private:
  std::string name_;
  std::string old_;
  bool had_ = false;
};

// A JPEG image loaded from bytes.
inline std::unique_ptr<TJPEGImage> Loaded(const Bytes& bytes) {
  auto image = std::make_unique<TJPEGImage>();
  auto stream = StreamOf(bytes);
  image->LoadStream(*stream);
  return image;
}

// One notification as a handler saw it.
struct Note {
  TProgressStage stage;
  int percent;
  bool redraw;
  TRect rect;
};

inline void Record(TGraphic& graphic, std::vector<Note>& notes) {
  graphic.OnProgress = [&notes](TObject*, TProgressStage stage, std::uint8_t percent, bool redraw, const TRect& r,
                                const std::string&) { notes.push_back({stage, percent, redraw, r}); };
}

}  // namespace jpegtest
