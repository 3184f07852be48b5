// Files written here open in ImageMagick and Pillow with the same pixels, and
// files they write are read here with the same pixels. The tools run as
// separate programs; a machine without them skips these tests.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "BmpTestFiles.h"
#include "graphics/Bitmap.h"

using namespace bmptest;
namespace fs = std::filesystem;

namespace {

using Rows = std::vector<std::vector<std::uint32_t>>;

constexpr const char* kPython = "/usr/bin/python3";

// Runs a shell command and answers its standard output, or nothing with
// ok = false when it fails.
Bytes RunTool(const std::string& command, bool& ok) {
  Bytes out;
  FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) {
    ok = false;
    return out;
  }
  std::uint8_t buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.insert(out.end(), buffer, buffer + n);
  ok = pclose(pipe) == 0;
  return out;
}

bool HaveImageMagick() {
  static const bool have = [] {
    bool ok = false;
    RunTool("convert -version", ok);
    return ok;
  }();
  return have;
}

bool HavePillow() {
  static const bool have = [] {
    bool ok = false;
    RunTool(std::string(kPython) + " -c 'import PIL.Image'", ok);
    return ok;
  }();
  return have;
}

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

Rows RowsOfRgb(const Bytes& rgb, int width, int height) {
  Rows rows(height, std::vector<std::uint32_t>(width));
  if (rgb.size() != static_cast<std::size_t>(width) * height * 3) return {};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
      rows[y][x] = (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
    }
  return rows;
}

// What each tool sees in a file, as 0x00RRGGBB rows, top row first.
Rows ImageMagickSees(const fs::path& file, int width, int height) {
  bool ok = false;
  const Bytes rgb = RunTool("convert " + Quote(file) + " -depth 8 rgb:-", ok);
  return ok ? RowsOfRgb(rgb, width, height) : Rows{};
}

Rows PillowSees(const fs::path& file, int width, int height) {
  bool ok = false;
  const Bytes rgb = RunTool(std::string(kPython) +
                            " -c 'import sys, PIL.Image as I; "
                            "sys.stdout.buffer.write(I.open(sys.argv[1]).convert(\"RGB\").tobytes())' " +
                            Quote(file),
                        ok);
  return ok ? RowsOfRgb(rgb, width, height) : Rows{};
}

