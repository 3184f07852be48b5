// libFuzzer target: JPEG data of any shape is loaded and decoded with the
// program's settings, with every other decoding setting at once, and with a
// mix of settings chosen by the input's own bytes, so that every setting meets
// every file. Nothing is skipped for the size its header claims. What decodes
// is made into a bitmap turned upright by its Exif orientation and brought to
// 24 bits as the program does, and (when small) encoded again.
#include <cstddef>
#include <cstdint>

#include "FuzzInput.h"
#include "graphics/Bitmap.h"
#include "graphics/PixelFormat.h"
#include "jpeg/ExifOrientation.h"
#include "jpeg/JpegImage.h"

namespace {

// Only the harness's own re-encode is bounded: it is not what is being fuzzed,
// and encoding a legal 16-megapixel picture costs a second.
constexpr std::int64_t kMaxPixelsToReencode = std::int64_t{1} << 18;

// The decoding settings of an image, and whether it holds a palette of its own
// for an 8-bit decode to map to.
struct Settings {
  TJpegSettings image;
  bool heldPalette = false;
};

Settings FromBits(std::uint32_t bits) {
  Settings s;
  s.image.Smoothing = (bits & 1) != 0;
  s.image.Grayscale = (bits & 2) != 0;
  s.image.DecodeDepth = (bits & 4) != 0 ? jd8Bit : jd24Bit;
  s.image.ShowProgressively = (bits & 8) != 0;
  s.image.DecodeSpeed = (bits & 16) != 0 ? spBestSpeed : spBestQuality;
  s.heldPalette = (bits & 32) != 0;
  s.image.ScaleDown = static_cast<TJpegScale>((bits >> 6) & 3);
  return s;
}

std::uint32_t Hash(const std::uint8_t* data, std::size_t size) {
  std::uint32_t h = 2166136261u;
  for (std::size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
  return h;
}

void Apply(TJPEGImage& image, const Settings& s) {
  image.SetSmoothing(s.image.Smoothing);
  image.SetGrayscale(s.image.Grayscale);
  image.SetDecodeDepth(s.image.DecodeDepth);
  image.SetShowProgressively(s.image.ShowProgressively);
  image.SetDecodeSpeed(s.image.DecodeSpeed);
  image.SetScaleDown(s.image.ScaleDown);
  if (s.heldPalette) image.SetColorPalette(DuplicatePalette(SystemPalette16()));
}

void Decode(const std::uint8_t* data, std::size_t size, const Settings* settings) {
  fuzzing::Try([&] {
    // As the image holder opens a photo: the bitmap takes the decoded pixels,
    // turned upright as the Exif block says while they are decoded.
    TBitmap bitmap;
    {
      TJPEGImage image;
      fuzzing::TDataStream stream(data, size);
      image.LoadStream(stream);
      if (settings != nullptr) Apply(image, *settings);
      // The reduced size is worked out from the header before any decode.
      (void)image.Width();
      image.DecodeUpright(bitmap, jpeg::OrientationOf(image));
    }
    bitmap.SetBitDepth(bd24Bit);
    if (bitmap.IsEmpty() || std::int64_t{bitmap.Width()} * bitmap.Height() > kMaxPixelsToReencode) return;
    TJPEGImage again;
    again.CopyFrom(&bitmap);
    TMemoryStream saved;
    again.SaveStream(saved);
  });
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::StartLayers();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Decode(data, size, nullptr);
  Settings allOthers;
  allOthers.image = {.Grayscale = true,
                     .DecodeSpeed = spBestSpeed,
                     .DecodeDepth = jd8Bit,
                     .ShowProgressively = true,
                     .ScaleDown = sdEighth,
                     .Smoothing = false};
  allOthers.heldPalette = true;
  Decode(data, size, &allOthers);
  const Settings mixed = FromBits(Hash(data, size));
  Decode(data, size, &mixed);
  return 0;
}
