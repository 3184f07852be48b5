// Writes the program's icon as PNG files for the desktop's icon theme, one per
// size, from the same pixels the main window shows: <folder>/<N>x<N>/apps/kiritori.png.
// Pixel art is scaled by repeating or dropping pixels, never by blending
// colours. The PNG files are written here, with stored (uncompressed) deflate
// blocks, so that the build needs no image library.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "resources/MainIcon.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::array<int, 8> kSizes = {16, 22, 24, 32, 48, 64, 128, 256};

std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
  crc = ~crc;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::uint32_t Adler32(const Bytes& data) {
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void PutBigEndian(Bytes& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void PutChunk(Bytes& out, const char* type, const Bytes& data) {
  PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBigEndian(out, Crc32(out.data() + start, out.size() - start));
}

// A zlib stream of stored blocks (each at most 65535 bytes).
Bytes StoredZlib(const Bytes& raw) {
  Bytes out = {0x78, 0x01};
  std::size_t pos = 0;
  do {
    const std::size_t length = std::min<std::size_t>(raw.size() - pos, 65535);
    const bool last = pos + length == raw.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<std::uint8_t>(length));
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.push_back(static_cast<std::uint8_t>(~length));
    out.push_back(static_cast<std::uint8_t>(~length >> 8));
    out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(pos),
               raw.begin() + static_cast<std::ptrdiff_t>(pos + length));
    pos += length;
  } while (pos < raw.size());
  PutBigEndian(out, Adler32(raw));
  return out;
}

constexpr int kIcon = resources::kMainIconSize;

char At(int column, int row) { return resources::kMainIconRows[row][column]; }

// How many pixels differ between two rows (or, across, two columns) of the
// icon, counted over the lines still kept the other way.
int Difference(bool rows, int a, int b, const std::vector<int>& across) {
  int count = 0;
  for (int i : across) count += rows ? At(i, a) != At(i, b) : At(a, i) != At(b, i);
  return count;
}

// Reduces the kept rows (or columns) to size by dropping, one at a time, the
// line most like its neighbour: repeated sky and blank margins go first, thin
// lines such as the frame and the dashes of the selection survive, which
// sampling at fixed steps would drop at some sizes.
void DropLikestLines(bool rows, std::vector<int>& lines, const std::vector<int>& across, int size) {
  while (static_cast<int>(lines.size()) > size) {
    std::size_t drop = 0;
    int best = kIcon + 1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      int cost = kIcon + 1;
      if (i > 0) cost = std::min(cost, Difference(rows, lines[i], lines[i - 1], across));
      if (i + 1 < lines.size()) cost = std::min(cost, Difference(rows, lines[i], lines[i + 1], across));
      if (cost < best) best = cost, drop = i;
    }
    lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(drop));
  }
}

// The icon's rows and columns that a size x size icon shows, top and left
// first: each one repeated or dropped, never blended.
void SourceLines(int size, std::vector<int>& rows, std::vector<int>& columns) {
  rows.clear();
  columns.clear();
  if (size >= kIcon) {
    // Nearest neighbour: the source pixel under each target pixel's centre.
    for (int i = 0; i < size; ++i) rows.push_back((2 * i + 1) * kIcon / (2 * size));
    columns = rows;
    return;
  }
  for (int i = 0; i < kIcon; ++i) rows.push_back(i), columns.push_back(i);
  DropLikestLines(true, rows, columns, size);
  DropLikestLines(false, columns, rows, size);
}

std::array<std::uint8_t, 4> Rgba(char digit) {
  if (digit == '.') return {0, 0, 0, 0};
  const int index = digit <= '9' ? digit - '0' : digit - 'A' + 10;
  const std::uint32_t rgb = resources::kMainIconPalette[index];
  return {static_cast<std::uint8_t>(rgb >> 16), static_cast<std::uint8_t>(rgb >> 8), static_cast<std::uint8_t>(rgb),
          0xFF};
}

Bytes IconPng(int size) {
  std::vector<int> rows, columns;
  SourceLines(size, rows, columns);
  Bytes raw;
  for (int row : rows) {
    raw.push_back(0);  // filter type None
    for (int column : columns) {
      const auto pixel = Rgba(At(column, row));
      raw.insert(raw.end(), pixel.begin(), pixel.end());
    }
  }
  Bytes header;
  PutBigEndian(header, static_cast<std::uint32_t>(size));
  PutBigEndian(header, static_cast<std::uint32_t>(size));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits per channel, RGBA, no interlace

  Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", StoredZlib(raw));
  PutChunk(png, "IEND", {});
  return png;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  for (int size : kSizes) {
    const std::string sizeName = std::to_string(size) + "x" + std::to_string(size);
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / sizeName / "apps";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const Bytes png = IconPng(size);
    std::ofstream out(folder / "kiritori.png", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    out.close();
    if (!out) {
      std::fprintf(stderr, "%s: cannot write %s\n", argv[0], (folder / "kiritori.png").c_str());
      return 1;
    }
  }
  return 0;
}
