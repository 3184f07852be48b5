#include "imaging/Cimg.h"

#include <cstdio>
#include <cstdlib>
#include <new>

#include "graphics/Bitmap.h"
#include "graphics/Picture.h"
#include "jpeg/ExifOrientation.h"
#include "jpeg/JpegImage.h"
#include "runtime/Exceptions.h"
#include "runtime/FileName.h"
#include "runtime/Format.h"
#include "runtime/Strings.h"

namespace {

// The class the format registry gives the name's extension when its newest
// entry for it is one the holder opens; null otherwise. By the extension
// alone: the file itself is not looked at. The extension counts up to a NUL,
// as the file system reads the name.
TGraphicClass ClassOf(const std::string& fileName) {
  const std::string extension = ExtractFileExt(fileName);
  if (extension.empty()) return nullptr;
  const TFileFormatsList& formats = FileFormatRegistry();
  const TFileFormat* format = formats.NewestFor(extension.c_str() + 1);
  return format != nullptr && format->OpenedByHolder ? format->GraphicClass : nullptr;
}

bool IsBitmap(TGraphicClass graphicClass) { return graphicClass->InheritsFrom(TBitmap::ClassInfo()); }

// For the debug line: the kind of file the holder took the name for.
const char* FormatName(const std::string& fileName) {
  try {
    const TGraphicClass graphicClass = ClassOf(fileName);
    if (graphicClass == nullptr) return "none";
    return IsBitmap(graphicClass) ? "BMP" : "JPEG";
  } catch (...) {
    return "none";
  }
}

bool DebugLog() {
  const char* value = std::getenv("KIRITORI_DEBUG");
  return value != nullptr && value[0] == '1';
}

}  // namespace

Cimg::Cimg() = default;

Cimg::Failure Cimg::LastFailure() const noexcept { return Describe(failure_); }

Cimg::Failure Cimg::Describe(const std::exception_ptr& failure) noexcept {
  if (!failure) return {};
  try {
    try {
      std::rethrow_exception(failure);
    } catch (const Exception& e) {
      return Failure{e.Message(), e.Reason()};
    } catch (const std::bad_alloc&) {
      return Failure{std::string(), TFailureReason{TFailureKind::OverAvailableMemory, "the heap refused"}};
    } catch (const std::exception& e) {
      return Failure{e.what(), TFailureReason{}};
    }
  } catch (...) {
    // Something unknown, or no memory left to copy the texts: a bare failure.
  }
  return {};
}

void Cimg::Report(const char* operation, const std::string& fileName) const {
  if (!DebugLog()) return;
  const Failure failure = LastFailure();
  const std::string& text = !failure.Reason.Text.empty() ? failure.Reason.Text
                            : !failure.Message.empty()   ? failure.Message
                                                         : std::string("no picture");
  std::fprintf(stderr, "kiritori: %s failed: %s, %s, %s\n", operation, fileName.c_str(),
               FormatName(fileName), text.c_str());
}

Cimg::~Cimg() { ReleaseBuffer(); }

void Cimg::ReleaseBuffer() noexcept {
  std::free(buffer);
  buffer = nullptr;
}

bool Cimg::Opens(const std::string& fileName) {
  try {
    return ClassOf(fileName) != nullptr;
  } catch (...) {
    return false;
  }
}

void Cimg::RefuseExtension(const std::string& fileName) {
  std::string extension = ExtractFileExt(fileName);
  if (!extension.empty()) extension.erase(0, 1);
  failure_ = std::make_exception_ptr(EInvalidGraphic(Format(strings::UnknownExtension, extension)));
}

bool Cimg::Load(const std::string& fileName) {
  const bool loaded = LoadFile(fileName);
  if (!loaded) Report("load", fileName);
  return loaded;
}

bool Cimg::LoadFile(const std::string& fileName) {
  bool result = false;
  failure_ = nullptr;
  try {
    const TGraphicClass graphicClass = ClassOf(fileName);
    if (graphicClass == nullptr) {
      RefuseExtension(fileName);
      return false;
    }
    // The old picture goes before the new one is read: a failed load leaves
    // an empty bitmap, not the previous picture.
    bitmap.reset();
    bitmap = std::make_unique<TBitmap>();
    if (IsBitmap(graphicClass)) {
      bitmap->LoadFile(fileName);
    } else {
      // A temporary graphic reads the file. A JPEG image decodes straight into
      // 24-bit pixels of the bitmap, turned upright as the photo's Exif block
      // says while the rows come: the picture is decoded once and never copied.
      const std::unique_ptr<TGraphic> graphic = CreateGraphic(graphicClass);
      auto* image = dynamic_cast<TJPEGImage*>(graphic.get());
      if (image != nullptr) image->SetExpandPalette(true);
      graphic->LoadFile(fileName);
      if (image != nullptr)
        image->DecodeUpright(*bitmap, jpeg::OrientationOf(*image));
      else
        bitmap->CopyFrom(graphic.get());
    }
    result = true;
  } catch (...) {
    failure_ = std::current_exception();
    result = false;
  }
  return Finish(result);
}

bool Cimg::SetGraphic(TGraphic* graphic) {
  bool result = false;
  failure_ = nullptr;
  try {
    bitmap.reset();
    bitmap = std::make_unique<TBitmap>();
    if (graphic != nullptr) {
      bitmap->CopyFrom(graphic);
      result = true;
    }
  } catch (...) {
    failure_ = std::current_exception();
    result = false;
  }
  return Finish(result);
}

bool Cimg::Finish(bool result) {
  try {
    if (bitmap == nullptr || bitmap->IsEmpty()) return false;
    bitmap->SetBitDepth(bd24Bit);
  } catch (...) {
    // A picture that cannot be made 24 bits is no usable picture; a failure
    // of the load itself, if any, is the one that counts.
    if (!failure_) failure_ = std::current_exception();
    return false;
  }
  ReleaseBuffer();
  return result;
}

bool Cimg::Save(const std::string& fileName) {
  failure_ = nullptr;
  const bool saved = SaveFile(fileName);
  if (!saved) Report("save", fileName);
  return saved;
}

bool Cimg::SaveFile(const std::string& fileName) {
  try {
    if (bitmap == nullptr || bitmap->IsEmpty()) return false;
    const TGraphicClass graphicClass = ClassOf(fileName);
    if (graphicClass == nullptr) {
      RefuseExtension(fileName);
      return false;
    }
    if (IsBitmap(graphicClass)) {
      bitmap->SaveFile(fileName);
    } else {
      // A new graphic of the class, with its default settings, writes the file.
      const std::unique_ptr<TGraphic> graphic = CreateGraphic(graphicClass);
      graphic->CopyFrom(bitmap.get());
      graphic->SaveFile(fileName);
    }
    return true;
  } catch (...) {
    failure_ = std::current_exception();
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
