#include "graphics/BmpFormat.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "graphics/DeclaredSize.h"
#include "platform/BitmapLayout.h"
#include "platform/Rle.h"
#include "runtime/Exceptions.h"
#include "runtime/MemoryStream.h"
#include "runtime/Stream.h"
#include "runtime/Strings.h"

// The headers are copied to and from the file as they lie in memory.
static_assert(std::endian::native == std::endian::little);

namespace bmp {

namespace {

[[noreturn]] void RaiseInvalid() { throw EInvalidGraphic(strings::InvalidBitmap); }

// Reads count bytes, or answers false when the stream ends first.
bool ReadExactly(TStream& stream, void* buffer, std::int64_t count) {
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const std::int64_t got = stream.Read(bytes + done, count - done);
    if (got <= 0) return false;
    done += got;
  }
  return true;
}

// Reads count bytes that must lie within the `size` bytes left of the data.
void ReadWithin(TStream& stream, void* buffer, std::int64_t count, std::int64_t& size) {
  if (count > size) throw EReadError(strings::ReadError);
  stream.ReadBuffer(buffer, count);
  size -= count;
}

std::uint32_t DefaultColorCount(WORD bitCount) {
  switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
  }
}

bool MasksFollowHeader(const DibDescription& d) {
  const BITMAPINFOHEADER& h = d.Header();
  return d.HeaderSize() == kInfoHeaderSize && h.biCompression == BI_BITFIELDS &&
         (h.biBitCount == 16 || h.biBitCount == 32);
}

// Masks of all zeros mean the depth's standard layout, as the pixels are shown:
// 5-5-5 for 16 bits, 8-8-8 for 32. Writing them down keeps a later save from
// filling in other defaults over the same pixel bytes.
void FillZeroMasks(DibDescription& d) {
  const BITMAPINFOHEADER& h = d.Header();
  if (h.biCompression != BI_BITFIELDS || (h.biBitCount != 16 && h.biBitCount != 32)) return;
  DWORD masks[3];
  std::memcpy(masks, d.Bytes() + kInfoHeaderSize, kMaskBytes);
  if ((masks[0] | masks[1] | masks[2]) != 0) return;
  if (h.biBitCount == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else {
    masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
  }
  std::memcpy(d.Bytes() + kInfoHeaderSize, masks, kMaskBytes);
}

template <class T>
void Append(std::vector<std::uint8_t>& out, const T& value) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&value);
  out.insert(out.end(), bytes, bytes + sizeof value);
}

}  // namespace

DibDescription::DibDescription(std::uint32_t headerSize)
    : headerSize_(headerSize), bytes_(std::size_t{headerSize} + kDescriptionTail, 0) {}

RGBQUAD* DibDescription::ColorTable() noexcept {
  std::size_t offset = headerSize_;
  if (headerSize_ == kInfoHeaderSize && Header().biCompression == BI_BITFIELDS) offset += kMaskBytes;
  return reinterpret_cast<RGBQUAD*>(bytes_.data() + offset);
}

bool DibDescription::Compressed() const noexcept {
  const DWORD c = Header().biCompression;
  return c != BI_RGB && c != BI_BITFIELDS;
}

BITMAPFILEHEADER ReadFileHeader(TStream& stream) {
  BITMAPFILEHEADER header;
  stream.ReadBuffer(&header, kFileHeaderSize);
  if (header.bfType != kFileType) RaiseInvalid();
  return header;
}

InfoHeader ReadInfoHeader(TStream& stream, std::int64_t size) {
  DWORD stored = 0;
  if (size < static_cast<std::int64_t>(sizeof stored) || !ReadExactly(stream, &stored, sizeof stored)) RaiseInvalid();
  if (stored == kCoreHeaderSize) {
    WORD fields[4];  // width, height, planes, bit count
    static_assert(sizeof fields == kCoreHeaderSize - sizeof stored);
    if (size < kCoreHeaderSize || !ReadExactly(stream, fields, sizeof fields)) RaiseInvalid();
    InfoHeader result(kInfoHeaderSize);
    result.storedSize = kCoreHeaderSize;
    result.core = true;
    BITMAPINFOHEADER& h = result.description.Header();
    h.biSize = kInfoHeaderSize;
    h.biWidth = fields[0];
    h.biHeight = fields[1];
    h.biPlanes = fields[2];
    h.biBitCount = fields[3];
    return result;
  }
  if (stored < kInfoHeaderSize || stored > size) RaiseInvalid();
  // The header is as long as it says; make sure the data really holds it before
  // a block of that size is allocated.
  if (stream.Size() - stream.Position() < static_cast<std::int64_t>(stored) - 4) RaiseInvalid();
  InfoHeader result(stored);
  result.storedSize = stored;
  if (!ReadExactly(stream, result.description.Bytes() + sizeof stored,
                   static_cast<std::int64_t>(stored - sizeof stored))) RaiseInvalid();
  result.description.Header().biSize = stored;
  return result;
}

