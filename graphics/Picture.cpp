#include "graphics/Picture.h"

#include <algorithm>
#include <utility>

#include "graphics/Bitmap.h"
#include "graphics/Font.h"
#include "graphics/Icon.h"
#include "graphics/Metafile.h"
#include "runtime/Exceptions.h"
#include "runtime/FileName.h"
#include "runtime/Filer.h"
#include "runtime/Format.h"
#include "runtime/Stream.h"
#include "runtime/Strings.h"

namespace {

constexpr WORD kClipboardMetafilePicture = 3;    // CF_METAFILEPICT
constexpr WORD kClipboardEnhancedMetafile = 14;  // CF_ENHMETAFILE

// The class name in a picture's "Data" is a short text: one length byte, and
// the readers of such data expect no more than this.
constexpr std::size_t kMaxStreamedClassName = 63;

// Made on first use, so that nothing runs when the program loads.
constinit std::unique_ptr<TFileFormatsList> fileFormats;
constinit std::unique_ptr<TClipboardFormats> clipboardFormats;

void RequireGraphicClass(TGraphicClass graphicClass) {
  if (graphicClass == nullptr || !graphicClass->InheritsFrom(TGraphic::ClassInfo())) {
    throw EInvalidCast(strings::InvalidCast);
  }
}

}  // namespace

// ---- TFileFormatsList ---------------------------------------------------

TFileFormatsList::TFileFormatsList() {
  AddFormat("wmf", "", TMetafile::ClassInfo(), strings::MetafileDescription);
  AddFormat("emf", "", TMetafile::ClassInfo(), strings::EnhancedMetafileDescription);
  AddFormat("ico", "", TIcon::ClassInfo(), strings::IconDescription);
  AddFormat("bmp", "", TBitmap::ClassInfo(), strings::BitmapDescription);
  MarkOpenedByHolder("bmp");
}

void TFileFormatsList::AddFormat(std::string_view extension, std::string_view description, TGraphicClass graphicClass,
                                 TDescriptionId descriptionId) {
  RequireGraphicClass(graphicClass);
  formats_.push_back(TFileFormat{graphicClass, LowerCaseText(extension), std::string(description), descriptionId});
}

const TFileFormat* TFileFormatsList::NewestFor(std::string_view extension) const {
  const std::string wanted = LowerCaseText(extension);
  const auto found = std::find_if(formats_.rbegin(), formats_.rend(),
                                  [&](const TFileFormat& format) { return format.Extension == wanted; });
  return found == formats_.rend() ? nullptr : &*found;
}

TFileFormat* TFileFormatsList::NewestFor(std::string_view extension) {
  return const_cast<TFileFormat*>(std::as_const(*this).NewestFor(extension));
}

TGraphicClass TFileFormatsList::FindByExtension(std::string_view extension) const {
  const TFileFormat* found = NewestFor(extension);
  return found == nullptr ? nullptr : found->GraphicClass;
}

void TFileFormatsList::MarkOpenedByHolder(std::string_view extension) {
  if (TFileFormat* found = NewestFor(extension)) found->OpenedByHolder = true;
}

TGraphicClass TFileFormatsList::FindByClassName(std::string_view name) const {
  const auto found = std::find_if(formats_.rbegin(), formats_.rend(),
                                  [&](const TFileFormat& format) { return format.GraphicClass->Name == name; });
  return found == formats_.rend() ? nullptr : found->GraphicClass;
}

void TFileFormatsList::RemoveFormatsOf(TGraphicClass graphicClass) {
  std::erase_if(formats_, [&](const TFileFormat& format) { return format.GraphicClass->InheritsFrom(graphicClass); });
}

void TFileFormatsList::BuildFilter(TGraphicClass graphicClass, std::string& filter, std::string& masks) {
  filter.clear();
  masks.clear();
  int count = 0;
  for (auto format = formats_.rbegin(); format != formats_.rend(); ++format) {
    if (!format->GraphicClass->InheritsFrom(graphicClass) || format->Extension.empty()) continue;
    if (count > 0) {
      filter += '|';
      masks += ';';
    }
    if (format->Description.empty() && format->DescriptionId != nullptr) {
      format->Description = format->DescriptionId;
    }
    filter = Format(strings::FilterEntry, filter, format->Description, format->Extension);
    masks = Format(strings::FilterMask, masks, format->Extension);
    ++count;
  }
  if (count > 1) filter = Format(strings::FilterAllPair, strings::AllFilesDescription, masks, filter);
}

// ---- TClipboardFormats --------------------------------------------------

