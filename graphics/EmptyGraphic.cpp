#include "graphics/EmptyGraphic.h"

#include "runtime/Exceptions.h"
#include "runtime/Stream.h"
#include "runtime/Strings.h"

void TEmptyGraphic::CopyFrom(TPersistent* source) {
  if (source != nullptr && source->ClassType() == ClassType()) return;
  TGraphic::CopyFrom(source);
}

void TEmptyGraphic::DrawInto(TCanvas&, const TRect&) {}
bool TEmptyGraphic::IsEmpty() { return true; }
std::int32_t TEmptyGraphic::Height() { return 0; }
std::int32_t TEmptyGraphic::Width() { return 0; }

void TEmptyGraphic::ReadPropertyData(TStream& stream) {
  // A picture holding an empty one streams it as no bytes at all.
  if (stream.Size() - stream.Position() == 0) return;
  LoadStream(stream);
}

void TEmptyGraphic::LoadStream(TStream&) { throw EInvalidGraphic(strings::UnknownFormat); }
void TEmptyGraphic::SaveStream(TStream&) {}
void TEmptyGraphic::LoadClipboardFormat(WORD, HANDLE, HPALETTE) {
  throw EInvalidGraphic(strings::UnknownClipboardFormat);
}
void TEmptyGraphic::SaveClipboardFormat(WORD&, HANDLE&, HPALETTE&) {
  throw EInvalidGraphic(strings::UnknownClipboardFormat);
}
