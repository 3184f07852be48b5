#include "jpeg/JpegImage.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#include "graphics/Canvas.h"
#include "graphics/DeviceGuards.h"
#include "jpeg/CodecGlue.h"
#include "runtime/Exceptions.h"
#include "runtime/Strings.h"

TJpegSettings& DefaultJpegSettings() {
  static TJpegSettings settings;
  return settings;
}

TJPEGImage::TJPEGImage() {
  ResetData();
  const TJpegSettings& defaults = DefaultJpegSettings();
  smoothing_ = defaults.Smoothing;
  grayscale_ = defaults.Grayscale;
  decodeDepth_ = defaults.DecodeDepth;
  quality_ = defaults.Quality;
  showProgressively_ = defaults.ShowProgressively;
  encodeProgressive_ = defaults.EncodeProgressive;
  decodeSpeed_ = defaults.DecodeSpeed;
  scaleDown_ = defaults.ScaleDown;
  sizeStale_ = false;
}

TJPEGImage::~TJPEGImage() {
  DeleteHeldPalette();
  cachedBitmap_.reset();
  TSharedImage::DropUser(std::exchange(sharedData_, nullptr));
}

// ---- steps shared by loading, decoding and encoding ---------------------------

void TJPEGImage::ResetData() {
  TJPEGData* fresh = TJPEGData::Create();
  fresh->AddUser();
  TSharedImage::DropUser(std::exchange(sharedData_, fresh));
  sizeStale_ = true;
}

void TJPEGImage::ResetBitmap() { cachedBitmap_ = std::make_unique<TBitmap>(); }

void TJPEGImage::DropBitmap() noexcept { cachedBitmap_.reset(); }

void TJPEGImage::ReleaseDecoded() noexcept {
  if (SharedData().FileBytes != nullptr) DropBitmap();
}

void TJPEGImage::EnsureCompressed() {
  if (SharedData().FileBytes == nullptr) EncodeBitmap();
}

void TJPEGImage::DeleteHeldPalette() noexcept {
  if (heldPalette_ != nullptr) DeleteObject(std::exchange(heldPalette_, nullptr));
}

void TJPEGImage::SetQuality(std::uint8_t value) noexcept { quality_ = std::clamp<std::uint8_t>(value, 1, 100); }

void TJPEGImage::SetScaleDown(TJpegScale value) noexcept {
  if (value == scaleDown_) return;
  scaleDown_ = value;
  sizeStale_ = true;
}

void TJPEGImage::ComputeScaledSize() {
  if (!sizeStale_) return;
  if (SharedData().FileBytes == nullptr) {
    reducedWidth_ = reducedHeight_ = 0;
    sizeStale_ = false;
    return;
  }
  jpeg::CodecContext context;
  jpeg::CodecGuard guard(context);
  PrepareDecoder(context);
  context.common.progress = nullptr;
  jpeg_calc_output_dimensions(&context.d);
  reducedWidth_ = static_cast<std::int32_t>(context.d.output_width);
  reducedHeight_ = static_cast<std::int32_t>(context.d.output_height);
  encodeProgressive_ = jpeg_has_multiple_scans(&context.d) != FALSE;
  sizeStale_ = false;
}

// ---- the common loader -------------------------------------------------------------

void TJPEGImage::ReadJpegFile(std::int64_t size, TStream& stream) {
  // A damaged length must not size a buffer: refuse it before anything changes.
  if (size < 0) throw EReadError(strings::ReadError);
  ResetData();
  DropBitmap();
  TJPEGData& data = SharedData();
  data.FileBytes = std::make_unique<TMemoryStream>();
  // A length beyond what the stream holds cannot be read; refusing it here
  // keeps a damaged length from claiming gigabytes first.
  if (size > stream.Size() - stream.Position()) throw EReadError(strings::ReadError);
  data.FileBytes->SetSize(size);
  stream.ReadBuffer(data.FileBytes->Memory(), size);

  if (size > 0) {
    jpeg::CodecContext context;
    jpeg::CodecGuard guard(context);
    jpeg::CreateDecompress(context);
    data.FileBytes->SetPosition(0);
    jpeg::AttachSource(&context.d, *data.FileBytes);
    jpeg_read_header(&context.d, TRUE);
    jpeg::JudgeDeclaredSize(&context.d, size);
    data.width = static_cast<std::int32_t>(context.d.image_width);
    data.height = static_cast<std::int32_t>(context.d.image_height);
    data.Grayscale = context.d.jpeg_color_space == JCS_GRAYSCALE;
    encodeProgressive_ = jpeg_has_multiple_scans(&context.d) != FALSE;
  }
  SetPaletteDirty(true);
  NotifyChanged(this);
}

// ---- operations in slot order ----------------------------------------------------

void TJPEGImage::CopyTo(TPersistent* dest) {
  if (auto* bitmap = dynamic_cast<TBitmap*>(dest)) {
    bitmap->CopyFrom(DecodeBitmap());
    return;
  }
  TGraphic::CopyTo(dest);
}

