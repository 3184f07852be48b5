#include "imaging/Cimg.h"

#include <cstdio>
#include <cstdlib>
#include <new>

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

const char* FormatName(FileKind kind) {
  switch (kind) {
    case FileKind::Jpeg: return "JPEG";
    case FileKind::Bmp: return "BMP";
    case FileKind::Other: break;
  }
  return "none";
}

bool DebugLog() {
  const char* value = std::getenv("KIRITORI_DEBUG");
  return value != nullptr && value[0] == '1';
}

}  // namespace

Cimg::Cimg() = default;

void Cimg::RecordFailure() noexcept {
  try {
    try {
      throw;
    } catch (const Exception& e) {
      lastFailure_ = Failure{e.Message(), e.Reason()};
    } catch (const std::bad_alloc&) {
      lastFailure_ = Failure{std::string(), TFailureReason{TFailureKind::OverAvailableMemory, "the heap refused"}};
    } catch (const std::exception& e) {
      lastFailure_ = Failure{e.what(), TFailureReason{}};
    }
  } catch (...) {
    // Something unknown, or no memory left to copy the texts: a bare failure.
    lastFailure_ = Failure{};
  }
}

void Cimg::Report(const char* operation, const std::string& fileName) const {
  if (!DebugLog()) return;
  const std::string& text = !lastFailure_.Reason.Text.empty() ? lastFailure_.Reason.Text
                            : !lastFailure_.Message.empty()   ? lastFailure_.Message
                                                              : std::string("no picture");
  std::fprintf(stderr, "kiritori: %s failed: %s, %s, %s\n", operation, fileName.c_str(),
               FormatName(KindOf(fileName)), text.c_str());
}

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
  lastFailure_ = Failure{};
  const bool loaded = LoadFile(fileName);
  if (!loaded) Report("load", fileName);
  return loaded;
}

bool Cimg::LoadFile(const std::string& fileName) {
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
        image.SetExpandPalette(true);
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
    RecordFailure();
    result = false;
  }
  return Finish(result);
}

bool Cimg::SetGraphic(TGraphic* graphic) {
  lastFailure_ = Failure{};
  bool result = false;
  try {
    bitmap.reset();
    bitmap = std::make_unique<TBitmap>();
    if (graphic != nullptr) {
      bitmap->CopyFrom(graphic);
      result = true;
    }
  } catch (...) {
    RecordFailure();
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
    RecordFailure();
    return false;
  }
  ReleaseBuffer();
  return result;
}

bool Cimg::Save(const std::string& fileName) {
  lastFailure_ = Failure{};
  const bool saved = SaveFile(fileName);
  if (!saved) Report("save", fileName);
  return saved;
}

bool Cimg::SaveFile(const std::string& fileName) {
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
    RecordFailure();
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
