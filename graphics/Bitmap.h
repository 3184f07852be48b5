// TBitmap: the raster graphic. Its pixels live in a platform bitmap held by a
// reference-counted TBitmapImage, so copying a bitmap shares the image and the
// pixels are copied only when one of the sharers is about to change them.
// TBitmapCanvas draws into it through a memory device context.
#pragma once

#include <cstdint>
#include <memory>

#include "graphics/Canvas.h"
#include "graphics/Graphic.h"
#include "graphics/PixelFormat.h"
#include "graphics/Types.h"
#include "platform/Windows.h"
#include "runtime/CriticalSection.h"
#include "runtime/MemoryStream.h"
#include "runtime/ThreadList.h"

class TBitmap;
class TStream;

enum THandleKind : std::uint8_t { hkDIB = 0, hkDDB = 1 };

// The platform's clipboard format number of a device-dependent bitmap (CF_BITMAP).
inline constexpr WORD kClipboardBitmapFormat = 2;

namespace graphics {
// Raised (EInvalidGraphicOperation) for a negative Width or Height.
inline constexpr const char* NegativeBitmapSize = "ビットマップの幅と高さに負の値は指定できません";
}  // namespace graphics

// Image data shared by the bitmaps that point to it. Made with one user; the
// last DropUser frees it.
class TSharedImage {
 public:
  TSharedImage(const TSharedImage&) = delete;
  TSharedImage& operator=(const TSharedImage&) = delete;
  // Only the last DropUser destroys an image.
  virtual ~TSharedImage() = default;

  std::int32_t UserCount() const noexcept { return userCount_; }
  void AddUser() noexcept { ++userCount_; }
  // Nothing for null; otherwise one user fewer, and the last one's drop runs
  // FreeHandles and frees the image.
  static void DropUser(TSharedImage* image) noexcept;

 protected:
  TSharedImage() = default;
  virtual void FreeHandles() noexcept = 0;

 private:
  std::int32_t userCount_ = 0;
};

// The pixels of one or more bitmaps and what describes them. It owns every
// handle it holds except the system 16-colour palette.
class TBitmapImage final : public TSharedImage {
 public:
  // A new image with no user (the installer adds itself) and a zero description.
  static TBitmapImage* Create();

  HBITMAP BitmapHandle = nullptr;
  HBITMAP MaskBitmap = nullptr;
  HPALETTE ColorPalette = nullptr;
  // The DIB section: BitmapHandle itself, or a copy of a device-dependent
  // BitmapHandle made for pixel access.
  HBITMAP SectionHandle = nullptr;
  // As the platform describes the bitmap; for a device-dependent bitmap only
  // dsBm. dsBmih.biSize of an image without a handle records the wanted kind
  // (0 device-dependent, 40 DIB section).
  DIBSECTION DIB{};
  // The complete BMP file the image was read from or parked as, or null.
  std::unique_ptr<TMemoryStream> KeptFile;
  // Read from a file with the 12-byte core header, and written back so.
  bool CoreFormat = false;
  // ColorPalette was made for display, not taken from the picture.
  bool HalftonePalette = false;

  ~TBitmapImage() override;

 protected:
  void FreeHandles() noexcept override;

 private:
  TBitmapImage() = default;
};

// The canvas of a bitmap: a memory device context with the bitmap selected,
// made on the first drawing and handed back by ReleaseDeviceContext. While it
// holds a context the canvas is listed in OpenBitmapCanvases.
class TBitmapCanvas : public TCanvas {
  KIRITORI_CLASS(TBitmapCanvas, TCanvas)

  explicit TBitmapCanvas(TBitmap& bitmap);
  ~TBitmapCanvas() override;

  TBitmap& Bitmap() const noexcept { return bitmap_; }
  // Selects back what the bitmap's selection displaced, deletes the device
  // context and unlists the canvas; nothing without a context.
  void ReleaseDeviceContext();

 protected:
  // Selects the bitmap (after releasing it from any other canvas) and its
  // palette into a new memory context. Raises EOutOfResources when no context
  // can be made.
  void CreateDeviceContext() override;

 private:
  TBitmap& bitmap_;
  HGDIOBJ oldBitmap_ = nullptr;
  HPALETTE oldPalette_ = nullptr;
};

class TBitmap : public TGraphic {
  KIRITORI_CLASS(TBitmap, TGraphic)

