// Pixel formats of a bitmap and the routines that change them: making a new
// platform bitmap of a wanted layout from an old one, the palette helpers the
// bitmap code shares (duplicates, colour tables, the system 16-colour palette,
// default colour masks) and the check that turns a refused platform object into
// an exception.
#pragma once

#include <cstdint>

#include "platform/Windows.h"
#include "runtime/Exceptions.h"

class TBitmap;
class TCanvas;

// The pixel format of a bitmap; the bits per pixel of the section each makes
// are in the comments. bdCustom names layouts that cannot be asked for.
enum TBitDepth : std::uint8_t {
  bdDevice,  // a device-dependent bitmap
  bd1Bit,
  bd4Bit,    // with the system 16-colour palette
  bd8Bit,    // with a halftone palette
  bd15Bit,   // 16 bits, 5-5-5
  bd16Bit,   // 16 bits, masks 5-6-5
  bd24Bit,
  bd32Bit,
  bdCustom,
};

// Makes a new platform bitmap of the layout in description (a DIB section when
// dsBmih.biSize >= 40, else a device-dependent bitmap) and fills it from source
// (may be null): converted straight when only the depth changes to more than 8
// bits, otherwise drawn at the top-left over a background of canvas's brush or
// white. Returns null, leaving description untouched, for an empty size;
// otherwise the caller owns the result and description holds what the platform
// reports for it. Raises EInvalidGraphic for a source that is no bitmap and
// EOutOfResources when a bitmap or device context cannot be made; nothing made
// survives a failure. Shares no pixels with source.
HBITMAP ConvertBitmap(HBITMAP source, HPALETTE oldPalette, HPALETTE newPalette, TCanvas* canvas,
                      DIBSECTION& description);

// Replaces bitmap's image with a new private one made by ConvertBitmap from
// handle, with a copy of palette (the system 16-colour palette itself is
// shared, not copied). On failure bitmap keeps its image and whatever was made
// is deleted before the failure propagates.
void RebuildImage(TBitmap& bitmap, HBITMAP handle, HPALETTE palette, DIBSECTION description);

// A new palette with palette's entries, owned by the caller; null for a null,
// unqueryable or empty palette.
HPALETTE DuplicatePalette(HPALETTE palette);

// A palette made from the colour table of section (up to 256 entries) or, with
// a null section, from count entries of table; null when there are no entries.
// A 16-entry table gives the system 16-colour palette's colours. Owned by the
// caller. Raises EOutOfResources when the palette cannot be made.
HPALETTE PaletteFromColorTable(HBITMAP section, const RGBQUAD* table, std::uint32_t count);

// Writes palette's first min(entries, highestIndex + 1) colours into table as
// RGBQUADs and returns their number; 0 for a null, unqueryable or empty palette.
UINT PaletteToColorTable(HPALETTE palette, RGBQUAD* table, UINT highestIndex);

// Writes palette's colours into the colour table of section, when there is a
// section of at most 8 bits per pixel and the palette has colours.
void RefreshColorTable(HBITMAP section, HPALETTE palette, const DIBSECTION& description);

// Supplies the default colour masks (5-6-5 for 16 bits, 8-8-8 for 32) when the
// description asks for masks and its red mask is 0.
void FillBitFields(DIBSECTION& description);

// The process's system 16-colour palette, shared by every bitmap that uses it
// and deleted only at shutdown; null outside Startup/Shutdown.
HPALETTE SystemPalette16() noexcept;

// The reason the platform's last failure leaves: over the available memory for
// ERROR_NOT_ENOUGH_MEMORY, otherwise other; the text is the last error's detail.
TFailureReason PlatformFailureReason();

// Raises the graphics error: EOutOfResources with the platform's text for its
// last error, or with the system's out-of-resources text when there is none;
// its reason is PlatformFailureReason().
[[noreturn]] void RaiseGraphicsError();

// The handle when it is non-null; otherwise raises the graphics error.
template <class Handle>
Handle GraphicsCheck(Handle handle) {
  if (handle == nullptr) RaiseGraphicsError();
  return handle;
}

// Draws the source rectangle into the destination rectangle (stretched) except
// where the monochrome bitmap selected in maskDc is 1 (white), which leaves the
// destination unchanged. Raises EOutOfResources when a scratch bitmap or context
// cannot be made; true otherwise. Restores every selection it makes.
bool MaskedStretch(HDC destDc, int x, int y, int width, int height, HDC sourceDc, int sourceX, int sourceY,
                   int sourceWidth, int sourceHeight, HDC maskDc, int maskX, int maskY);

namespace graphics::detail {
// Called by the graphics layer's start-up and shutdown only.
void CreateSystemPalette16();
void DestroySystemPalette16();
}  // namespace graphics::detail