std::unique_ptr<TMemoryStream> KeepFileCopy(TStream& source, const BITMAPFILEHEADER* fileHeader,
                                            const InfoHeader& header, std::int64_t size) {
  // A size beyond what the source holds would fail part-way anyway; refusing
  // it first keeps a lying size from sizing the copy.
  if (size < 0 || size > source.Size() - source.Position()) throw EReadError(strings::ReadError);
  BITMAPFILEHEADER made{};
  if (fileHeader == nullptr) {
    made.bfType = kFileType;
    made.bfSize = static_cast<DWORD>(size + header.storedSize);
    fileHeader = &made;
  }
  const std::int64_t prefix = kFileHeaderSize + header.storedSize;
  auto kept = std::make_unique<TMemoryStream>();
  kept->SetSize(prefix + size);
  kept->WriteBuffer(fileHeader, kFileHeaderSize);
  if (header.core) {
    const BITMAPINFOHEADER& h = header.description.Header();
    const BITMAPCOREHEADER core{kCoreHeaderSize, static_cast<WORD>(h.biWidth), static_cast<WORD>(h.biHeight),
                                h.biPlanes, h.biBitCount};
    kept->WriteBuffer(&core, kCoreHeaderSize);
  } else {
    kept->WriteBuffer(header.description.Bytes(), header.storedSize);
  }
  if (size > 0) kept->CopyFrom(source, size);
  kept->SetPosition(prefix);
  return kept;
}

void ReadColorInfo(TStream& stream, InfoHeader& header, std::int64_t& size) {
  DibDescription& d = header.description;
  BITMAPINFOHEADER& h = d.Header();
  if (h.biPlanes != 1) RaiseInvalid();
  std::int64_t read = header.storedSize;
  if (!header.core && MasksFollowHeader(d)) {
    ReadWithin(stream, d.Bytes() + kInfoHeaderSize, kMaskBytes, size);
    read += kMaskBytes;
  }
  FillZeroMasks(d);
  if (h.biClrUsed == 0) h.biClrUsed = DefaultColorCount(h.biBitCount);
  if (h.biClrUsed > kMaxColors) RaiseInvalid();
  const std::int64_t entrySize = header.core ? sizeof(RGBTRIPLE) : sizeof(RGBQUAD);
  const std::int64_t tableBytes = h.biClrUsed * entrySize;
  ReadWithin(stream, d.ColorTable(), tableBytes, size);
  read += tableBytes;
  header.colorInfoEnd = read;
  if (h.biSizeImage == 0) {
    platform::BitmapLayout layout;
    const std::int64_t rows = h.biHeight < 0 ? -std::int64_t{h.biHeight} : h.biHeight;
    if (!platform::ComputeBitmapLayout(h.biWidth, rows, h.biBitCount, 4, layout)) RaiseInvalid();
    h.biSizeImage = static_cast<DWORD>(layout.byteSize);
  }
  if (header.core) {
    // Backwards, so that no triple is overwritten before it has moved.
    auto* table = reinterpret_cast<std::uint8_t*>(d.ColorTable());
    for (int n = kMaxColors - 1; n >= 0; --n) {
      const std::uint8_t blue = table[3 * n], green = table[3 * n + 1], red = table[3 * n + 2];
      table[4 * n] = blue;
      table[4 * n + 1] = green;
      table[4 * n + 2] = red;
      table[4 * n + 3] = 0;
    }
  }
}

PixelSpan LocatePixels(const InfoHeader& header, const BITMAPFILEHEADER* fileHeader, std::int64_t size) {
  const std::int64_t wanted = header.description.Header().biSizeImage;
  PixelSpan span;
  if (fileHeader != nullptr) {
    // Some writers leave a gap after the colour table; the offset is believed
    // only when the pixels it announces are really there.
    const std::int64_t tableEnd = kFileHeaderSize + header.colorInfoEnd;
    const std::int64_t gap = std::int64_t{fileHeader->bfOffBits} - tableEnd;
    if (gap >= 0 && gap <= size && wanted <= size - gap) span.skip = gap;
  }
  span.count = std::min(size - span.skip, wanted);
  return span;
}

