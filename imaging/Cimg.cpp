#include "imaging/Cimg.h"

#include <cstdlib>

#include "graphics/Bitmap.h"
#include "graphics/Orientation.h"
#include "jpeg/ExifOrientation.h"
#include "jpeg/JpegImage.h"
#include "platform/Windows.h"
#include "runtime/FileName.h"

namespace {

enum class FileKind { Other, Jpeg, Bmp };

bool ExtensionIs(const std::string& extension, const char* wanted) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, extension.c_str(), -1, wanted, -1) == CSTR_EQUAL;
}

// By the extension alone: the file itself is not looked at.
FileKind KindOf(const std::string& fileName) {
  const std::string extension = ExtractFileExt(fileName);
  if (ExtensionIs(extension, ".jpg") || ExtensionIs(extension, ".jpeg")) return FileKind::Jpeg;
  if (ExtensionIs(extension, ".bmp")) return FileKind::Bmp;
  return FileKind::Other;
}

}  // namespace

Cimg::Cimg() = default;

Cimg::~Cimg() { ReleaseBuffer(); }

void Cimg::ReleaseBuffer() noexcept {
  std::free(buffer);
  buffer = nullptr;
}

bool Cimg::Opens(const std::string& fileName) {
  try {
    return KindOf(fileName) != FileKind::Other;
  } catch (...) {
    return false;
  }
}

bool Cimg::Load(const std::string& fileName) {
  bool result = false;
  try {
    const FileKind kind = KindOf(fileName);
    if (kind == FileKind::Other) return false;
    // The old picture goes before the new one is read: a failed load leaves
    // an empty bitmap, not the previous picture.
    bitmap.reset();
    bitmap = std::make_unique<TBitmap>();
    if (kind == FileKind::Jpeg) {
      // The temporary image decodes straight into 24-bit pixels, which the
      // bitmap then shares: the picture is decoded once and never copied.
      int orientation = 1;
      {
        TJPEGImage image;
        image.LoadFile(fileName);
        bitmap->CopyFrom(&image);
        orientation = jpeg::OrientationOf(image);
      }
      // With the image gone the pixels are the bitmap's alone, so a photo
      // that is only mirrored or upside down turns without a second picture.
      TurnUpright(*bitmap, orientation);
    } else {
      bitmap->LoadFile(fileName);
    }
    result = true;
  } catch (...) {
    result = false;
  }
  return Finish(result);
}

bool Cimg::SetGraphic(TGraphic* graphic) {
  bool result = false;
  try {
    bitmap.reset();
    bitmap = std::make_unique<TBitmap>();
    if (graphic != nullptr) {
      bitmap->CopyFrom(graphic);
      result = true;
    }
  } catch (...) {
    result = false;
  }
  return Finish(result);
}

bool Cimg::Finish(bool result) {
  try {
    if (bitmap == nullptr || bitmap->IsEmpty()) return false;
    bitmap->SetBitDepth(bd24Bit);
  } catch (...) {
    // A picture that cannot be made 24 bits is no usable picture.
    return false;
  }
  ReleaseBuffer();
  return result;
}

bool Cimg::Save(const std::string& fileName) {
  try {
    if (bitmap == nullptr || bitmap->IsEmpty()) return false;
    switch (KindOf(fileName)) {
      case FileKind::Jpeg: {
        TJPEGImage image;
        image.CopyFrom(bitmap.get());
        image.SaveFile(fileName);
        return true;
      }
      case FileKind::Bmp:
        bitmap->SaveFile(fileName);
        return true;
      case FileKind::Other:
        return false;
    }
  } catch (...) {
  }
  return false;
}

std::int32_t Cimg::Width() {
  try {
    return bitmap != nullptr ? bitmap->Width() : 0;
  } catch (...) {
    return 0;
  }
}

std::int32_t Cimg::Height() {
  try {
    return bitmap != nullptr ? bitmap->Height() : 0;
  } catch (...) {
    return 0;
  }
}

void Cimg::Make24Bit() {
  try {
    if (bitmap != nullptr) bitmap->SetBitDepth(bd24Bit);
  } catch (...) {
  }
}
