// TBitmap's BMP members: reading BMP data of every kind into a bitmap, and
// writing a bitmap back as a BMP file.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/Bitmap.h"
#include "graphics/BmpFormat.h"
#include "graphics/DeviceGuards.h"
#include "graphics/PixelFormat.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/MemoryStream.h"
#include "runtime/Stream.h"
#include "runtime/Strings.h"

using graphics::TMemoryContext;
using graphics::TOwnedBitmap;
using graphics::TOwnedPalette;
using graphics::TPaletteSelection;
using graphics::TScreenContext;
using graphics::TSelection;

namespace {

// The platform made no bitmap from the data: its own reason when it gives one.
[[noreturn]] void RaiseBitmapRefused() {
  const DWORD code = GetLastError();
  if (code == ERROR_SUCCESS) throw EInvalidGraphic(strings::InvalidBitmap);
  TFailureReason reason = PlatformFailureReason();
  constexpr DWORD kUserDefaultLanguage = 0x400;
  char text[256];
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                      kUserDefaultLanguage, text, sizeof text, nullptr);
  throw WithReason(EOSError(length != 0 ? std::string(text, length) : Format(strings::UnknownOSError, code), code),
                   std::move(reason));
}

// Run-length data becomes a device-dependent bitmap in the screen's format,
// decoded by the platform. The 1 × 1 bitmap makes the memory context a colour
// one, so the new bitmap takes the screen's depth rather than monochrome.
HBITMAP DecodeCompressed(HDC screen, bmp::DibDescription& description, const std::vector<std::uint8_t>& pixels,
                         HPALETTE palette) {
  // The decoder reads biSizeImage bytes: never more than were really read.
  description.Header().biSizeImage = static_cast<DWORD>(pixels.size());
  TMemoryContext dc(screen);
  TOwnedBitmap scratch(GraphicsCheck(CreateCompatibleBitmap(screen, 1, 1)));
  TSelection selected(dc.Get(), scratch.Get());
  TPaletteSelection realized(dc.Get(), palette, false);
  SetLastError(ERROR_SUCCESS);
  return CreateDIBitmap(dc.Get(), &description.Header(), CBM_INIT, pixels.data(), description.Info(),
                        DIB_RGB_COLORS);
}

void WriteSize(TStream& stream, std::int64_t size) {
  const auto prefix = static_cast<std::int32_t>(size);
  stream.WriteBuffer(&prefix, sizeof prefix);
}

}  // namespace

void TBitmap::LoadStream(TStream& stream) { ReadBitmapFile(stream, stream.Size() - stream.Position()); }

void TBitmap::SaveStream(TStream& stream) { WriteBitmapFile(stream, false); }

void TBitmap::ReadPropertyData(TStream& stream) {
  std::int32_t size = 0;
  if (stream.Read(&size, sizeof size) != sizeof size || size < 0) throw EInvalidGraphic(strings::InvalidBitmap);
  ReadBitmapFile(stream, size);
}

void TBitmap::WritePropertyData(TStream& stream) { WriteBitmapFile(stream, true); }

void TBitmap::ReadBitmapFile(TStream& stream, std::int64_t size) {
  ReleaseDeviceContext();
  if (size == 0) {
    ReplaceImage(nullptr, nullptr, nullptr, false, DIBSECTION{});
    return;
  }
  if (size < bmp::kFileHeaderSize) throw EReadError(strings::ReadError);
  const BITMAPFILEHEADER fileHeader = bmp::ReadFileHeader(stream);
  ReadBitmapInfo(stream, size - bmp::kFileHeaderSize, &fileHeader);
}

