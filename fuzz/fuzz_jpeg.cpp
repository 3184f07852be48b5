// libFuzzer target: JPEG data of any shape is loaded, decoded with the
// program's settings and with every other decoding path, and what decodes is
// encoded again. Anything but the system's own exceptions, or any sanitizer
// report, is a finding.
#include <cstddef>
#include <cstdint>

#include "fuzz/DataStream.h"
#include "graphics/Bitmap.h"
#include "graphics/Orientation.h"
#include "jpeg/ExifOrientation.h"
#include "jpeg/JpegImage.h"
#include "layers/Layers.h"
#include "runtime/Exceptions.h"
#include "runtime/MemoryStream.h"

namespace {

// Headers may legally claim hundreds of megapixels; decoding those costs
// seconds each and teaches the fuzzer nothing new.
constexpr std::int64_t kMaxPixelsToDecode = std::int64_t{1} << 22;
constexpr std::int64_t kMaxPixelsToEncode = std::int64_t{1} << 18;

template <class Setup>
void DecodeWith(const std::uint8_t* data, std::size_t size, Setup setup) {
  try {
    TJPEGImage image;
    TDataStream stream(data, size);
    image.LoadStream(stream);
    if (std::int64_t{image.Width()} * image.Height() > kMaxPixelsToDecode) return;
    setup(image);
    TBitmap* bitmap = image.DecodeBitmap();
    if (bitmap->IsEmpty() || std::int64_t{bitmap->Width()} * bitmap->Height() > kMaxPixelsToEncode) return;
    TBitmap upright;
    upright.CopyFrom(bitmap);
    TurnUpright(upright, jpeg::OrientationOf(image));
    TJPEGImage again;
    again.CopyFrom(&upright);
    TMemoryStream saved;
    again.SaveStream(saved);
  } catch (const Exception&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Up for the whole run; stopped when the process exits.
  static const layers::JpegLayers started;
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DecodeWith(data, size, [](TJPEGImage&) {});
  DecodeWith(data, size, [](TJPEGImage& image) {
    image.SetDecodeDepth(jd8Bit);
    image.SetShowProgressively(true);
  });
  DecodeWith(data, size, [](TJPEGImage& image) {
    image.SetDecodeSpeed(spBestSpeed);
    image.SetGrayscale(true);
    image.SetScaleDown(sdQuarter);
  });
  // The same bytes as a form's "Data" property: a length, then a file.
  try {
    TJPEGImage image;
    TDataStream stream(data, size);
    image.ReadPropertyData(stream);
  } catch (const Exception&) {
  }
  return 0;
}
