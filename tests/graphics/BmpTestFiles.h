// BMP files made byte by byte for the tests, and ways to look at what a bitmap
// holds without changing it.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "graphics/Bitmap.h"
#include "platform/BitmapLayout.h"
#include "platform/Windows.h"
#include "runtime/MemoryStream.h"

namespace bmptest {

using Bytes = std::vector<std::uint8_t>;

template <class T>
void Put(Bytes& out, const T& value) {
  const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
  out.insert(out.end(), p, p + sizeof value);
}

template <class T>
T Get(const Bytes& data, std::size_t offset) {
  T value{};
  if (offset + sizeof value <= data.size()) std::memcpy(&value, data.data() + offset, sizeof value);
  return value;
}

// What goes into a file. Unset optional fields take the value a correct file
// would have.
struct BmpFile {
  std::uint32_t headerSize = 40;  // 12 writes a core header
  std::int32_t width = 1;
  std::int32_t height = 1;
  std::uint16_t planes = 1;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = BI_RGB;
  std::optional<std::uint32_t> sizeImage;  // default: pixels.size()
  std::int32_t xPelsPerMeter = 2835;
  std::int32_t yPelsPerMeter = 2835;
  std::uint32_t clrUsed = 0;
  std::uint32_t clrImportant = 0;
  // After a 40-byte header they follow it; a longer header holds them at 40.
  std::vector<DWORD> masks;
  std::vector<RGBQUAD> colors;  // 3-byte entries under a core header
  Bytes pixels;
  std::uint32_t gap = 0;  // junk bytes between the colour table and the pixels
  std::optional<std::uint32_t> offBits;
  bool fileHeader = true;

  Bytes Build() const {
    Bytes header;
    if (headerSize == 12) {
      Put(header, std::uint32_t{12});
      Put(header, static_cast<std::uint16_t>(width));
      Put(header, static_cast<std::uint16_t>(height));
      Put(header, planes);
      Put(header, bitCount);
    } else {
      BITMAPINFOHEADER h{headerSize, width, height, planes, bitCount, compression,
                         sizeImage.value_or(static_cast<std::uint32_t>(pixels.size())),
                         xPelsPerMeter, yPelsPerMeter, clrUsed, clrImportant};
      Put(header, h);
      header.resize(headerSize < 40 ? 40 : headerSize, 0);
      if (headerSize > 40) {
        for (std::size_t i = 0; i < masks.size() && 40 + 4 * i + 4 <= headerSize; ++i)
          std::memcpy(header.data() + 40 + 4 * i, &masks[i], 4);
      } else {
        for (DWORD m : masks) Put(header, m);
      }
    }
    for (const RGBQUAD& c : colors) {
      if (headerSize == 12) {
        Put(header, RGBTRIPLE{c.rgbBlue, c.rgbGreen, c.rgbRed});
      } else {
        Put(header, c);
      }
    }
    for (std::uint32_t i = 0; i < gap; ++i) header.push_back(static_cast<std::uint8_t>(0xA0 + i));
    Bytes out;
    if (fileHeader) {
      const auto tableEnd = static_cast<std::uint32_t>(14 + header.size());
      Put(out, std::uint16_t{0x4D42});
      Put(out, static_cast<std::uint32_t>(tableEnd + pixels.size()));
      Put(out, std::uint32_t{0});
      Put(out, offBits.value_or(tableEnd));
    }
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
  }
};

inline std::size_t Stride(int width, int bitCount) {
  return platform::DibStride(width, bitCount);
}

// Rows of colour indices (top row first) packed into bottom-up (or top-down)
// padded rows of 1, 4 or 8 bits.
inline Bytes PackIndices(const std::vector<std::vector<int>>& rows, int bitCount, bool topDown = false) {
  const int width = static_cast<int>(rows.front().size());
  const std::size_t stride = Stride(width, bitCount);
  Bytes out(stride * rows.size(), 0);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::size_t stored = topDown ? r : rows.size() - 1 - r;
    std::uint8_t* line = out.data() + stored * stride;
    for (int x = 0; x < width; ++x) {
      const int bit = x * bitCount;
      const int shift = 8 - bitCount - bit % 8;
      line[bit / 8] |= static_cast<std::uint8_t>(rows[r][x] << shift);
    }
  }
  return out;
}