void TBitmap::ReadBitmapInfo(TStream& stream, std::int64_t size, const BITMAPFILEHEADER* fileHeader) {
  const std::int64_t dataBytes = size + (fileHeader != nullptr ? bmp::kFileHeaderSize : 0);
  bmp::InfoHeader header = bmp::ReadInfoHeader(stream, size);
  size -= header.storedSize;
  bmp::DibDescription& description = header.description;
  const BITMAPINFOHEADER& info = description.Header();

  // Compressed data is kept whole, so that saving it unchanged gives the same
  // bytes; everything after the header is then read from the copy.
  std::unique_ptr<TMemoryStream> keptFile;
  TStream* source = &stream;
  if (description.Compressed()) {
    keptFile = bmp::KeepFileCopy(stream, fileHeader, header, size);
    source = keptFile.get();
  }
  bmp::ReadColorInfo(*source, header, size);
  const bmp::PixelSpan span = bmp::LocatePixels(header, fileHeader, size);
  if (span.skip > 0) source->Seek(span.skip, TSeekOrigin::soCurrent);

  TScreenContext screen;
  TOwnedBitmap bitmap;
  TOwnedPalette palette;
  if (keptFile) {
    // The kept file holds every byte the span counts, so this buffer is never
    // larger than the data.
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(span.count));
    source->ReadBuffer(pixels.data(), span.count);
    bmp::JudgeDeclaredSize(header, span.count, pixels.data(), dataBytes);
    if (info.biClrUsed != 0) palette.Reset(PaletteFromColorTable(nullptr, description.ColorTable(), info.biClrUsed));
    bitmap.Reset(DecodeCompressed(screen.Get(), description, pixels, palette.Get()));
    if (bitmap.Get() == nullptr) RaiseBitmapRefused();
  } else {
    bmp::JudgeDeclaredSize(header, size - span.skip, nullptr, dataBytes);
    void* bits = nullptr;
    SetLastError(ERROR_SUCCESS);
    bitmap.Reset(CreateDIBSection(screen.Get(), description.Info(), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap.Get() == nullptr || bits == nullptr) RaiseBitmapRefused();
    DIBSECTION made{};
    GetObject(bitmap.Get(), sizeof made, &made);
    // biSizeImage of the file may promise more than the section holds.
    source->ReadBuffer(bits, std::min<std::int64_t>(span.count, made.dsBmih.biSizeImage));
  }
  if (info.biBitCount > 8 && info.biClrUsed != 0 && palette.Get() == nullptr)
    palette.Reset(PaletteFromColorTable(nullptr, description.ColorTable(), info.biClrUsed));

  DIBSECTION dib{};
  GetObject(bitmap.Get(), sizeof dib, &dib);
  dib.dsBmih.biXPelsPerMeter = info.biXPelsPerMeter;
  dib.dsBmih.biYPelsPerMeter = info.biYPelsPerMeter;
  dib.dsBmih.biClrUsed = info.biClrUsed;
  dib.dsBmih.biClrImportant = info.biClrImportant;

  ReplaceImage(bitmap.Get(), palette.Get(), std::move(keptFile), header.core, dib);
  bitmap.Release();
  palette.Release();
  SetPaletteDirty(ColorPalette() != nullptr);
  NotifyChanged(this);
}

void TBitmap::WriteBitmapFile(TStream& stream, bool withSizePrefix) {
  if (TMemoryStream* kept = Image().KeptFile.get()) {
    if (withSizePrefix) WriteSize(stream, kept->Size());
    stream.WriteBuffer(kept->Memory(), kept->Size());
    return;
  }
  EnsureSection();
  TBitmapImage& image = Image();
  if (image.SectionHandle == nullptr) {
    if (withSizePrefix) WriteSize(stream, 0);
    return;
  }

  RGBQUAD colors[bmp::kMaxColors] = {};
  UINT count = 0;
  {
    TBitmapCanvas& canvas = Canvas();
    canvas.EnsureState(HandleReady);
    TSelection selected(canvas.CurrentHandle(), image.SectionHandle);
    count = GetDIBColorTable(canvas.CurrentHandle(), 0, bmp::kMaxColors, colors);
  }
  BITMAPINFOHEADER& info = image.DIB.dsBmih;
  if (info.biClrUsed != 0 && info.biClrUsed < count) count = info.biClrUsed;
  if (!image.CoreFormat && count == 0 && image.ColorPalette != nullptr && !image.HalftonePalette)
    count = PaletteToColorTable(image.ColorPalette, colors, bmp::kMaxColors - 1);
  FillBitFields(image.DIB);
  if (count != 0) info.biClrUsed = count;

  // The description is ours, but its pixel count is checked against what the
  // section really holds before that many bytes are handed out.
  DIBSECTION section{};
  if (GetObject(image.SectionHandle, sizeof section, &section) < static_cast<int>(sizeof section) ||
      section.dsBm.bmBits == nullptr || info.biSizeImage > section.dsBmih.biSizeImage)
    throw EInvalidGraphic(strings::InvalidBitmap);

  // A core header holds no size above 65535 and no top-down rows: a picture
  // that has outgrown it is written with an info header rather than cut short.
  const bool core = image.CoreFormat && info.biWidth >= 0 && info.biWidth <= UINT16_MAX && info.biHeight >= 0 &&
                    info.biHeight <= UINT16_MAX;
  const std::vector<std::uint8_t> headers = bmp::BuildHeaders(info, image.DIB.dsBitfields, colors, count, core);
  if (withSizePrefix) WriteSize(stream, static_cast<std::int64_t>(headers.size()) + info.biSizeImage);
  stream.WriteBuffer(headers.data(), static_cast<std::int64_t>(headers.size()));
  GdiFlush();
  stream.WriteBuffer(section.dsBm.bmBits, info.biSizeImage);
}

void TBitmap::ParkAsFileData() {
  auto file = std::make_unique<TMemoryStream>();
  SaveStream(*file);
  file->TrimCapacity();
  // An empty bitmap parks as an empty image: a file of no bytes would count as
  // content.
  if (file->Size() == 0) file.reset();
  DIBSECTION description = Image().DIB;
  description.dsBm.bmBits = nullptr;
  const bool core = Image().CoreFormat;
  ReleaseDeviceContext();
  canvas_.reset();
  ReplaceImage(nullptr, nullptr, std::move(file), core, description);
}
