// Placeholder until BMP reading and writing land: every entry refuses.
#include "graphics/Bitmap.h"

#include "runtime/Exceptions.h"
#include "runtime/Strings.h"

namespace {
[[noreturn]] void NotYet() { throw EInvalidGraphicOperation(strings::UnknownFormat); }
}  // namespace

void TBitmap::ReadPropertyData(TStream&) { NotYet(); }
void TBitmap::WritePropertyData(TStream&) { NotYet(); }
void TBitmap::LoadStream(TStream&) { NotYet(); }
void TBitmap::SaveStream(TStream&) { NotYet(); }
void TBitmap::ReadBitmapFile(TStream&, std::int64_t) { NotYet(); }
void TBitmap::ReadBitmapInfo(TStream&, std::int64_t, const BITMAPFILEHEADER*) { NotYet(); }
void TBitmap::WriteBitmapFile(TStream&, bool) { NotYet(); }
void TBitmap::ParkAsFileData() { NotYet(); }
