// TJPEGImage: the graphic of a JPEG picture. It keeps the compressed file bytes
// unchanged in a shared TJPEGData and converts only when asked: the pixels are
// decoded into a TBitmap the first time they are needed, and a bitmap handed
// in is compressed only when the image is saved.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/Bitmap.h"
#include "graphics/Graphic.h"
#include "runtime/MemoryStream.h"

namespace jpeg {
struct CodecContext;
}
struct jpeg_decompress_struct;

enum TJpegDepth : std::uint8_t { jd24Bit = 0, jd8Bit = 1 };
enum TJpegSpeed : std::uint8_t { spBestQuality = 0, spBestSpeed = 1 };
enum TJpegScale : std::uint8_t { sdFull = 0, sdHalf = 1, sdQuarter = 2, sdEighth = 3 };

// The settings every new TJPEGImage starts with.
struct TJpegSettings {
  std::uint8_t Quality = 90;  // 1..100
  bool Grayscale = false;
  TJpegSpeed DecodeSpeed = spBestQuality;
  TJpegDepth DecodeDepth = jd24Bit;
  bool ShowProgressively = false;
  bool EncodeProgressive = false;
  TJpegScale ScaleDown = sdFull;
  bool Smoothing = true;
};

// The process-wide defaults, copied into every new image. Single-threaded.
TJpegSettings& DefaultJpegSettings();

// The compressed bytes of one JPEG file and what its header says, shared by
// the images that use them. Never refilled once it has bytes.
class TJPEGData final : public TSharedImage {
 public:
  // A new holder with no user, no bytes, size 0 × 0, not grayscale.
  static TJPEGData* Create() { return new TJPEGData(); }

  // The compressed file, or null when no compressed form exists yet.
  std::unique_ptr<TMemoryStream> FileBytes;
  std::int32_t height = 0;
  std::int32_t width = 0;
  bool Grayscale = false;

 protected:
  void FreeHandles() noexcept override {}

 private:
  TJPEGData() = default;
};

class TJPEGImage : public TGraphic {
  KIRITORI_CLASS(TJPEGImage, TGraphic)

  // An empty image with a fresh holder and the default settings.
  TJPEGImage();
  ~TJPEGImage() override;