TClipboardFormats::TClipboardFormats() {
  AddClipboardFormat(kClipboardMetafilePicture, TMetafile::ClassInfo());
  AddClipboardFormat(kClipboardEnhancedMetafile, TMetafile::ClassInfo());
  AddClipboardFormat(kClipboardBitmapFormat, TBitmap::ClassInfo());
}

void TClipboardFormats::AddClipboardFormat(WORD format, TGraphicClass graphicClass) {
  RequireGraphicClass(graphicClass);
  classes_.push_back(graphicClass);
  try {
    formats_.push_back(format);
  } catch (...) {
    classes_.pop_back();
    throw;
  }
}

TGraphicClass TClipboardFormats::FindClassForFormat(WORD format) const {
  for (std::size_t i = formats_.size(); i-- > 0;) {
    if (formats_[i] == format) return classes_[i];
  }
  return nullptr;
}

void TClipboardFormats::RemoveClipboardFormatsOf(TGraphicClass graphicClass) {
  for (std::size_t i = classes_.size(); i-- > 0;) {
    if (classes_[i]->InheritsFrom(graphicClass)) {
      classes_.erase(classes_.begin() + static_cast<std::ptrdiff_t>(i));
      formats_.erase(formats_.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

// ---- Registries -----------------------------------------------------------

TFileFormatsList& FileFormatRegistry() {
  if (!fileFormats) fileFormats = std::make_unique<TFileFormatsList>();
  return *fileFormats;
}

TClipboardFormats& ClipboardFormatRegistry() {
  if (!clipboardFormats) clipboardFormats = std::make_unique<TClipboardFormats>();
  return *clipboardFormats;
}

std::string FilterForClass(TGraphicClass graphicClass) {
  std::string filter;
  std::string masks;
  FileFormatRegistry().BuildFilter(graphicClass, filter, masks);
  return filter;
}

namespace graphics::detail {
void DestroyPictureRegistries() noexcept {
  fileFormats.reset();
  clipboardFormats.reset();
}
}  // namespace graphics::detail

// ---- TPicture ---------------------------------------------------------------

TPicture::TPicture() {
  FileFormatRegistry();
  ClipboardFormatRegistry();
}

TPicture::~TPicture() = default;

void TPicture::CopyFrom(TPersistent* source) {
  if (source == nullptr) {
    SetGraphic(nullptr);
  } else if (auto* picture = dynamic_cast<TPicture*>(source)) {
    SetGraphic(picture->Graphic());
  } else if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
    SetGraphic(graphic);
  } else {
    TPersistent::CopyFrom(source);
  }
}

void TPicture::CopyTo(TPersistent* dest) {
  if (graphic_ && dest != nullptr && graphic_->InheritsFrom(dest->ClassType())) {
    dest->CopyFrom(graphic_.get());
  } else {
    TPersistent::CopyTo(dest);
  }
}

void TPicture::DefineProperties(TFiler& filer) {
  bool hasData = true;
  if (filer.Ancestor() == nullptr) {
    hasData = graphic_ != nullptr;
  } else if (auto* ancestor = dynamic_cast<TPicture*>(filer.Ancestor())) {
    TGraphic* theirs = ancestor->Graphic();
    const bool bothWithSameContent = graphic_ && theirs != nullptr && graphic_->SameContent(*theirs);
    hasData = graphic_.get() != theirs && !bothWithSameContent;
  }
  filer.DefineBinaryProperty(
      strings::DataPropertyName, [this](TStream& stream) { ReadData(stream); },
      [this](TStream& stream) { WriteData(stream); }, hasData);
}

void TPicture::ReadData(TStream& stream) {
  std::uint8_t length = 0;
  stream.ReadBuffer(&length, 1);
  std::string name(length, '\0');
  stream.ReadBuffer(name.data(), length);
  std::unique_ptr<TGraphic> graphic;
  if (TGraphicClass graphicClass = FileFormatRegistry().FindByClassName(name)) {
    graphic = CreateGraphic(graphicClass);
    graphic->ReadPropertyData(stream);
  }
  Install(std::move(graphic));
}

void TPicture::WriteData(TStream& stream) {
  const std::string_view name = graphic_ ? graphic_->ClassName() : std::string_view();
  // A longer name could not be read back: the picture would come back empty.
  if (name.size() > kMaxStreamedClassName) {
    throw EPropertyError(Format(strings::PropertyTooLarge, strings::DataPropertyName));
  }
  const auto length = static_cast<std::uint8_t>(name.size());
  stream.WriteBuffer(&length, 1);
  stream.WriteBuffer(name.data(), length);
  if (graphic_) graphic_->WritePropertyData(stream);
}

void TPicture::SetGraphic(TGraphic* value) {
  std::unique_ptr<TGraphic> copy;
  if (value != nullptr) {
    copy = value->CreateEmpty();
    copy->CopyFrom(value);
  }
  Install(std::move(copy));
}

TBitmap& TPicture::AsBitmap() {
  EnsureGraphicClass(TBitmap::ClassInfo());
  return dynamic_cast<TBitmap&>(*graphic_);
}

void TPicture::EnsureGraphicClass(TGraphicClass graphicClass) {
  RequireGraphicClass(graphicClass);
  if (graphic_ && graphic_->InheritsFrom(graphicClass)) return;
  // The old graphic goes first: it is not converted, and a large picture
  // should not be held twice while its replacement is made.
  graphic_.reset();
  Install(CreateGraphic(graphicClass));
}

std::int32_t TPicture::Width() const { return graphic_ ? graphic_->Width() : 0; }
std::int32_t TPicture::Height() const { return graphic_ ? graphic_->Height() : 0; }

void TPicture::LoadFile(const std::string& fileName) {
  std::string extension = ExtractFileExt(fileName);
  if (!extension.empty()) extension.erase(0, 1);
  TGraphicClass graphicClass = FileFormatRegistry().FindByExtension(extension);
  if (graphicClass == nullptr) throw EInvalidGraphic(Format(strings::UnknownExtension, extension));
  LoadWith(graphicClass, [&](TGraphic& graphic) { graphic.LoadFile(fileName); });
}

void TPicture::LoadClipboardFormat(WORD format, HANDLE data, HPALETTE palette) {
  TGraphicClass graphicClass = ClipboardFormatRegistry().FindClassForFormat(format);
  if (graphicClass == nullptr) throw EInvalidGraphic(strings::UnknownClipboardFormat);
  LoadWith(graphicClass, [&](TGraphic& graphic) { graphic.LoadClipboardFormat(format, data, palette); });
}

void TPicture::LoadWith(TGraphicClass graphicClass, const std::function<void(TGraphic&)>& load) {
  std::unique_ptr<TGraphic> graphic = CreateGraphic(graphicClass);
  // Progress is worth showing while loading; the load's own changes are not,
  // since the picture reports the finished graphic once.
  graphic->OnProgress = [this](TObject* sender, TProgressStage stage, std::uint8_t percentDone, bool redrawNow,
                               const TRect& r,
                               const std::string& msg) { Progress(sender, stage, percentDone, redrawNow, r, msg); };
  load(*graphic);
  Install(std::move(graphic));
}

void TPicture::SaveClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) {
  if (graphic_) graphic_->SaveClipboardFormat(format, data, palette);
}

void TPicture::LoadStream(TStream& stream) { AsBitmap().LoadStream(stream); }
void TPicture::SaveStream(TStream& stream) { AsBitmap().SaveStream(stream); }

void TPicture::RegisterFormat(std::string_view extension, std::string_view description, TGraphicClass graphicClass) {
  FileFormatRegistry().AddFormat(extension, description, graphicClass);
}

void TPicture::RegisterClipboardFormat(WORD format, TGraphicClass graphicClass) {
  ClipboardFormatRegistry().AddClipboardFormat(format, graphicClass);
}

bool TPicture::CanLoadClipboardFormat(WORD format) {
  return ClipboardFormatRegistry().FindClassForFormat(format) != nullptr;
}

void TPicture::UnregisterFormatsOf(TGraphicClass graphicClass) {
  if (fileFormats) fileFormats->RemoveFormatsOf(graphicClass);
  if (clipboardFormats) clipboardFormats->RemoveClipboardFormatsOf(graphicClass);
}

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
  if (ChangeNotifier != nullptr) ChangeNotifier->Changed();
}

void TPicture::Progress(TObject* sender, TProgressStage stage, std::uint8_t percentDone, bool redrawNow, const TRect& r,
                        const std::string& msg) {
  if (OnProgress) OnProgress(sender, stage, percentDone, redrawNow, r, msg);
}

void TPicture::Hook(TGraphic& graphic) {
  graphic.OnChange = [this](TObject* sender) { Changed(sender); };
  graphic.OnProgress = [this](TObject* sender, TProgressStage stage, std::uint8_t percentDone, bool redrawNow,
                              const TRect& r,
                              const std::string& msg) { Progress(sender, stage, percentDone, redrawNow, r, msg); };
}

void TPicture::Install(std::unique_ptr<TGraphic> graphic) {
  if (graphic) Hook(*graphic);
  // The new graphic is in place before anyone hears of it, so a handler that
  // fails leaves a complete picture behind rather than a freed one.
  graphic_ = std::move(graphic);
  Changed(this);
}
