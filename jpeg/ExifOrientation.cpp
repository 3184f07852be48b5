#include "jpeg/ExifOrientation.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "graphics/Bitmap.h"
#include "graphics/Picture.h"
#include "jpeg/JpegImage.h"

namespace {

constexpr std::uint8_t kMarkerStart = 0xFF;
constexpr std::uint8_t kStartOfImage = 0xD8;
constexpr std::uint8_t kEndOfImage = 0xD9;
constexpr std::uint8_t kStartOfScan = 0xDA;
constexpr std::uint8_t kApp1 = 0xE1;
constexpr char kExifSignature[] = "Exif\0";  // with its terminator: "Exif" and two zero bytes
constexpr std::size_t kExifSignatureSize = sizeof kExifSignature;

constexpr std::uint16_t kTiffMagic = 42;
constexpr std::size_t kTiffHeaderSize = 8;
constexpr std::size_t kIfdEntrySize = 12;
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;

// Markers that stand alone, without a length: TEM and the restart markers.
bool IsStandalone(std::uint8_t marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); }

// The payload of the first APP1 segment that starts with the Exif signature,
// after the signature and cut to the bytes there are; empty when the segments
// before the first scan hold none.
std::span<const std::uint8_t> FindExifBlock(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 2 || bytes[0] != kMarkerStart || bytes[1] != kStartOfImage) return {};
  std::size_t at = 2;
  while (bytes.size() - at >= 2) {
    if (bytes[at] != kMarkerStart) return {};
    const std::uint8_t marker = bytes[at + 1];
    if (marker == kMarkerStart) {  // a fill byte before the marker
      ++at;
      continue;
    }
    at += 2;
    if (marker == kStartOfScan || marker == kEndOfImage) return {};
    if (IsStandalone(marker)) continue;
    if (bytes.size() - at < 2) return {};
    const std::size_t length = std::size_t{bytes[at]} << 8 | bytes[at + 1];
    if (length < 2) return {};
    const std::span<const std::uint8_t> payload = bytes.subspan(at + 2, std::min(length - 2, bytes.size() - at - 2));
    if (marker == kApp1 && payload.size() >= kExifSignatureSize &&
        std::memcmp(payload.data(), kExifSignature, kExifSignatureSize) == 0)
      return payload.subspan(kExifSignatureSize);
    if (bytes.size() - at <= length) return {};
    at += length;
  }
  return {};
}

// Reads numbers of a TIFF block in its byte order; a read that does not lie
// wholly inside the block answers false.
class TiffReader {
 public:
  TiffReader(std::span<const std::uint8_t> block, bool bigEndian) : block_(block), bigEndian_(bigEndian) {}

  bool Fits(std::size_t at, std::size_t count) const { return at <= block_.size() && block_.size() - at >= count; }
  bool Read16(std::size_t at, std::uint16_t& value) const {
    if (!Fits(at, 2)) return false;
    value = static_cast<std::uint16_t>(Read(at, 2));
    return true;
  }
  bool Read32(std::size_t at, std::uint32_t& value) const {
    if (!Fits(at, 4)) return false;
    value = Read(at, 4);
    return true;
  }

 private:
  std::uint32_t Read(std::size_t at, std::size_t count) const {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t byte = block_[at + i];
      value |= bigEndian_ ? byte << (8 * (count - 1 - i)) : byte << (8 * i);
    }
    return value;
  }

  std::span<const std::uint8_t> block_;
  bool bigEndian_;
};

int OrientationFromTiff(std::span<const std::uint8_t> tiff) {
  if (tiff.size() < kTiffHeaderSize || tiff[0] != tiff[1] || (tiff[0] != 'I' && tiff[0] != 'M')) return 1;
  const TiffReader reader(tiff, tiff[0] == 'M');
  std::uint16_t magic = 0;
  std::uint32_t firstIfd = 0;
  std::uint16_t entries = 0;
  if (!reader.Read16(2, magic) || magic != kTiffMagic || !reader.Read32(4, firstIfd) ||
      firstIfd < kTiffHeaderSize || !reader.Read16(firstIfd, entries))
    return 1;
  for (std::size_t i = 0; i < entries; ++i) {
    const std::size_t entry = std::size_t{firstIfd} + 2 + i * kIfdEntrySize;
    // An entry cut short ends the directory: what follows it cannot be read.
    if (!reader.Fits(entry, kIfdEntrySize)) return 1;
    std::uint16_t tag = 0, type = 0;
    std::uint32_t count = 0;
    reader.Read16(entry, tag);
    if (tag != kOrientationTag) continue;
    reader.Read16(entry + 2, type);
    reader.Read32(entry + 4, count);
    std::uint32_t value = 0;
    if (count != 1) return 1;
    if (type == kTypeShort) {
      std::uint16_t shortValue = 0;
      reader.Read16(entry + 8, shortValue);
      value = shortValue;
    } else if (type == kTypeLong) {
      reader.Read32(entry + 8, value);
    }
    return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
  }
  return 1;
}

}  // namespace

namespace jpeg {

int ReadExifOrientation(std::span<const std::uint8_t> bytes) noexcept {
  return OrientationFromTiff(FindExifBlock(bytes));
}

int OrientationOf(TJPEGImage& image) noexcept {
  TMemoryStream* bytes = image.SharedData().FileBytes.get();
  if (bytes == nullptr || bytes->Memory() == nullptr) return 1;
  return ReadExifOrientation({bytes->Memory(), static_cast<std::size_t>(bytes->Size())});
}

void MakeUpright(TPicture& picture) {
  auto* image = dynamic_cast<TJPEGImage*>(picture.Graphic());
  if (image == nullptr) return;
  const int orientation = OrientationOf(*image);
  if (orientation == 1) return;
  TBitmap upright;
  image->DecodeUpright(upright, orientation);
  picture.SetGraphic(&upright);
}

}  // namespace jpeg
