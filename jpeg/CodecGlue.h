// The thin layer between the JPEG image and libjpeg: the record of one codec
// run, the error manager that turns library errors into EJPEG, the progress
// hook that turns the library's progress into the graphic's notifications, and
// the stream source and destination managers.
#pragma once

// jpeglib.h expects FILE and size_t to be declared before it.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

#include "platform/Windows.h"

class TJPEGImage;
class TStream;

namespace jpeg {

// The library's progress record followed by what the glue needs to notify.
struct CodecProgress {
  jpeg_progress_mgr pub;
  TJPEGImage* Owner;      // null: no notifications
  std::int32_t LastPercent;
  DWORD LastTick;         // 0 until the first accepted callback of a run
  std::int32_t LastRow;   // decompression only
  // The work bound of a decode: the last scan counted and the blocks that the
  // scans so far code.
  std::int32_t LastScan;
  std::int64_t ScanBlocks;
};

// One codec run. Zero-filled before each use; lives on the stack of the
// operation that runs the codec.
struct CodecContext {
  jpeg_error_mgr err;
  CodecProgress progress;
  J_DCT_METHOD FinalDctMethod;
  bool FinalTwoPass;
  J_DITHER_MODE FinalDither;
  // A run uses one of the two; both begin with the library's common fields, so
  // `common` reaches either.
  union {
    jpeg_common_struct common;
    jpeg_decompress_struct d;
    jpeg_compress_struct c;
  };
};

// The most scans a progressive file may have. Real encoders write about ten; a
// hostile file can repeat scans without end, and each one costs a pass over
// the whole coefficient buffer, so past this the decode fails instead of
// keeping the program busy for minutes.
inline constexpr int kMaxProgressiveScans = 500;
// The most work the scans of one file may ask for: the blocks each scan codes,
// summed over the scans, in units of all the blocks of all the components.
// Real progressive files code each block 2 to 6 times; with progressive
// display every scan redraws the whole picture and counts all the blocks.
inline constexpr int kMaxScanWork = 32;
// How many pixels one byte of a JPEG file may declare, once its judged size
// is past graphics::kUnjudgedPictureBytes. The densest honest Huffman coding
// carries about 500 (a flat picture: a short code for each block).
inline constexpr std::int64_t kMaxPixelsPerByte = 1000;

// Zero-fills context, installs the glue's error manager and creates the
// decompression object. Raises EJPEG when the library refuses. The library
// may take the memory the machine has available (platform::
// AvailableMemoryBytes); past it a request for backing store fails with its
// error, which is raised with the reason over the available memory.
void CreateDecompress(CodecContext& context);
// The same for a compression object.
void CreateCompress(CodecContext& context);
// Points the library object's progress at the context's record, notifying
// owner (may be null).
void InstallProgress(CodecContext& context, TJPEGImage* owner);

// After jpeg_read_header of a file of fileBytes bytes: raises EJPEG with the
// library's image-too-big code, its reason too large for its bytes, when the
// picture is judged past graphics::kUnjudgedPictureBytes (its pixels at 24
// bits, plus for a multi-scan file the library's coefficient buffer, 2 bytes
// per sample of every component) and declares more than kMaxPixelsPerByte
// pixels per byte.
void JudgeDeclaredSize(j_decompress_ptr cinfo, std::int64_t fileBytes);

// Destroys the library object when there is one; a second call does nothing.
void ReleaseCodec(CodecContext& context) noexcept;

// Releases the codec state of a run on every path out of its scope.
class [[nodiscard]] CodecGuard {
 public:
  explicit CodecGuard(CodecContext& context) noexcept : context_(context) {}
  ~CodecGuard() { ReleaseCodec(context_); }
  CodecGuard(const CodecGuard&) = delete;
  CodecGuard& operator=(const CodecGuard&) = delete;

 private:
  CodecContext& context_;
};

// The error manager's error_exit: raises EJPEG with "JPEG エラー #%d" filled
// with the library's message code. Never returns.
[[noreturn]] void RaiseCodecError(j_common_ptr cinfo);
// The progress monitor: at most one running notification per 500 ms, and
// only when the whole percentage changed; the first call of a run only starts
// the clock. A decode that reaches more than kMaxProgressiveScans scans, or
// whose scans, as each starts, code more than kMaxScanWork times all the
// blocks, fails with the library's bad-progression error (the latter with
// the reason too large for its bytes).
void OnCodecProgress(j_common_ptr cinfo);

// Makes the decompression object read from stream's current position through
// a 4096-byte buffer. An empty stream is the library's empty-input error; a
// stream that ends early is completed with an end-of-image marker.
void AttachSource(j_decompress_ptr cinfo, TStream& stream);
// Makes the compression object write to stream through a 4096-byte buffer; a
// short write is the library's write error.
void AttachDestination(j_compress_ptr cinfo, TStream& stream);

// A new palette from the library's colour map (rows in blue, green, red order,
// or one grey row); the caller owns it. Raises EOutOfResources when refused.
HPALETTE ColorMapToPalette(j_decompress_ptr cinfo);
// Makes the library quantise to palette's colours (up to 256) when set before
// jpeg_start_decompress; nothing for an empty palette.
void PaletteToColorMap(j_decompress_ptr cinfo, HPALETTE palette);

}  // namespace jpeg
