// The BMP file format over streams: the header layouts, the checks every header
// passes before anything is sized from it, where the pixels stand, and the bytes
// of the headers we write. Nothing here makes a platform bitmap; TBitmap's BMP
// members (BitmapFile.cpp) build bitmaps from what these functions read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Windows.h"

class TStream;
class TMemoryStream;

namespace bmp {

inline constexpr WORD kFileType = 0x4D42;  // "BM"
inline constexpr std::uint32_t kFileHeaderSize = sizeof(BITMAPFILEHEADER);
inline constexpr std::uint32_t kCoreHeaderSize = sizeof(BITMAPCOREHEADER);
inline constexpr std::uint32_t kInfoHeaderSize = sizeof(BITMAPINFOHEADER);
inline constexpr std::uint32_t kMaskBytes = 3 * sizeof(DWORD);
// The largest colour table a file may carry.
inline constexpr std::uint32_t kMaxColors = 256;
// Room after the header of a description: three masks and the largest table.
inline constexpr std::uint32_t kDescriptionTail = kMaskBytes + kMaxColors * sizeof(RGBQUAD);

// A file's description of its pixels, laid out as the platform takes it: the
// info header (a core header widened to 40 bytes), then the masks when they
// follow a 40-byte header, then the colour table, with room for 256 entries.
class DibDescription {
 public:
  // A zeroed description for a header of headerSize (>= 40) bytes.
  explicit DibDescription(std::uint32_t headerSize);

  BITMAPINFO* Info() noexcept { return reinterpret_cast<BITMAPINFO*>(bytes_.data()); }
  BITMAPINFOHEADER& Header() noexcept { return Info()->bmiHeader; }
  const BITMAPINFOHEADER& Header() const noexcept { return reinterpret_cast<const BITMAPINFO*>(bytes_.data())->bmiHeader; }
  std::uint8_t* Bytes() noexcept { return bytes_.data(); }
  const std::uint8_t* Bytes() const noexcept { return bytes_.data(); }
  std::uint32_t HeaderSize() const noexcept { return headerSize_; }
  // Where the colour table stands: after the header, and after the masks when
  // a 40-byte header asks for them (the platform looks for it there).
  RGBQUAD* ColorTable() noexcept;
  // Whether the pixels are compressed (neither BI_RGB nor BI_BITFIELDS).
  bool Compressed() const noexcept;

 private:
  std::uint32_t headerSize_;
  std::vector<std::uint8_t> bytes_;
};

// What ReadInfoHeader found.
struct InfoHeader {
  explicit InfoHeader(std::uint32_t headerSize) : description(headerSize) {}
  DibDescription description;
  // The header's size as stored in the data: 12 for a core header.
  std::uint32_t storedSize = 0;
  bool core = false;
  // Bytes from the start of the header to the end of the colour table, once
  // ReadColorInfo has read them.
  std::int64_t colorInfoEnd = 0;
};

// Where the pixel data stands after the colour table, and how much is read.
struct PixelSpan {
  std::int64_t skip = 0;   // bytes between the end of the colour table and the pixels
  std::int64_t count = 0;  // bytes of pixel data to read
};

// Reads the 14-byte file header. Raises EReadError when the stream is short and
// EInvalidGraphic when the data does not start with "BM".
BITMAPFILEHEADER ReadFileHeader(TStream& stream);

// Reads the header size and the header of the data that begins at the stream's
// position and holds `size` bytes from there. Raises EInvalidGraphic when the
// header size is neither 12 nor 40 or more, or when the header is cut short by
// the end of the data or of the stream; nothing is allocated for such a header.
InfoHeader ReadInfoHeader(TStream& stream, std::int64_t size);

// A complete BMP file in memory: fileHeader (or, without one, a made header
// whose bfSize is size plus the header's size), the header read by
// ReadInfoHeader, then `size` bytes copied from source. Positioned where the
// copied bytes begin. Raises EReadError when source holds fewer than size bytes.
std::unique_ptr<TMemoryStream> KeepFileCopy(TStream& source, const BITMAPFILEHEADER* fileHeader,
                                            const InfoHeader& header, std::int64_t size);

// Reads what follows the header: the masks (after a 40-byte header of 16 or 32
// bits with BI_BITFIELDS) and the colour table (biClrUsed entries, the depth's
// default when 0; 3-byte entries after a core header, widened here), and fills
// in biSizeImage when it is 0. `size` counts the bytes left in the data and is
// reduced by what was read. Raises EInvalidGraphic for biPlanes other than 1,
// more than 256 colours or, with biSizeImage 0, dimensions no bitmap can have;
// EReadError when the masks or table run past the data.
void ReadColorInfo(TStream& stream, InfoHeader& header, std::int64_t& size);

// Where the pixels stand: at fileHeader's bfOffBits when it points at or past
// the end of the colour table and biSizeImage bytes from there fit in the
// `size` bytes left; otherwise right after the table. The count is the smaller
// of the bytes left from there and biSizeImage. fileHeader may be null.
PixelSpan LocatePixels(const InfoHeader& header, const BITMAPFILEHEADER* fileHeader, std::int64_t size);

// Raises EInvalidGraphic, its reason too large for its bytes, when the picture
// the header declares is judged past graphics::kUnjudgedPictureBytes and the
// data cannot honestly carry it: uncompressed pixels must be at least a quarter
// of the declared pixel data (pixelBytes counts the bytes present after the
// colour table); run-length pixels (the pixelBytes bytes at compressed) must
// write at least a quarter of the declared pixels. Any other compression
// writes none. dataBytes is the length of the whole data, for the reason.
void JudgeDeclaredSize(const InfoHeader& header, std::int64_t pixelBytes, const std::uint8_t* compressed,
                       std::int64_t dataBytes);

// The bytes written before the pixels: the file header, the 40-byte info header
// (with the masks when biBitCount > 8 and the compression asks for them) or a
// 12-byte core header, and the colour table (colorCount entries; in core form
// 2^biBitCount three-byte entries for up to 8 bits, the missing ones zero).
// bfOffBits is their length and bfSize adds biSizeImage.
std::vector<std::uint8_t> BuildHeaders(const BITMAPINFOHEADER& header, const DWORD masks[3], const RGBQUAD* colors,
                                       std::uint32_t colorCount, bool core);

}  // namespace bmp