void JudgeDeclaredSize(const InfoHeader& header, std::int64_t pixelBytes, const std::uint8_t* compressed,
                       std::int64_t dataBytes) {
  const BITMAPINFOHEADER& h = header.description.Header();
  const std::int64_t width = h.biWidth < 0 ? -std::int64_t{h.biWidth} : h.biWidth;
  const std::int64_t rows = h.biHeight < 0 ? -std::int64_t{h.biHeight} : h.biHeight;
  const double judged = graphics::JudgedPictureBytes(width, rows);
  if (!graphics::SizeIsJudged(judged)) return;
  // A quarter: a file cut short still opens with its missing rows blank, but
  // no file makes the program fill more than four times what it holds.
  constexpr double kLeastShare = 0.25;
  bool believed;
  if (header.description.Compressed()) {
    // Other compressions write nothing here (the platform refuses them), and
    // CountRlePixels answers 0 for their depths.
    const int runBits = h.biCompression == BI_RLE8 ? 8 : h.biCompression == BI_RLE4 ? 4 : 0;
    const std::int64_t written =
        compressed == nullptr || pixelBytes <= 0
            ? 0
            : platform::CountRlePixels(compressed, static_cast<std::size_t>(pixelBytes), runBits,
                                       static_cast<int>(std::min<std::int64_t>(width, INT32_MAX)),
                                       static_cast<int>(std::min<std::int64_t>(rows, INT32_MAX)));
    believed = static_cast<double>(written) >= kLeastShare * static_cast<double>(width) * static_cast<double>(rows);
  } else {
    const double stride = std::floor((static_cast<double>(width) * h.biBitCount + 31) / 32) * 4;
    believed = static_cast<double>(pixelBytes) >= kLeastShare * stride * static_cast<double>(rows);
  }
  if (!believed)
    throw WithReason(EInvalidGraphic(strings::InvalidBitmap), TFailureKind::TooLargeForBytes,
                     graphics::DeclaresText(h.biWidth, h.biHeight, judged, dataBytes));
}

std::vector<std::uint8_t> BuildHeaders(const BITMAPINFOHEADER& header, const DWORD masks[3], const RGBQUAD* colors,
                                       std::uint32_t colorCount, bool core) {
  const bool withMasks = !core && header.biBitCount > 8 && (header.biCompression & 3) != 0;
  std::uint32_t headerBytes, tableEntries, entrySize;
  if (core) {
    headerBytes = kCoreHeaderSize;
    tableEntries = header.biBitCount <= 8 ? 1u << header.biBitCount : 0;
    entrySize = sizeof(RGBTRIPLE);
    colorCount = std::min(colorCount, tableEntries);
  } else {
    headerBytes = kInfoHeaderSize + (withMasks ? kMaskBytes : 0);
    colorCount = std::min(colorCount, kMaxColors);
    tableEntries = colorCount;
    entrySize = sizeof(RGBQUAD);
  }
  const std::uint64_t offBits = kFileHeaderSize + headerBytes + std::uint64_t{tableEntries} * entrySize;
  const std::uint64_t fileSize = offBits + header.biSizeImage;
  if (fileSize > UINT32_MAX) RaiseInvalid();

  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(offBits));
  const BITMAPFILEHEADER file{kFileType, static_cast<DWORD>(fileSize), 0, 0, static_cast<DWORD>(offBits)};
  Append(out, file);
  if (core) {
    const BITMAPCOREHEADER h{kCoreHeaderSize, static_cast<WORD>(header.biWidth), static_cast<WORD>(header.biHeight),
                             1, header.biBitCount};
    Append(out, h);
    for (std::uint32_t i = 0; i < tableEntries; ++i) {
      const RGBTRIPLE t = i < colorCount ? RGBTRIPLE{colors[i].rgbBlue, colors[i].rgbGreen, colors[i].rgbRed}
                                         : RGBTRIPLE{0, 0, 0};
      Append(out, t);
    }
  } else {
    BITMAPINFOHEADER h = header;
    h.biSize = kInfoHeaderSize;
    // A deeper picture without a table says so: a count with no entries behind
    // it would be read as pixels.
    if (colorCount != 0 || header.biBitCount > 8) h.biClrUsed = colorCount;
    Append(out, h);
    if (withMasks) {
      for (int i = 0; i < 3; ++i) Append(out, masks[i]);
    }
    for (std::uint32_t i = 0; i < colorCount; ++i) {
      Append(out, RGBQUAD{colors[i].rgbBlue, colors[i].rgbGreen, colors[i].rgbRed, 0});
    }
  }
  return out;
}

}  // namespace bmp
