#include "graphics/Bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <utility>

#include "graphics/Color.h"
#include "graphics/DeviceGuards.h"
#include "platform/BitmapLayout.h"
#include "runtime/Exceptions.h"
#include "runtime/Strings.h"

using graphics::TMemoryContext;
using graphics::TOwnedBitmap;
using graphics::TOwnedPalette;
using graphics::TPaletteSelection;
using graphics::TScreenContext;
using graphics::TSelection;

namespace {
std::unique_ptr<TThreadList<TBitmapCanvas>> openBitmapCanvases;
std::unique_ptr<TCriticalSection> imageLock;

// Installed as the brush's pattern hook: a pattern brush paints with a
// device-dependent bitmap.
HBITMAP PatternBitmapHandle(TBitmap& pattern) {
  pattern.SetHandleKind(hkDDB);
  return pattern.BitmapHandle();
}

// The canvas lock held for a scope.
class [[nodiscard]] TCanvasLock {
 public:
  explicit TCanvasLock(TCanvas& canvas) : canvas_(canvas) { canvas_.Acquire(); }
  ~TCanvasLock() { canvas_.Release(); }
  TCanvasLock(const TCanvasLock&) = delete;
  TCanvasLock& operator=(const TCanvasLock&) = delete;

 private:
  TCanvas& canvas_;
};

WORD PaletteSize(HPALETTE palette) {
  WORD count = 0;
  if (palette == nullptr || GetObject(palette, sizeof count, &count) == 0) return 0;
  return count;
}

HPALETTE BlackAndWhitePalette() {
  const RGBQUAD table[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
  return PaletteFromColorTable(nullptr, table, 2);
}

// Extents of far-apart coordinates do not fit 32 bits; the platform clips.
int ClampToInt(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

void DeleteUnlessShared(HPALETTE palette) {
  if (palette != nullptr && palette != SystemPalette16()) DeleteObject(palette);
}

// Row `row` (0 = top, within the height) of a section's pixel memory, whichever
// way the section stores its rows; null when it has no pixels.
std::uint8_t* RowOf(const DIBSECTION& d, std::int32_t row) {
  const std::size_t stride = platform::DibStride(d.dsBmih.biWidth, d.dsBmih.biBitCount);
  if (d.dsBm.bmBits == nullptr || stride == 0) return nullptr;
  const std::int64_t stored = d.dsBmih.biHeight > 0 ? std::int64_t{d.dsBmih.biHeight} - row - 1 : row;
  return static_cast<std::uint8_t*>(d.dsBm.bmBits) + stored * static_cast<std::int64_t>(stride);
}
}  // namespace

TThreadList<TBitmapCanvas>& OpenBitmapCanvases() { return *openBitmapCanvases; }
TCriticalSection& ImageLock() { return *imageLock; }

void DeselectFromCanvases(HBITMAP handle) {
  if (handle == nullptr || !openBitmapCanvases) return;
  auto locked = openBitmapCanvases->LockList();
  // By index from the end: releasing a canvas unlists it.
  for (std::size_t i = locked.Count(); i-- > 0;) {
    if (i >= locked.Count()) continue;
    TBitmapCanvas* canvas = locked.Items()[i];
    if (canvas->Bitmap().Image().BitmapHandle == handle) canvas->ReleaseDeviceContext();
  }
}

void FreeAllCanvasContexts() {
  if (!openBitmapCanvases) return;
  auto locked = openBitmapCanvases->LockList();
  for (std::size_t i = locked.Count(); i-- > 0;) {
    if (i >= locked.Count()) continue;
    TBitmapCanvas* canvas = locked.Items()[i];
    // A canvas busy drawing keeps its context.
    if (!canvas->TryAcquire()) continue;
    struct TTaken {
      TCanvas& canvas;
      ~TTaken() { canvas.Release(); }
    } taken{*canvas};
    canvas->ReleaseDeviceContext();
  }
}

namespace graphics::detail {
void CreateBitmapGlobals() {
  imageLock = std::make_unique<TCriticalSection>();
  openBitmapCanvases = std::make_unique<TThreadList<TBitmapCanvas>>();
  CreateSystemPalette16();
  SetBrushPatternHook(&PatternBitmapHandle);
}

void DestroyBitmapGlobals() {
  SetBrushPatternHook(nullptr);
  FreeAllCanvasContexts();
  openBitmapCanvases.reset();
  DestroySystemPalette16();
  imageLock.reset();
}
}  // namespace graphics::detail

// ---------------------------------------------------------------------------
// Shared image data
// ---------------------------------------------------------------------------

void TSharedImage::DropUser(TSharedImage* image) noexcept {
  if (image == nullptr) return;
  if (image->userCount_-- == 1) {
    image->FreeHandles();
    std::unique_ptr<TSharedImage> last(image);
  }
}

TBitmapImage* TBitmapImage::Create() { return new TBitmapImage(); }

TBitmapImage::~TBitmapImage() {
  if (SectionHandle != nullptr) {
    DeselectFromCanvases(SectionHandle);
    DeleteObject(SectionHandle);
    if (BitmapHandle == SectionHandle) BitmapHandle = nullptr;
    SectionHandle = nullptr;
  }
  FreeHandles();
}

void TBitmapImage::FreeHandles() noexcept {
  if (BitmapHandle != nullptr && BitmapHandle != SectionHandle) {
    DeselectFromCanvases(BitmapHandle);
    DeleteObject(BitmapHandle);
  }
  if (MaskBitmap != nullptr) {
    DeselectFromCanvases(MaskBitmap);
    DeleteObject(MaskBitmap);
    MaskBitmap = nullptr;
  }
  DeleteUnlessShared(ColorPalette);
  BitmapHandle = nullptr;
  ColorPalette = nullptr;
}

// ---------------------------------------------------------------------------
// The bitmap canvas
// ---------------------------------------------------------------------------

TBitmapCanvas::TBitmapCanvas(TBitmap& bitmap) : bitmap_(bitmap) {}

TBitmapCanvas::~TBitmapCanvas() { ReleaseDeviceContext(); }

void TBitmapCanvas::CreateDeviceContext() {
  TCanvasLock held(*this);
  bitmap_.EnsureHandle();
  DeselectFromCanvases(bitmap_.Image().BitmapHandle);
  bitmap_.EnsurePalette();
  const TBitmapImage& image = bitmap_.Image();
  TMemoryContext dc;
  HGDIOBJ oldBitmap = nullptr;
  if (image.BitmapHandle != nullptr) oldBitmap = GraphicsCheck(SelectObject(dc.Get(), image.BitmapHandle));
  HPALETTE oldPalette = nullptr;
  if (image.ColorPalette != nullptr) {
    oldPalette = SelectPalette(dc.Get(), image.ColorPalette, TRUE);
    RealizePalette(dc.Get());
  }
  OpenBitmapCanvases().Add(this);
  // From here on nothing can fail: the context becomes the canvas's.
  oldBitmap_ = oldBitmap;
  oldPalette_ = oldPalette;
  SetDeviceContext(dc.Release());
}

void TBitmapCanvas::ReleaseDeviceContext() {
  HDC dc = CurrentHandle();
  if (dc == nullptr) return;
  TCanvasLock held(*this);
  SetDeviceContext(nullptr);
  if (oldBitmap_ != nullptr) SelectObject(dc, oldBitmap_);
  if (oldPalette_ != nullptr) SelectPalette(dc, oldPalette_, TRUE);
  oldBitmap_ = nullptr;
  oldPalette_ = nullptr;
  DeleteDC(dc);
  if (openBitmapCanvases) openBitmapCanvases->Remove(this);
}

// ---------------------------------------------------------------------------
// The bitmap
// ---------------------------------------------------------------------------

TBitmap::TBitmap() : image_(TBitmapImage::Create()) { image_->AddUser(); }

TBitmap::~TBitmap() {
  ReleaseDeviceContext();
  TSharedImage::DropUser(std::exchange(image_, nullptr));
  canvas_.reset();
}

void TBitmap::CopyFrom(TPersistent* source) {
  auto* bitmap = dynamic_cast<TBitmap*>(source);
  if (source != nullptr && bitmap == nullptr) {
    TGraphic::CopyFrom(source);
    return;
  }
  if (bitmap == this) return;
  // The canvas's context holds the old image's pixels; drawing through it
  // must not reach an image this bitmap no longer owns.
  ReleaseDeviceContext();
  if (bitmap != nullptr) {
    {
      TCriticalSectionGuard lock(ImageLock());
      bitmap->image_->AddUser();
      TSharedImage::DropUser(image_);
      image_ = bitmap->image_;
      keyColor_ = bitmap->keyColor_;
      keyColorFixed_ = bitmap->keyColorFixed_;
      maskCurrent_ = false;
      ignorePalette_ = false;
    }
    // The flag's own change event would make two of one copy.
    TNotifyEvent onChange = std::exchange(OnChange, nullptr);
    SetTransparent(bitmap->Transparent());
    OnChange = std::move(onChange);
  } else {
    ReplaceImage(nullptr, nullptr, nullptr, false, DIBSECTION{});
  }
  SetPaletteDirty(ColorPalette() != nullptr);
  NotifyChanged(this);
}

void TBitmap::NotifyChanged(TObject* sender) {
  maskValid_ = false;
  TGraphic::NotifyChanged(sender);
}

void TBitmap::DrawInto(TCanvas& canvas, const TRect& rect) {
  canvas.EnsureState(kAllCanvasState);
  EnsurePalette();
  HDC dc = canvas.CurrentHandle();
  TPaletteSelection palette(dc, Image().ColorPalette, true);

  const int targetDepth = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
  const DIBSECTION& d = Image().DIB;
  if (targetDepth <= 8 && targetDepth < d.dsBm.bmBitsPixel * d.dsBm.bmPlanes) {
    // HALFTONE moves the brush origin; the target's origin must stay.
    POINT origin{};
    GetBrushOrgEx(dc, &origin);
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
  } else if (!IsMonochrome()) {
    SetStretchBltMode(dc, STRETCH_DELETESCANS);
  }

  if (Transparent()) EnsureMask();
  TBitmapCanvas& own = Canvas();
  own.EnsureState(kAllCanvasState);
  const DIBSECTION& drawn = Image().DIB;
  const int width = ClampToInt(rect.Width());
  const int height = ClampToInt(rect.Height());
  if (Transparent()) {
    if (Image().MaskBitmap == nullptr) return;  // no pixels, nothing to show
    TMemoryContext maskDc;
    TSelection mask(maskDc.Get(), Image().MaskBitmap);
    MaskedStretch(dc, rect.Left, rect.Top, width, height, own.CurrentHandle(), 0, 0, drawn.dsBm.bmWidth,
                  drawn.dsBm.bmHeight, maskDc.Get(), 0, 0);
  } else {
    StretchBlt(dc, rect.Left, rect.Top, width, height, own.CurrentHandle(), 0, 0, drawn.dsBm.bmWidth,
               drawn.dsBm.bmHeight, canvas.CopyMode);
  }
}

bool TBitmap::IsEmpty() {
  const TBitmapImage& image = Image();
  return image.BitmapHandle == nullptr && image.SectionHandle == nullptr && image.KeptFile == nullptr;
}

std::int32_t TBitmap::Height() { return std::abs(Image().DIB.dsBm.bmHeight); }

HPALETTE TBitmap::ColorPalette() {
  EnsurePalette();
  return Image().ColorPalette;
}

std::int32_t TBitmap::Width() { return Image().DIB.dsBm.bmWidth; }

void TBitmap::SetHeight(std::int32_t value) {
  if (value == Image().DIB.dsBm.bmHeight) return;
  Resize(Width(), value);
}

void TBitmap::SetWidth(std::int32_t value) {
  if (value == Image().DIB.dsBm.bmWidth) return;
  Resize(value, Image().DIB.dsBm.bmHeight);
}

void TBitmap::Resize(std::int32_t width, std::int32_t height) {
  // A negative height would ask the platform for a top-down section of that
  // many rows, and a negative width for nothing sensible: neither is a size.
  if (width < 0 || height < 0) throw EInvalidGraphicOperation(graphics::NegativeBitmapSize);
  EnsureHandle();
  DIBSECTION d = Image().DIB;
  d.dsBm.bmWidth = d.dsBmih.biWidth = width;
  if (d.dsBm.bmHeight != height) d.dsBm.bmHeight = d.dsBmih.biHeight = height;
  RebuildImage(*this, Image().BitmapHandle, Image().ColorPalette, d);
  NotifyChanged(this);
}

void TBitmap::SetColorPalette(HPALETTE value) {
  if (value == Image().ColorPalette) return;
  if (value != nullptr || Image().UserCount() > 1) {
    ReleaseDeviceContext();
    EnsureHandle();
    DIBSECTION d = Image().DIB;
    TOwnedBitmap made(ConvertBitmap(Image().BitmapHandle, Image().ColorPalette, value, nullptr, d));
    ReplaceImage(made.Get(), value, nullptr, Image().CoreFormat, d);
    made.Release();
  } else {
    // A palette selected in the canvas's context cannot be deleted.
    ReleaseDeviceContext();
    DeleteUnlessShared(Image().ColorPalette);
    Image().ColorPalette = nullptr;
  }
  RefreshColorTable(Image().SectionHandle, value, Image().DIB);
  SetPaletteDirty(true);
  NotifyChanged(this);
}

std::unique_ptr<TGraphic> TBitmap::CreateEmpty() const { return std::make_unique<TBitmap>(); }

void TBitmap::LoadClipboardFormat(WORD format, HANDLE data, HPALETTE palette) {
  if (format != kClipboardBitmapFormat || data == nullptr) throw EInvalidGraphic(strings::UnknownClipboardFormat);
  ReleaseDeviceContext();
  DIBSECTION d{};
  if (GetObject(data, sizeof d, &d) < static_cast<int>(sizeof(BITMAP))) throw EInvalidGraphic(strings::InvalidBitmap);
  if (d.dsBm.bmBits == nullptr) d.dsBmih.biSize = 0;
  RebuildImage(*this, static_cast<HBITMAP>(data), palette, d);
  Image().CoreFormat = false;
  SetPaletteDirty(ColorPalette() != nullptr);
  NotifyChanged(this);
}

void TBitmap::SaveClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) {
  format = kClipboardBitmapFormat;
  EnsureHandle();
  DIBSECTION d = Image().DIB;
  d.dsBmih.biSize = 0;
  d.dsBm.bmBits = nullptr;
  TOwnedBitmap copy(ConvertBitmap(Image().BitmapHandle, Image().ColorPalette, Image().ColorPalette, &Canvas(), d));
  palette = DuplicatePalette(Image().ColorPalette);
  data = copy.Release();
}

HBITMAP TBitmap::BitmapHandle() {
  ReleaseDeviceContext();
  EnsureHandle();
  PrepareToModify();
  return Image().BitmapHandle;
}

HBITMAP TBitmap::MaskBitmap() {
  EnsureMask();
  return Image().MaskBitmap;
}

void TBitmap::SetHandleKind(THandleKind value) {
  if (value == HandleKind()) return;
  TBitmapImage& image = Image();
  if (image.BitmapHandle == nullptr && image.SectionHandle == nullptr) {
    image.DIB.dsBmih.biSize = value == hkDDB ? 0 : sizeof(BITMAPINFOHEADER);
  } else if (value == hkDDB) {
    ReleaseDeviceContext();
    EnsurePalette();
    DIBSECTION d = Image().DIB;
    d.dsBmih.biSize = 0;
    const bool shared = Image().UserCount() > 1;
    TOwnedPalette duplicate(shared ? DuplicatePalette(Image().ColorPalette) : nullptr);
    HPALETTE palette = shared ? duplicate.Get() : Image().ColorPalette;
    TOwnedBitmap made(ConvertBitmap(Image().SectionHandle, palette, palette, nullptr, d));
    if (shared) {
      ReplaceImage(made.Get(), palette, nullptr, Image().CoreFormat, d);
      duplicate.Release();
    } else {
      Image().BitmapHandle = made.Get();
    }
    made.Release();
  } else {
    ReleaseDeviceContext();
    EnsurePalette();
    EnsureSection();
    TBitmapImage& current = Image();
    if (current.UserCount() > 1) {
      RebuildImage(*this, current.SectionHandle, current.ColorPalette, current.DIB);
    } else {
      // The section and palette move to a new image; the old one goes with its
      // device-dependent bitmap.
      HBITMAP section = std::exchange(current.SectionHandle, nullptr);
      HPALETTE palette = std::exchange(current.ColorPalette, nullptr);
      try {
        ReplaceImage(section, palette, nullptr, current.CoreFormat, current.DIB);
      } catch (...) {
        current.SectionHandle = section;
        current.ColorPalette = palette;
        throw;
      }
    }
  }
  NotifyChanged(this);
}

void TBitmap::SetBitmapHandle(HBITMAP handle) {
  if (handle == Image().BitmapHandle) return;
  ReleaseDeviceContext();
  DIBSECTION d{};
  if (handle != nullptr && GetObject(handle, sizeof d, &d) < static_cast<int>(sizeof(BITMAP)))
    throw EInvalidGraphic(strings::InvalidBitmap);
  TBitmapImage& image = Image();
  const bool shared = image.UserCount() > 1;
  HPALETTE palette = nullptr;
  if (!shared) {
    palette = std::exchange(image.ColorPalette, nullptr);
  } else {
    palette = image.ColorPalette == SystemPalette16() ? image.ColorPalette : DuplicatePalette(image.ColorPalette);
  }
  try {
    ReplaceImage(handle, palette, nullptr, false, d);
  } catch (...) {
    if (shared) {
      DeleteUnlessShared(palette);
    } else {
      image.ColorPalette = palette;
    }
    throw;
  }
  NotifyChanged(this);
}

HBITMAP TBitmap::DetachHandle() {
  // A handle selected in the canvas's context could not be used elsewhere.
  ReleaseDeviceContext();
  EnsureHandle();
  PrepareToModify();
  TBitmapImage& image = Image();
  HBITMAP handle = image.BitmapHandle;
  if (handle == image.SectionHandle) {
    image.SectionHandle = nullptr;
    image.DIB.dsBm.bmBits = nullptr;
  }
  image.BitmapHandle = nullptr;
  return handle;
}

THandleKind TBitmap::HandleKind() {
  const TBitmapImage& image = Image();
  if ((image.BitmapHandle != nullptr && image.BitmapHandle != image.SectionHandle) ||
      (image.SectionHandle == nullptr && image.DIB.dsBmih.biSize == 0))
    return hkDDB;
  return hkDIB;
}

TBitDepth TBitmap::BitDepth() {
  if (HandleKind() == hkDDB) return bdDevice;
  const DIBSECTION& d = Image().DIB;
  switch (d.dsBmih.biBitCount) {
    case 1: return bd1Bit;
    case 4: return bd4Bit;
    case 8: return bd8Bit;
    case 16:
      if (d.dsBmih.biCompression == BI_RGB) return bd15Bit;
      if (d.dsBmih.biCompression == BI_BITFIELDS && d.dsBitfields[1] == 0x07E0) return bd16Bit;
      return bdCustom;
    case 24: return bd24Bit;
    case 32: return d.dsBmih.biCompression == BI_RGB ? bd32Bit : bdCustom;
    default: return bdCustom;
  }
}

void TBitmap::SetBitDepth(TBitDepth value) {
  static constexpr WORD kBits[] = {0, 1, 4, 8, 16, 16, 24, 32};
  if (value == BitDepth()) return;
  if (value == bdDevice) {
    SetHandleKind(hkDDB);
    return;
  }
  if (value >= bdCustom) throw EInvalidGraphic(strings::UnknownFormat);

  DIBSECTION d{};
  d.dsBm = Image().DIB.dsBm;
  d.dsBm.bmBits = nullptr;
  d.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
  d.dsBmih.biWidth = d.dsBm.bmWidth;
  d.dsBmih.biHeight = d.dsBm.bmHeight;
  d.dsBmih.biPlanes = 1;
  d.dsBmih.biBitCount = kBits[value];

  HPALETTE palette = Image().ColorPalette;
  TOwnedPalette madeHere;
  if (value == bd1Bit && PaletteSize(palette) > 2) {
    // The first two colours of a larger palette are no choice for two-colour
    // pixels (black and maroon for a 16-colour picture): use black and white.
    madeHere.Reset(BlackAndWhitePalette());
    palette = madeHere.Get();
  } else if (value == bd4Bit) {
    palette = SystemPalette16();
  } else if (value == bd8Bit) {
    TScreenContext screen;
    madeHere.Reset(GraphicsCheck(CreateHalftonePalette(screen.Get())));
    palette = madeHere.Get();
  } else if (value == bd16Bit) {
    d.dsBmih.biCompression = BI_BITFIELDS;
    d.dsBitfields[0] = 0xF800;
    d.dsBitfields[1] = 0x07E0;
    d.dsBitfields[2] = 0x001F;
  }
  HBITMAP handle = BitmapHandle();
  RebuildImage(*this, handle, palette, d);
  SetPaletteDirty(palette != nullptr);
  NotifyChanged(this);
}

bool TBitmap::IsMonochrome() {
  const BITMAP& bm = Image().DIB.dsBm;
  return bm.bmPlanes == 1 && bm.bmBitsPixel == 1;
}

void TBitmap::SetMonochrome(bool value) {
  const BITMAPINFOHEADER& h = Image().DIB.dsBmih;
  if (value == (h.biPlanes == 1 && h.biBitCount == 1)) return;
  EnsureHandle();
  DIBSECTION d = Image().DIB;
  const WORD bits = value ? 1 : 0;
  d.dsBmih.biSize = 0;
  d.dsBm.bmPlanes = d.dsBm.bmBitsPixel = d.dsBmih.biPlanes = d.dsBmih.biBitCount = bits;
  RebuildImage(*this, Image().BitmapHandle, Image().ColorPalette, d);
  NotifyChanged(this);
}

TBitmapCanvas& TBitmap::Canvas() {
  if (canvas_ == nullptr) {
    EnsureHandle();
    if (canvas_ == nullptr) {
      canvas_ = std::make_unique<TBitmapCanvas>(*this);
      canvas_->OnChange = [this](TObject* sender) { NotifyChanged(sender); };
      canvas_->OnBeforeChange = [this](TObject*) { PrepareToModify(); };
    }
  }
  return *canvas_;
}

TColor TBitmap::KeyColor() {
  constexpr TColor kKeyFlag = 0x02000000;
  if (keyColor_ != clDefault) return static_cast<TColor>(ResolveColor(keyColor_)) | kKeyFlag;
  if (IsMonochrome()) return 0x02FFFFFF;
  return Canvas().PixelColor(0, Height() - 1) | kKeyFlag;
}

void TBitmap::SetKeyColor(TColor value) {
  if (value == keyColor_) return;
  keyColorFixed_ = value != clDefault;
  keyColor_ = value;
  if (Image().UserCount() > 1) {
    EnsureHandle();
    RebuildImage(*this, Image().BitmapHandle, Image().ColorPalette, Image().DIB);
  }
  NotifyChanged(this);
}

const std::uint8_t* TBitmap::ScanLineForReading(std::int32_t row) const {
  // Only a section that is the bitmap itself holds its current pixels.
  const DIBSECTION& d = Image().DIB;
  if (Image().SectionHandle != Image().BitmapHandle || row < 0 || row >= d.dsBm.bmHeight) return nullptr;
  return RowOf(d, row);
}

std::uint8_t* TBitmap::ScanLineAddress(std::int32_t row) {
  PrepareToModify();
  if (row >= 0 && row < Image().DIB.dsBm.bmHeight) {
    EnsureSection();
    GdiFlush();
    // A bitmap without pixels (its handle detached) has no row to give.
    if (std::uint8_t* line = RowOf(Image().DIB, row)) return line;
  }
  throw EInvalidGraphicOperation(strings::ScanLine);
}

void TBitmap::ReleaseDeviceContext() {
  if (canvas_ != nullptr) canvas_->ReleaseDeviceContext();
}

void TBitmap::PrepareToModify() {
  // A parked image lives only in its kept file: bring the pixels back before
  // the file goes.
  EnsureHandle();
  MakeUnique();
  TBitmapImage& image = Image();
  image.DIB.dsBmih.biClrUsed = 0;
  image.DIB.dsBmih.biClrImportant = 0;
  image.KeptFile.reset();
}

void TBitmap::MakeUnique() {
  TBitmapImage& image = Image();
  if (image.UserCount() < 2) {
    if (image.BitmapHandle != nullptr && image.SectionHandle != nullptr && image.BitmapHandle != image.SectionHandle) {
      // The section copy would go stale as soon as the bitmap changes.
      DeselectFromCanvases(image.SectionHandle);
      if (!DeleteObject(image.SectionHandle)) RaiseGraphicsError();
      image.SectionHandle = nullptr;
      image.DIB.dsBm.bmBits = nullptr;
    }
    return;
  }
  EnsureHandle();
  const TBitmapImage& shared = Image();
  RebuildImage(*this, shared.BitmapHandle, shared.HalftonePalette ? nullptr : shared.ColorPalette, shared.DIB);
}

void TBitmap::ReplaceImage(HBITMAP handle, HPALETTE palette, std::unique_ptr<TMemoryStream> keptFile,
                           bool coreFormat, const DIBSECTION& description) {
  TBitmapImage* image = TBitmapImage::Create();
  image->BitmapHandle = handle;
  image->ColorPalette = palette;
  image->DIB = description;
  image->CoreFormat = coreFormat;
  if (description.dsBm.bmBits != nullptr) image->SectionHandle = handle;
  image->KeptFile = std::move(keptFile);
  // The old image may go with this call; its bitmap must not stay selected.
  ReleaseDeviceContext();
  {
    TCriticalSectionGuard lock(ImageLock());
    TSharedImage::DropUser(image_);
    image_ = image;
    image_->AddUser();
  }
  maskCurrent_ = false;
  ignorePalette_ = false;
}

void TBitmap::EnsureHandle() {
  TBitmapImage& image = Image();
  if (image.BitmapHandle == nullptr && image.SectionHandle == nullptr && image.KeptFile != nullptr) {
    image.KeptFile->SetPosition(0);
    // Rebuilding the pixels is no change of the picture.
    TNotifyEvent onChange = std::exchange(OnChange, nullptr);
    try {
      LoadStream(*image.KeptFile);
    } catch (...) {
      OnChange = std::move(onChange);
      throw;
    }
    OnChange = std::move(onChange);
  }
  TBitmapImage& current = Image();
  if (current.BitmapHandle == nullptr) current.BitmapHandle = current.SectionHandle;
}

void TBitmap::EnsureSection() {
  TBitmapImage& image = Image();
  if (image.BitmapHandle == nullptr || image.SectionHandle != nullptr) return;
  EnsurePalette();
  DIBSECTION d = image.DIB;
  if (d.dsBmih.biSize == 0) {
    GetObject(image.BitmapHandle, sizeof d, &d);
    d.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
    d.dsBmih.biWidth = d.dsBm.bmWidth;
    d.dsBmih.biHeight = d.dsBm.bmHeight;
    d.dsBmih.biPlanes = 1;
    d.dsBmih.biBitCount = static_cast<WORD>(d.dsBm.bmPlanes * d.dsBm.bmBitsPixel);
  }
  image.SectionHandle = ConvertBitmap(image.BitmapHandle, image.ColorPalette, image.ColorPalette, nullptr, d);
  image.DIB = d;
}

void TBitmap::EnsurePalette() {
  TBitmapImage& image = Image();
  if (ignorePalette_ || image.ColorPalette != nullptr || image.SectionHandle == nullptr) return;
  if (image.SectionHandle == image.BitmapHandle) DeselectFromCanvases(image.SectionHandle);
  image.ColorPalette = PaletteFromColorTable(image.SectionHandle, nullptr, 0);
  if (image.ColorPalette == nullptr) {
    TScreenContext screen;
    image.HalftonePalette = image.HalftonePalette ||
                            screen.BitsPerPixel() < image.DIB.dsBm.bmBitsPixel * image.DIB.dsBm.bmPlanes;
    if (image.HalftonePalette) image.ColorPalette = CreateHalftonePalette(screen.Get());
  }
  if (image.ColorPalette == nullptr) ignorePalette_ = true;
}

void TBitmap::EnsureMask() {
  if (maskCurrent_ && maskValid_) return;
  if (Image().MaskBitmap != nullptr) {
    DeselectFromCanvases(Image().MaskBitmap);
    DeleteObject(Image().MaskBitmap);
    Image().MaskBitmap = nullptr;
  }
  // The key colour may be read from the canvas, whose context must be handed
  // back before the bitmap is selected elsewhere.
  const bool none = keyColor_ == clNone;
  const COLORREF key = static_cast<COLORREF>(KeyColor()) & 0x00FFFFFF;
  ReleaseDeviceContext();
  EnsureHandle();
  TBitmapImage& image = Image();
  const int width = image.DIB.dsBm.bmWidth;
  const int height = std::abs(image.DIB.dsBm.bmHeight);
  if (image.BitmapHandle != nullptr && width > 0 && height > 0) {
    TOwnedBitmap mask(GraphicsCheck(CreateBitmap(width, height, 1, 1, nullptr)));
    TOwnedBitmap deviceCopy;
    HBITMAP source = image.BitmapHandle;
    if (image.BitmapHandle == image.SectionHandle) {
      DIBSECTION d = image.DIB;
      d.dsBmih.biSize = 0;
      d.dsBm.bmHeight = height;
      deviceCopy.Reset(ConvertBitmap(source, image.ColorPalette, image.ColorPalette, nullptr, d));
      source = deviceCopy.Get();
    }
    TMemoryContext sourceDc;
    TMemoryContext maskDc;
    TSelection sourceSelected(sourceDc.Get(), source);
    TSelection maskSelected(maskDc.Get(), mask.Get());
    TPaletteSelection sourcePalette(sourceDc.Get(), image.ColorPalette, false);
    TPaletteSelection maskPalette(maskDc.Get(), image.ColorPalette, false);
    if (none) {
      PatBlt(maskDc.Get(), 0, 0, width, height, BLACKNESS);
    } else {
      SetBkColor(sourceDc.Get(), key);
      BitBlt(maskDc.Get(), 0, 0, width, height, sourceDc.Get(), 0, 0, SRCCOPY);
    }
    image.MaskBitmap = mask.Get();
    // The selections end before the mask is handed over.
    mask.Release();
  }
  maskCurrent_ = true;
  maskValid_ = true;
}
