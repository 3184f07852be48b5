// libFuzzer target: BMP data of any shape through both entries of the reader
// (a file, and the data past a file header as resources hold it). Whatever
// loads is written back, converted to 24 bits and written again, as the
// program does with a picture it opens and saves.
#include <cstddef>
#include <cstdint>

#include "FuzzInput.h"
#include "graphics/Bitmap.h"
#include "graphics/BmpFormat.h"

namespace {

// The harness's own re-encode is bounded: converting a legal picture of
// hundreds of megapixels costs seconds and teaches the fuzzer nothing new.
// Reading is never bounded.
constexpr std::int64_t kMaxPixelsToReencode = std::int64_t{1} << 20;

void UseWhatLoaded(TBitmap& bitmap) {
  if (bitmap.IsEmpty() || std::int64_t{bitmap.Width()} * bitmap.Height() > kMaxPixelsToReencode) return;
  TMemoryStream saved;
  bitmap.SaveStream(saved);
  bitmap.SetBitDepth(bd24Bit);
  bitmap.SaveStream(saved);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::StartLayers();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::Try([&] {
    TBitmap bitmap;
    fuzzing::TDataStream stream(data, size);
    bitmap.LoadStream(stream);
    UseWhatLoaded(bitmap);
  });
  if (size > bmp::kFileHeaderSize) {
    fuzzing::Try([&] {
      TBitmap bitmap;
      fuzzing::TDataStream stream(data + bmp::kFileHeaderSize, size - bmp::kFileHeaderSize);
      bitmap.ReadBitmapInfo(stream, static_cast<std::int64_t>(size - bmp::kFileHeaderSize), nullptr);
      UseWhatLoaded(bitmap);
    });
  }
  return 0;
}
