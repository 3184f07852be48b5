// libFuzzer target: the streamed "Data" property of a bitmap, a JPEG image and
// a picture, as a form definition holds it. The first byte chooses the object;
// the rest is the property's bytes, or (choice 3) a whole property block read
// into a picture. What reads is written back as a form would be saved.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "FuzzInput.h"
#include "graphics/Bitmap.h"
#include "graphics/Picture.h"
#include "jpeg/JpegImage.h"
#include "runtime/Filer.h"

namespace {

// Only the harness's own write-back is bounded: writing out a legal picture of
// hundreds of megapixels costs seconds and teaches the fuzzer nothing new.
constexpr std::int64_t kMaxPixelsToWriteBack = std::int64_t{1} << 20;

// A property block holding one "Data" property of these bytes.
void WriteDataBlock(TMemoryStream& block, const std::uint8_t* data, std::size_t size) {
  block.WriteBuffer("\4Data", 5);
  const auto count = static_cast<std::int32_t>(size);
  block.WriteBuffer(&count, sizeof count);
  if (size > 0) block.WriteBuffer(data, static_cast<std::int64_t>(size));
  block.WriteBuffer("", 1);
  block.SetPosition(0);
}

void ReadAndWriteBack(TPersistent& object, TGraphic* (*graphicOf)(TPersistent&), TMemoryStream& block) {
  TPropertyReader(block).ReadProperties(object);
  TGraphic* graphic = graphicOf(object);
  if (graphic != nullptr && std::int64_t{graphic->Width()} * graphic->Height() > kMaxPixelsToWriteBack) return;
  TMemoryStream saved;
  TPropertyWriter(saved).WriteProperties(object);
}

TGraphic* ItselfAsGraphic(TPersistent& object) { return static_cast<TGraphic*>(&object); }
TGraphic* HeldGraphic(TPersistent& object) { return static_cast<TPicture&>(object).Graphic(); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzing::StartLayers();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t choice = data[0] % 4;
  fuzzing::Try([&] {
    TMemoryStream block;
    if (choice == 3) {
      fuzzing::TDataStream whole(data + 1, size - 1);
      block.LoadFromStream(whole);
    } else {
      WriteDataBlock(block, data + 1, size - 1);
    }
    switch (choice) {
      case 0: {
        TBitmap bitmap;
        ReadAndWriteBack(bitmap, ItselfAsGraphic, block);
        break;
      }
      case 1: {
        TJPEGImage image;
        ReadAndWriteBack(image, ItselfAsGraphic, block);
        break;
      }
      default: {
        TPicture picture;
        ReadAndWriteBack(picture, HeldGraphic, block);
        break;
      }
    }
  });
  return 0;
}