  // An empty bitmap: no pixels, size 0 × 0, HandleKind hkDDB.
  TBitmap();
  ~TBitmap() override;

  // Virtual operations, in slot order after the inherited ones.

  // From a TBitmap: shares its image (no pixels are copied) and takes its
  // Transparent flag and key colour. Null makes this bitmap empty; any other
  // source is asked to copy itself here (ECopyError when it cannot).
  void CopyFrom(TPersistent* source) override;
  // Invalidates the transparency mask, then the graphic's change step.
  void NotifyChanged(TObject* sender) override;
  // Draws the picture scaled into rect of canvas with canvas.CopyMode, or
  // through the transparency mask when Transparent is set.
  void DrawInto(TCanvas& canvas, const TRect& rect) override;
  // No bitmap handle, no section and no kept file.
  bool IsEmpty() override;
  // Row count, positive also for a top-down section.
  std::int32_t Height() override;
  // The image's palette, made from its colour table on first need; owned by
  // the image, null when it has none.
  HPALETTE ColorPalette() override;
  std::int32_t Width() override;
  // A 32-bit length, then that many bytes of BMP file.
  void ReadPropertyData(TStream& stream) override;
  // Resizes keeping the old pixels top-left; new area is the canvas's brush
  // colour (white without a canvas). 0 makes the bitmap empty and keeps the
  // other dimension. Raises EInvalidGraphicOperation for a negative size and
  // EOutOfResources when the platform refuses; the old image then stays.
  void SetHeight(std::int32_t value) override;
  // Installs value as the palette (the bitmap owns it from then on; on failure
  // it stays the caller's) and writes its colours into a section's colour
  // table. Null drops the palette.
  void SetColorPalette(HPALETTE value) override;
  void SetWidth(std::int32_t value) override;
  // The BMP file preceded by its 32-bit length.
  void WritePropertyData(TStream& stream) override;
  std::unique_ptr<TGraphic> CreateEmpty() const override;

  // ---- BMP reading and writing (BitmapFile.cpp) ---------------------------
  // ReadPropertyData and WritePropertyData above live there as well.

  // Reads a BMP file from the stream's position to its end (ReadBitmapFile).
  void LoadStream(TStream& stream) override;
  // Writes the bitmap as a BMP file at the stream's position (WriteBitmapFile).
  void SaveStream(TStream& stream) override;
  // Reads one BMP file of `size` bytes; 0 bytes make the bitmap empty without
  // a change event. Raises EReadError for data cut short, EInvalidGraphic for
  // data that is no BMP file or one no bitmap can be made of, and EOSError when
  // the platform refuses the bitmap and says why; the old picture then stays.
  void ReadBitmapFile(TStream& stream, std::int64_t size);
  // Reads BMP data from the info header on (`size` bytes from there), after
  // fileHeader or, for resource data, without one; raises as ReadBitmapFile.
  // Uncompressed data becomes a section with the file's bits; run-length data a
  // device-dependent bitmap that keeps the whole file for saving.
  void ReadBitmapInfo(TStream& stream, std::int64_t size, const BITMAPFILEHEADER* fileHeader);
  // Writes the kept file unchanged, or else the section uncompressed in the
  // header form it was read with; nothing for an empty bitmap. The prefix is
  // the file's 32-bit length. Raises EWriteError when the stream takes fewer
  // bytes; stores the colour count and default masks in the description.
  void WriteBitmapFile(TStream& stream, bool withSizePrefix);
  // Writes the bitmap as a BMP file into memory and keeps only that file; the
  // pixels are rebuilt from it on the next EnsureHandle.
  void ParkAsFileData();
  // ---- end of BMP reading and writing -------------------------------------