void TJPEGImage::CopyFrom(TPersistent* source) {
  if (auto* other = dynamic_cast<TJPEGImage*>(source)) {
    if (other == this) return;
    std::unique_ptr<TBitmap> bitmap;
    if (other->cachedBitmap_ != nullptr) {
      bitmap = std::make_unique<TBitmap>();
      bitmap->CopyFrom(other->cachedBitmap_.get());
    }
    if (other->sharedData_ != sharedData_) {
      other->sharedData_->AddUser();
      TSharedImage::DropUser(std::exchange(sharedData_, other->sharedData_));
      sizeStale_ = true;
    }
    cachedBitmap_ = std::move(bitmap);
    return;
  }
  if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
    auto copy = std::make_unique<TBitmap>();
    copy->CopyFrom(bitmap);
    ResetData();
    cachedBitmap_ = std::move(copy);
    return;
  }
  TGraphic::CopyFrom(source);
}

void TJPEGImage::NotifyChanged(TObject* sender) { TGraphic::NotifyChanged(sender); }

void TJPEGImage::DrawInto(TCanvas& canvas, const TRect& rect) { canvas.DrawGraphicStretched(rect, DecodeBitmap()); }

bool TJPEGImage::SameContent(TGraphic& other) {
  auto* jpeg = dynamic_cast<TJPEGImage*>(&other);
  if (jpeg == nullptr) return false;
  if (SharedData().FileBytes != nullptr && jpeg->SharedData().FileBytes != nullptr)
    return TGraphic::SameContent(other);
  return sharedData_ == jpeg->sharedData_;
}

bool TJPEGImage::IsEmpty() {
  if (SharedData().FileBytes != nullptr) return false;
  return cachedBitmap_ == nullptr || cachedBitmap_->IsEmpty();
}

std::int32_t TJPEGImage::Height() {
  if (cachedBitmap_ != nullptr) return cachedBitmap_->Height();
  if (scaleDown_ == sdFull) return SharedData().height;
  ComputeScaledSize();
  return reducedHeight_;
}

HPALETTE TJPEGImage::ColorPalette() {
  if (cachedBitmap_ != nullptr) return cachedBitmap_->ColorPalette();
  if (heldPalette_ != nullptr) return heldPalette_;
  if (decodeDepth_ == jd8Bit) return nullptr;
  graphics::TScreenContext screen;
  if (screen.BitsPerPixel() <= 8) heldPalette_ = CreateHalftonePalette(screen.Get());
  return heldPalette_;
}

std::int32_t TJPEGImage::Width() {
  if (cachedBitmap_ != nullptr) return cachedBitmap_->Width();
  if (scaleDown_ == sdFull) return SharedData().width;
  ComputeScaledSize();
  return reducedWidth_;
}

void TJPEGImage::ReadPropertyData(TStream& stream) {
  std::uint8_t length[4];
  stream.ReadBuffer(length, sizeof length);
  const auto size = static_cast<std::int32_t>(std::uint32_t{length[0]} | std::uint32_t{length[1]} << 8 |
                                              std::uint32_t{length[2]} << 16 | std::uint32_t{length[3]} << 24);
  ReadJpegFile(size, stream);
}

void TJPEGImage::SetHeight(std::int32_t) { throw EInvalidGraphicOperation(strings::ChangeJPGSize); }

void TJPEGImage::SetColorPalette(HPALETTE palette) {
  if (palette == heldPalette_) return;
  const bool dropped = cachedBitmap_ != nullptr && cachedBitmap_->ColorPalette() != palette;
  if (dropped) DropBitmap();
  DeleteHeldPalette();
  heldPalette_ = palette;
  if (dropped) {
    SetPaletteDirty(true);
    NotifyChanged(this);
  }
}

void TJPEGImage::SetWidth(std::int32_t) { throw EInvalidGraphicOperation(strings::ChangeJPGSize); }

void TJPEGImage::WritePropertyData(TStream& stream) {
  TMemoryStream* bytes = SharedData().FileBytes.get();
  const std::int64_t size = bytes != nullptr ? bytes->Size() : 0;
  // The length field has 31 bits; a larger file cannot be stored in a form.
  if (size > std::numeric_limits<std::int32_t>::max()) throw EWriteError(strings::WriteError);
  const auto length = static_cast<std::uint32_t>(size);
  const std::uint8_t field[4] = {static_cast<std::uint8_t>(length), static_cast<std::uint8_t>(length >> 8),
                                 static_cast<std::uint8_t>(length >> 16), static_cast<std::uint8_t>(length >> 24)};
  stream.WriteBuffer(field, sizeof field);
  if (size > 0) stream.WriteBuffer(bytes->Memory(), size);
}

std::unique_ptr<TGraphic> TJPEGImage::CreateEmpty() const { return std::make_unique<TJPEGImage>(); }

void TJPEGImage::LoadStream(TStream& stream) { ReadJpegFile(stream.Size() - stream.Position(), stream); }

void TJPEGImage::SaveStream(TStream& stream) {
  EnsureCompressed();
  TMemoryStream* bytes = SharedData().FileBytes.get();
  // A full disk must not pass for a saved picture: WriteBuffer raises the
  // stream's write error when fewer bytes were taken.
  if (bytes != nullptr && bytes->Size() > 0) stream.WriteBuffer(bytes->Memory(), bytes->Size());
}

void TJPEGImage::LoadClipboardFormat(WORD format, HANDLE data, HPALETTE palette) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->LoadClipboardFormat(format, data, palette);
  // The old file bytes no longer describe the picture; saving compresses the
  // new pixels.
  ResetData();
  cachedBitmap_ = std::move(bitmap);
}

void TJPEGImage::SaveClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) {
  DecodeBitmap()->SaveClipboardFormat(format, data, palette);
}