  // Into a TBitmap: the bitmap shares the decoded image (decoding first when
  // needed). Any other destination raises ECopyError.
  void CopyTo(TPersistent* dest) override;
  // From a TJPEGImage: shares its holder and its decoded bitmap, not its
  // settings. From a TBitmap: a fresh holder and a bitmap sharing the source's
  // image, compressed only on save. Anything else goes to the generic copy.
  // Fires no change notification.
  void CopyFrom(TPersistent* source) override;
  void NotifyChanged(TObject* sender) override;
  // Draws the decoded picture stretched into rect; decoding failures propagate.
  void DrawInto(TCanvas& canvas, const TRect& rect) override;
  // False for another kind; by the saved forms when both have file bytes;
  // otherwise whether both use one holder.
  bool SameContent(TGraphic& other) override;
  // False whenever there are file bytes (even 0 of them); otherwise whether
  // there is no bitmap or an empty one.
  bool IsEmpty() override;
  // The decoded bitmap's height, else the header's (scaled by ScaleDown).
  std::int32_t Height() override;
  // The bitmap's palette; else the held one; else, for a display of 8 bits or
  // less and a 24-bit decode, a halftone palette kept as the held one.
  HPALETTE ColorPalette() override;
  std::int32_t Width() override;
  // A 4-byte little-endian length, then ReadJpegFile of that many bytes.
  void ReadPropertyData(TStream& stream) override;
  // Always raises EInvalidGraphicOperation: a JPEG picture cannot be resized.
  void SetHeight(std::int32_t value) override;
  // Takes ownership of palette; a decoded bitmap with another palette is
  // dropped and decoded again, quantised to it, when next needed.
  void SetColorPalette(HPALETTE palette) override;
  void SetWidth(std::int32_t value) override;
  // The file bytes' length as 4 bytes little-endian, then the bytes; never
  // compresses (an image holding only a bitmap writes length 0).
  void WritePropertyData(TStream& stream) override;
  std::unique_ptr<TGraphic> CreateEmpty() const override;
  // Takes the rest of stream as one JPEG file (header parsed, not decoded).
  void LoadStream(TStream& stream) override;
  // Compresses when there are no file bytes yet, then writes them. Raises the
  // stream's EWriteError on a short write and the codec's EJPEG when
  // compressing fails; after an aborted compression nothing is written.
  void SaveStream(TStream& stream) override;
  void LoadClipboardFormat(WORD format, HANDLE data, HPALETTE palette) override;
  // The decoded bitmap's clipboard data; the caller owns it.
  void SaveClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) override;

  // Replaces the content with size bytes read from stream and parses the
  // header. Raises EReadError for a negative size or a short stream and EJPEG
  // for a header that is not JPEG or that declares more than the bytes can
  // carry (jpeg::JudgeDeclaredSize); the bytes are then kept, size 0 × 0,
  // and decoding them fails the same way.
  void ReadJpegFile(std::int64_t size, TStream& stream);
  // The decoded picture, decoding it on first need; owned by the image. A
  // failed decode raises EJPEG and keeps the bitmap as far as it got, which
  // later calls return without decoding again.
  TBitmap* DecodeBitmap();
  // The decoded picture turned upright as an Exif orientation says (see
  // TurnUpright), made in `into` with the decoding settings. A picture not
  // decoded yet is turned row by row as it is decoded, with no second copy,
  // and the image keeps no bitmap of it. Raises like DecodeBitmap, `into`
  // keeping what was made.
  void DecodeUpright(TBitmap& into, int orientation);
  // Frees the decoded bitmap when the file bytes can make it again (the next
  // need decodes anew, at the scale then set); a bitmap handed in stays.
  void ReleaseDecoded() noexcept;
  // Compresses the bitmap into new file bytes with the current settings.
  // Raises EJPEG on a library error, leaving a fresh holder without bytes.
  void EncodeBitmap();
  // Zero-fills context, creates the decompression object with progress to
  // this image and reads the header with the decoding settings. Raises EJPEG
  // (releasing the codec) for a bad header, one that declares more than the
  // bytes can carry, or one whose output size passes the platform's bitmap
  // limit.
  void PrepareDecoder(jpeg::CodecContext& context);

  TJPEGData& SharedData() const noexcept { return *sharedData_; }
  // The decoded or handed-in bitmap, or null; owned by the image.
  TBitmap* CachedBitmap() const noexcept { return cachedBitmap_.get(); }

  // Settings. Nothing in the program changes them after construction except
  // EncodeProgressive, which follows the data read.
  bool Smoothing() const noexcept { return smoothing_; }
  void SetSmoothing(bool value) noexcept { smoothing_ = value; }
  bool Grayscale() const noexcept { return grayscale_; }
  void SetGrayscale(bool value) noexcept { grayscale_ = value; }
  TJpegDepth DecodeDepth() const noexcept { return decodeDepth_; }
  void SetDecodeDepth(TJpegDepth value) noexcept { decodeDepth_ = value; }
  std::uint8_t Quality() const noexcept { return quality_; }
  // Clamped to 1..100.
  void SetQuality(std::uint8_t value) noexcept;
  bool ShowProgressively() const noexcept { return showProgressively_; }
  void SetShowProgressively(bool value) noexcept { showProgressively_ = value; }
  bool EncodeProgressive() const noexcept { return encodeProgressive_; }
  void SetEncodeProgressive(bool value) noexcept { encodeProgressive_ = value; }
  TJpegSpeed DecodeSpeed() const noexcept { return decodeSpeed_; }
  void SetDecodeSpeed(TJpegSpeed value) noexcept { decodeSpeed_ = value; }
  // Whether quantised output (a grayscale file's 236 levels, jd8Bit) is
  // expanded through the library's colour map into a 24-bit bitmap row by
  // row, so that a caller wanting 24 bits never holds the picture twice.
  // Off for a new image.
  void SetExpandPalette(bool value) noexcept { expandPalette_ = value; }
  TJpegScale ScaleDown() const noexcept { return scaleDown_; }
  // A new value marks the reduced size for recomputation.
  void SetScaleDown(TJpegScale value) noexcept;

 private:
  // Decodes into bitmap, turning the rows as DecodeUpright says.
  void DecodeInto(TBitmap& bitmap, int orientation);
  // Whether the decoder's rows stay palette indices, 8 bits per pixel, rather
  // than 24-bit colour: quantised output that the image does not expand.
  bool KeepsIndices(const jpeg_decompress_struct& d) const noexcept;
  void ResetData();
  void ResetBitmap();
  void DropBitmap() noexcept;
  void EnsureCompressed();
  void ComputeScaledSize();
  void DeleteHeldPalette() noexcept;

  TJPEGData* sharedData_ = nullptr;  // one user counted for this image
  std::unique_ptr<TBitmap> cachedBitmap_;
  std::int32_t reducedWidth_ = 0;
  std::int32_t reducedHeight_ = 0;
  HPALETTE heldPalette_ = nullptr;  // owned
  bool smoothing_;
  bool grayscale_;
  TJpegDepth decodeDepth_;
  std::uint8_t quality_;
  bool showProgressively_;
  bool encodeProgressive_;
  TJpegSpeed decodeSpeed_;
  TJpegScale scaleDown_;
  bool sizeStale_ = false;
  bool expandPalette_ = false;
};
