// libFuzzer target: BMP data of any shape goes through every entry that reads
// it. Whatever loads is converted to 24 bits and written back, as the program
// does with a picture it opens and saves. Anything but the system's own
// exceptions, or any sanitizer report, is a finding.
#include <cstddef>
#include <cstdint>

#include "fuzz/DataStream.h"
#include "graphics/Bitmap.h"
#include "layers/Layers.h"
#include "runtime/Exceptions.h"
#include "runtime/MemoryStream.h"

namespace {

// Pictures this large are legal, but converting them costs seconds each.
constexpr std::int64_t kMaxPixelsToConvert = std::int64_t{1} << 20;

void UseWhatLoaded(TBitmap& bitmap) {
  if (bitmap.IsEmpty() || std::int64_t{bitmap.Width()} * bitmap.Height() > kMaxPixelsToConvert) return;
  TMemoryStream saved;
  bitmap.SaveStream(saved);
  bitmap.SetBitDepth(bd24Bit);
  bitmap.SaveStream(saved);
}

template <class Read>
void Try(Read read) {
  try {
    TBitmap bitmap;
    read(bitmap);
    UseWhatLoaded(bitmap);
  } catch (const Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Up for the whole run; stopped when the process exits.
  static const layers::GraphicsLayers started;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Try([&](TBitmap& bitmap) {
    TDataStream stream(data, size);
    bitmap.LoadStream(stream);
  });
  // The same bytes as a form's "Data" property: a length, then a file.
  Try([&](TBitmap& bitmap) {
    TDataStream stream(data, size);
    bitmap.ReadPropertyData(stream);
  });
  // And past the file header, as resource data is read.
  if (size > 14) {
    Try([&](TBitmap& bitmap) {
      TDataStream stream(data + 14, size - 14);
      bitmap.ReadBitmapInfo(stream, static_cast<std::int64_t>(size - 14), nullptr);
    });
  }
  return 0;
}