  // Takes a copy of a CF_BITMAP (2) handle and its palette; the clipboard's
  // objects stay the caller's. Raises EInvalidGraphic for another format or
  // null data.
  void LoadClipboardFormat(WORD format, HANDLE data, HPALETTE palette) override;
  // A device-dependent copy as CF_BITMAP and a copy of the palette (or null);
  // the caller owns both.
  void SaveClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) override;
  // The platform bitmap, made private to this bitmap first; still owned by
  // the bitmap.
  virtual HBITMAP BitmapHandle();
  // The monochrome transparency mask (1 where the key colour is), made on
  // need; owned by the bitmap.
  virtual HBITMAP MaskBitmap();
  // Converts between a DIB section and a device-dependent bitmap (or records
  // the wish for an empty bitmap).
  virtual void SetHandleKind(THandleKind value);

  // ---- Properties and operations --------------------------------------------

  // Adopts handle (null empties the bitmap): the bitmap owns it from then on.
  void SetBitmapHandle(HBITMAP handle);
  // Returns the platform bitmap and forgets it; the caller owns it.
  HBITMAP DetachHandle();
  THandleKind HandleKind();
  // bdDevice for a device-dependent bitmap, else by the section's layout.
  TBitDepth BitDepth();
  // Converts the pixels to the given format. Raises EInvalidGraphic for
  // bdCustom; on any failure the old image stays.
  void SetBitDepth(TBitDepth value);
  bool IsMonochrome();
  // true makes a monochrome device-dependent bitmap, false one of the screen's
  // format.
  void SetMonochrome(bool value);
  // The bitmap's canvas, made on first need and owned by the bitmap.
  TBitmapCanvas& Canvas();
  bool HasCanvas() const noexcept { return canvas_ != nullptr; }
  // The colour that is transparent, with 0x02000000 set: the fixed colour, or
  // white for a monochrome bitmap, or the bottom-left pixel.
  TColor KeyColor();
  void SetKeyColor(TColor value);
  // Address of pixel row `row` (0 = top) of the bitmap's section, made
  // private first (a shared image is copied). Raises EInvalidGraphicOperation
  // when row is outside 0 .. Height - 1 or the bitmap has no pixels.
  std::uint8_t* ScanLineAddress(std::int32_t row);
  // Address of pixel row `row` (0 = top) for reading only: the image is
  // neither copied nor converted, so a shared picture stays shared. Null when
  // the image has no section of its own yet or row is outside the bitmap.
  const std::uint8_t* ScanLineForReading(std::int32_t row) const;
  // Releases the canvas's device context, if any.
  void ReleaseDeviceContext();

  // Copy-on-write: runs before anything may change the pixels or hand them
  // out. Afterwards the image is this bitmap's alone and has no kept file.
  void PrepareToModify();
  // Gives this bitmap a private copy of a shared image (a private one only
  // drops a stale section copy). Raises EOutOfResources; the image then stays.
  void MakeUnique();
  // Installs a new private image of these parts. The bitmap owns handle and
  // palette only once this returns; on failure the caller still owns them.
  void ReplaceImage(HBITMAP handle, HPALETTE palette, std::unique_ptr<TMemoryStream> keptFile, bool coreFormat,
                    const DIBSECTION& description);
  // Rebuilds a parked image from its kept file; a section becomes BitmapHandle.
  void EnsureHandle();
  // Gives a device-dependent image a section copy for pixel access.
  void EnsureSection();
  // Makes a palette from the section's colour table (or a halftone palette for
  // display) unless the image has one or none can be made.
  void EnsurePalette();
  // Builds the transparency mask when it is out of date.
  void EnsureMask();

  // The current image, for the graphics layer's own files (BMP reading and
  // writing, pixel-format changes). Never null.
  TBitmapImage& Image() const noexcept { return *image_; }

 private:
  void Resize(std::int32_t width, std::int32_t height);

  TBitmapImage* image_;  // one user counted for this bitmap
  std::unique_ptr<TBitmapCanvas> canvas_;
  bool ignorePalette_ = false;
  bool maskValid_ = false;
  bool maskCurrent_ = false;
  TColor keyColor_ = clDefault;
  bool keyColorFixed_ = false;
};

// Every TBitmapCanvas that holds a device context.
TThreadList<TBitmapCanvas>& OpenBitmapCanvases();
// Guards every change of a bitmap's image reference.
TCriticalSection& ImageLock();
// Releases the device context of every bitmap canvas whose bitmap currently
// has handle (a bitmap can be selected into one context only).
void DeselectFromCanvases(HBITMAP handle);
// Releases the device contexts of all bitmap canvases not busy drawing.
void FreeAllCanvasContexts();

namespace graphics::detail {
// Called by the graphics layer's start-up and shutdown only.
void CreateBitmapGlobals();
void DestroyBitmapGlobals();
}  // namespace graphics::detail
