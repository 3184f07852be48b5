#include "jpeg/Jpeg.h"

#include "graphics/DeviceGuards.h"
#include "graphics/Picture.h"
#include "jpeg/JpegImage.h"
#include "runtime/Strings.h"

namespace jpeg {
namespace {
int startCount = 0;
}  // namespace

void ChooseDefaultDepth() {
  graphics::TScreenContext screen;
  DefaultJpegSettings().DecodeDepth = screen.BitsPerPixel() <= 8 ? jd8Bit : jd24Bit;
}

void Startup() {
  if (startCount++ > 0) return;
  ChooseDefaultDepth();
  TPicture::RegisterFormat("jpeg", strings::JPEGDescription, TJPEGImage::ClassInfo());
  TPicture::RegisterFormat("jpg", strings::JPEGDescription, TJPEGImage::ClassInfo());
  // The image holder opens and saves both spellings.
  FileFormatRegistry().MarkOpenedByHolder("jpeg");
  FileFormatRegistry().MarkOpenedByHolder("jpg");
}

void Shutdown() {
  if (startCount == 0 || --startCount > 0) return;
  TPicture::UnregisterFormatsOf(TJPEGImage::ClassInfo());
}

}  // namespace jpeg
