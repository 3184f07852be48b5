#include "graphics/Metafile.h"

#include "runtime/Exceptions.h"
#include "runtime/Stream.h"
#include "runtime/Strings.h"

void TMetafile::CopyFrom(TPersistent* source) {
  if (dynamic_cast<TMetafile*>(source) != nullptr) return;
  TGraphic::CopyFrom(source);
}

void TMetafile::DrawInto(TCanvas&, const TRect&) {}
bool TMetafile::IsEmpty() { return true; }
std::int32_t TMetafile::Height() { return 0; }
std::int32_t TMetafile::Width() { return 0; }

void TMetafile::ReadPropertyData(TStream& stream) {
  // A picture holding an empty one streams it as no bytes at all.
  if (stream.Size() - stream.Position() == 0) return;
  LoadStream(stream);
}

void TMetafile::LoadStream(TStream&) { throw EInvalidGraphic(strings::UnknownFormat); }
void TMetafile::SaveStream(TStream&) {}
void TMetafile::LoadClipboardFormat(WORD, HANDLE, HPALETTE) { throw EInvalidGraphic(strings::UnknownClipboardFormat); }
void TMetafile::SaveClipboardFormat(WORD&, HANDLE&, HPALETTE&) {
  throw EInvalidGraphic(strings::UnknownClipboardFormat);
}
