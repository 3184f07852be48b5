#include "graphics/Graphic.h"

#include <cstring>

#include "runtime/FileStream.h"
#include "runtime/Filer.h"
#include "runtime/MemoryStream.h"
#include "runtime/ReplacementFile.h"
#include "runtime/Strings.h"

TGraphic::TGraphic() = default;
TGraphic::~TGraphic() = default;

void TGraphic::AbstractCall() { throw EAbstractError(strings::AbstractCall); }

void TGraphic::DefineProperties(TFiler& filer) {
  bool hasData = true;
  if (filer.Ancestor() == nullptr) {
    hasData = !IsEmpty();
  } else if (auto* ancestor = dynamic_cast<TGraphic*>(filer.Ancestor())) {
    hasData = !SameContent(*ancestor);
  }
  filer.DefineBinaryProperty(
      strings::DataPropertyName, [this](TStream& stream) { ReadPropertyData(stream); },
      [this](TStream& stream) { WritePropertyData(stream); }, hasData);
}

void TGraphic::NotifyChanged(TObject*) {
  modified_ = true;
  if (OnChange) OnChange(this);
}

void TGraphic::DrawInto(TCanvas&, const TRect&) { AbstractCall(); }

bool TGraphic::SameContent(TGraphic& other) {
  const bool empty = IsEmpty();
  const bool otherEmpty = other.IsEmpty();
  if (empty || otherEmpty) return empty && otherEmpty;
  if (ClassType() != other.ClassType()) return false;
  TMemoryStream mine;
  TMemoryStream theirs;
  WritePropertyData(mine);
  other.WritePropertyData(theirs);
  return mine.Size() == theirs.Size() &&
         (mine.Size() == 0 || std::memcmp(mine.Memory(), theirs.Memory(), static_cast<std::size_t>(mine.Size())) == 0);
}

bool TGraphic::IsEmpty() { AbstractCall(); }
std::int32_t TGraphic::Height() { AbstractCall(); }
HPALETTE TGraphic::ColorPalette() { return nullptr; }
bool TGraphic::Transparent() { return transparent_; }
std::int32_t TGraphic::Width() { AbstractCall(); }
void TGraphic::ReadPropertyData(TStream& stream) { LoadStream(stream); }
void TGraphic::SetHeight(std::int32_t) { AbstractCall(); }
void TGraphic::SetColorPalette(HPALETTE) {}

void TGraphic::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  NotifyChanged(this);
}

void TGraphic::SetWidth(std::int32_t) { AbstractCall(); }
void TGraphic::WritePropertyData(TStream& stream) { SaveStream(stream); }

std::unique_ptr<TGraphic> TGraphic::CreateEmpty() const { return CreateGraphic(ClassType()); }

void TGraphic::LoadFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadStream(file);
}

void TGraphic::SaveFile(const std::string& fileName) {
  // Written beside the target and renamed over it only when complete: a failing
  // encoder must not cost the user the file that was there.
  TReplacementFile file(fileName);
  SaveStream(file.Stream());
  file.Commit();
}

void TGraphic::LoadStream(TStream&) { AbstractCall(); }
void TGraphic::SaveStream(TStream&) { AbstractCall(); }
void TGraphic::LoadClipboardFormat(WORD, HANDLE, HPALETTE) { AbstractCall(); }
void TGraphic::SaveClipboardFormat(WORD&, HANDLE&, HPALETTE&) { AbstractCall(); }

void TGraphic::ReportProgress(TObject* sender, TProgressStage stage, std::uint8_t percentDone, bool redrawNow,
                              const TRect& r, const std::string& msg) {
  if (OnProgress) OnProgress(sender, stage, percentDone, redrawNow, r, msg);
}

std::unique_ptr<TGraphic> CreateGraphic(TGraphicClass cls) { return runtime::CreateAs<TGraphic>(cls); }