// Rows of 0x00RRGGBB colours (top row first) as 24-bit or 32-bit rows.
inline Bytes PackColors(const std::vector<std::vector<std::uint32_t>>& rows, int bitCount, bool topDown = false) {
  const int width = static_cast<int>(rows.front().size());
  const std::size_t stride = Stride(width, bitCount);
  Bytes out(stride * rows.size(), 0);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const std::size_t stored = topDown ? r : rows.size() - 1 - r;
    std::uint8_t* p = out.data() + stored * stride;
    for (int x = 0; x < width; ++x) {
      const std::uint32_t c = rows[r][x];
      *p++ = static_cast<std::uint8_t>(c);
      *p++ = static_cast<std::uint8_t>(c >> 8);
      *p++ = static_cast<std::uint8_t>(c >> 16);
      if (bitCount == 32) *p++ = 0;
    }
  }
  return out;
}

// A width x height picture whose colours all differ from their neighbours.
inline std::vector<std::vector<std::uint32_t>> ColorRows(int width, int height) {
  std::vector<std::vector<std::uint32_t>> rows(height, std::vector<std::uint32_t>(width));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      rows[y][x] = (static_cast<std::uint32_t>(x * 37 + y * 11) & 0xFF) << 16 |
                   (static_cast<std::uint32_t>(y * 53 + 7) & 0xFF) << 8 | (static_cast<std::uint32_t>(x * y + 90) & 0xFF);
  return rows;
}

inline std::vector<std::vector<int>> IndexRows(int width, int height, int colors) {
  std::vector<std::vector<int>> rows(height, std::vector<int>(width));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) rows[y][x] = (x + 3 * y) % colors;
  return rows;
}

inline std::vector<RGBQUAD> Palette(int count) {
  std::vector<RGBQUAD> colors;
  for (int i = 0; i < count; ++i)
    colors.push_back(RGBQUAD{static_cast<BYTE>(i * 5 + 1), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 97), 0});
  return colors;
}

inline std::uint32_t ColorOf(const RGBQUAD& q) {
  return (std::uint32_t{q.rgbRed} << 16) | (std::uint32_t{q.rgbGreen} << 8) | q.rgbBlue;
}

// The picture's pixels as 0x00RRGGBB, top row first, read through the
// platform without touching the bitmap's state.
inline std::vector<std::vector<std::uint32_t>> Pixels(TBitmap& bitmap) {
  const TBitmapImage& image = bitmap.Image();
  HBITMAP handle = image.BitmapHandle != nullptr ? image.BitmapHandle : image.SectionHandle;
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  if (handle == nullptr || width <= 0 || height <= 0) return {};
  BITMAPINFO info{};
  info.bmiHeader = BITMAPINFOHEADER{40, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<std::uint32_t> buffer(static_cast<std::size_t>(width) * height);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, handle, 0, static_cast<UINT>(height), buffer.data(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  std::vector<std::vector<std::uint32_t>> rows(height, std::vector<std::uint32_t>(width));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) rows[y][x] = buffer[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF;
  return rows;
}

// The section's pixel memory as it lies, without copy-on-write.
inline Bytes SectionBytes(TBitmap& bitmap) {
  const TBitmapImage& image = bitmap.Image();
  DIBSECTION ds{};
  if (image.SectionHandle == nullptr || GetObject(image.SectionHandle, sizeof ds, &ds) != sizeof ds) return {};
  const auto* bits = static_cast<const std::uint8_t*>(ds.dsBm.bmBits);
  return Bytes(bits, bits + ds.dsBmih.biSizeImage);
}

inline Bytes StreamBytes(TMemoryStream& stream) {
  const auto* p = stream.Memory();
  return p == nullptr ? Bytes{} : Bytes(p, p + stream.Size());
}

// A memory stream holding data, positioned at its start.
class DataStream : public TMemoryStream {
 public:
  explicit DataStream(const Bytes& data) {
    if (!data.empty()) WriteBuffer(data.data(), static_cast<std::int64_t>(data.size()));
    SetPosition(0);
  }
};

inline void Load(TBitmap& bitmap, const Bytes& data) {
  DataStream stream(data);
  bitmap.LoadStream(stream);
}

inline Bytes Save(TBitmap& bitmap) {
  TMemoryStream stream;
  bitmap.SaveStream(stream);
  return StreamBytes(stream);
}

}  // namespace bmptest