void WriteBytes(const fs::path& file, const Bytes& data) {
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

Bytes ReadBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A PPM of the rows, which both tools read.
Bytes Ppm(const Rows& rows) {
  const std::string head =
      "P6\n" + std::to_string(rows.front().size()) + " " + std::to_string(rows.size()) + "\n255\n";
  Bytes out(head.begin(), head.end());
  for (const auto& row : rows)
    for (std::uint32_t c : row) {
      out.push_back(static_cast<std::uint8_t>(c >> 16));
      out.push_back(static_cast<std::uint8_t>(c >> 8));
      out.push_back(static_cast<std::uint8_t>(c));
    }
  return out;
}

// Colours of a 16-bit picture may be widened from 5 or 6 bits either by
// shifting or by scaling; both are the same picture.
bool Near(const Rows& a, const Rows& b, int tolerance) {
  if (a.size() != b.size() || a.empty()) return false;
  for (std::size_t y = 0; y < a.size(); ++y)
    for (std::size_t x = 0; x < a[y].size(); ++x)
      for (int shift : {0, 8, 16}) {
        const int d = static_cast<int>((a[y][x] >> shift) & 0xFF) - static_cast<int>((b[y][x] >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) return false;
      }
  return true;
}

class BmpInterop : public testing::Test {
 protected:
  void SetUp() override {
    folder = fs::temp_directory_path() / ("kiritori-bmp-" + std::to_string(getpid()));
    fs::create_directories(folder);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }

  // Saves bitmap and checks that each tool sees `expected` in the file.
  void ExpectToolsSee(TBitmap& bitmap, const Rows& expected, const std::string& name, int tolerance = 0) {
    const fs::path file = folder / (name + ".bmp");
    WriteBytes(file, Save(bitmap));
    const int w = bitmap.Width(), h = bitmap.Height();
    if (HaveImageMagick()) {
      EXPECT_TRUE(Near(ImageMagickSees(file, w, h), expected, tolerance)) << name << " in ImageMagick";
    }
    if (HavePillow()) {
      EXPECT_TRUE(Near(PillowSees(file, w, h), expected, tolerance)) << name << " in Pillow";
    }
  }

  fs::path folder;
};

BmpFile Indexed(int bits, std::uint32_t headerSize = 40) {
  BmpFile f;
  f.headerSize = headerSize;
  f.width = 11;
  f.height = 6;
  f.bitCount = static_cast<std::uint16_t>(bits);
  f.colors = Palette(1 << bits);
  f.pixels = PackIndices(IndexRows(11, 6, 1 << bits), bits);
  return f;
}

}  // namespace

TEST_F(BmpInterop, FilesWrittenHereOpenElsewhereWithTheSamePixels) {
  if (!HaveImageMagick() && !HavePillow()) GTEST_SKIP() << "neither ImageMagick nor Pillow is installed";
  for (int bits : {1, 4, 8}) {
    for (std::uint32_t header : {40u, 12u}) {
      TBitmap bitmap;
      Load(bitmap, Indexed(bits, header).Build());
      ExpectToolsSee(bitmap, Pixels(bitmap), "indexed" + std::to_string(bits) + "-" + std::to_string(header));
    }
  }
  const Rows colors = ColorRows(13, 7);
  for (bool topDown : {false, true}) {
    BmpFile f;
    f.width = 13;
    f.height = topDown ? -7 : 7;
    f.pixels = PackColors(colors, 24, topDown);
    TBitmap bitmap;
    Load(bitmap, f.Build());
    ExpectToolsSee(bitmap, colors, topDown ? "top-down" : "bottom-up");
  }
  TBitmap bitmap;
  BmpFile f;
  f.width = 13;
  f.height = 7;
  f.pixels = PackColors(colors, 24);
  Load(bitmap, f.Build());
  bitmap.SetBitDepth(bd32Bit);
  ExpectToolsSee(bitmap, colors, "32");
  bitmap.SetBitDepth(bd16Bit);
  ExpectToolsSee(bitmap, Pixels(bitmap), "16-masks", 8);
  bitmap.SetBitDepth(bd15Bit);
  ExpectToolsSee(bitmap, Pixels(bitmap), "15", 8);

  // A 24-bit picture that keeps its palette as an optional colour table.
  TBitmap withTable;
  Load(withTable, Indexed(8).Build());
  withTable.SetBitDepth(bd24Bit);
  ExpectToolsSee(withTable, Pixels(withTable), "24-with-table");
}

TEST_F(BmpInterop, FilesImageMagickWritesAreReadHereWithTheSamePixels) {
  if (!HaveImageMagick()) GTEST_SKIP() << "ImageMagick is not installed";
  const Rows colors = ColorRows(13, 7);
  const fs::path ppm = folder / "source.ppm";
  WriteBytes(ppm, Ppm(colors));
  // The default writes a 124-byte header; BMP3 a 40-byte one; BMP2 a core header.
  for (const char* options : {"BMP:", "BMP3:", "-type Palette BMP3:", "-type Palette -compress RLE BMP3:",
                              "-type Palette BMP2:", "-type TrueColorAlpha BMP:"}) {
    SCOPED_TRACE(options);
    const fs::path out = folder / "magick.bmp";
    bool ok = false;
    RunTool("convert " + Quote(ppm) + " " + std::string(options) + Quote(out), ok);
    ASSERT_TRUE(ok);
    TBitmap bitmap;
    Load(bitmap, ReadBytes(out));
    // Reducing to a palette may merge near colours: the file's own pixels are
    // what ImageMagick reads back from it.
    EXPECT_EQ(Pixels(bitmap), ImageMagickSees(out, 13, 7));
  }
  // Two colours make a 1-bit file.
  Rows bw(5, std::vector<std::uint32_t>(9));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 9; ++x) bw[y][x] = (x + y) % 3 == 0 ? 0xFFFFFF : 0;
  WriteBytes(ppm, Ppm(bw));
  bool ok = false;
  RunTool("convert " + Quote(ppm) + " -type Bilevel BMP3:" + Quote(folder / "bw.bmp"), ok);
  ASSERT_TRUE(ok);
  TBitmap bitmap;
  Load(bitmap, ReadBytes(folder / "bw.bmp"));
  EXPECT_EQ(bitmap.Image().DIB.dsBmih.biBitCount, 1);
  EXPECT_EQ(Pixels(bitmap), bw);
}

TEST_F(BmpInterop, FilesPillowWritesAreReadHereWithTheSamePixels) {
  if (!HavePillow()) GTEST_SKIP() << "Pillow is not installed";
  const Rows colors = ColorRows(13, 7);
  const fs::path ppm = folder / "source.ppm";
  WriteBytes(ppm, Ppm(colors));
  for (const char* conversion : {"RGB", "RGBA", "P"}) {
    SCOPED_TRACE(conversion);
    const fs::path out = folder / "pillow.bmp";
    bool ok = false;
    const std::string mode = conversion;
    const std::string convert =
        mode == "P" ? "im.convert(\"P\", palette=I.ADAPTIVE, colors=256)" : "im.convert(\"" + mode + "\")";
    RunTool(std::string(kPython) + " -c 'import sys, PIL.Image as I; im = I.open(sys.argv[1]); " + convert +
            ".save(sys.argv[2], \"BMP\")' " + Quote(ppm) + " " + Quote(out),
        ok);
    ASSERT_TRUE(ok);
    TBitmap bitmap;
    Load(bitmap, ReadBytes(out));
    EXPECT_EQ(Pixels(bitmap), colors);
    EXPECT_EQ(Pixels(bitmap), PillowSees(out, 13, 7));
  }
}
