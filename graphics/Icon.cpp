#include "graphics/Icon.h"

#include "runtime/Exceptions.h"
#include "runtime/Stream.h"
#include "runtime/Strings.h"

void TIcon::CopyFrom(TPersistent* source) {
  if (dynamic_cast<TIcon*>(source) != nullptr) return;
  TGraphic::CopyFrom(source);
}

void TIcon::DrawInto(TCanvas&, const TRect&) {}
bool TIcon::IsEmpty() { return true; }
std::int32_t TIcon::Height() { return 0; }
std::int32_t TIcon::Width() { return 0; }

void TIcon::ReadPropertyData(TStream& stream) {
  // A picture holding an empty one streams it as no bytes at all.
  if (stream.Size() - stream.Position() == 0) return;
  LoadStream(stream);
}

void TIcon::LoadStream(TStream&) { throw EInvalidGraphic(strings::UnknownFormat); }
void TIcon::SaveStream(TStream&) {}
void TIcon::LoadClipboardFormat(WORD, HANDLE, HPALETTE) { throw EInvalidGraphic(strings::UnknownClipboardFormat); }
void TIcon::SaveClipboardFormat(WORD&, HANDLE&, HPALETTE&) { throw EInvalidGraphic(strings::IconToClipboard); }
