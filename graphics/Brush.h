// The canvas's brush: colour, style and an optional pattern bitmap, all in a
// shared record (one platform brush per distinct set in the process).
#pragma once

#include <cstdint>
#include <type_traits>

#include "graphics/GraphicsObject.h"
#include "graphics/Types.h"
#include "platform/Windows.h"

class TBitmap;

enum TBrushStyle : std::uint8_t {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross,
};

// The brush's shared attribute record, hashed and compared as raw bytes: no
// padding, Reserved bytes stay zero.
struct TBrushData {
  HBRUSH Handle;  // always null when built from properties
  TColor Color;
  std::uint32_t Reserved0;
  TBitmap* PatternBitmap;  // not owned
  TBrushStyle Style;
  std::uint8_t Reserved[7];
};
static_assert(std::has_unique_object_representations_v<TBrushData>);

// Set by the bitmap layer: makes the bitmap device-dependent and answers its
// platform handle, for a brush that paints with it.
using TBrushPatternHook = HBITMAP (*)(TBitmap& pattern);
void SetBrushPatternHook(TBrushPatternHook hook) noexcept;

class TBrush : public TGraphicsObject {
  KIRITORI_CLASS(TBrush, TGraphicsObject)

  // A brush with the default attributes: white, solid, no pattern.
  TBrush();
  ~TBrush() override;

  TColor Color() const;
  // Drops the pattern bitmap; a bsClear brush becomes bsSolid.
  void SetColor(TColor value);
  TBrushStyle Style() const;
  // Drops the pattern bitmap; bsClear also sets the colour to clWhite.
  void SetStyle(TBrushStyle value);
  // The bitmap the brush paints with, or null. Not owned: the caller keeps it
  // alive while the brush uses it.
  TBitmap* PatternBitmap() const;
  // Starts from the default attributes, so colour and style return to white
  // and solid.
  void SetPatternBitmap(TBitmap* value);

  // The platform brush for the current attributes, made on first need and
  // shared with every brush of equal attributes; null when the platform refuses
  // it. Owned by the cache: never delete it.
  HBRUSH Handle() const;

  // From another TBrush: shares its record. Any other source is refused with
  // ECopyError.
  void CopyFrom(TPersistent* source) override;

  // The default attribute record (null handle, clWhite, no pattern, bsSolid).
  static TBrushData DefaultData() noexcept;

 private:
  TBrushData Attributes() const;
  void Replace(const TBrushData& data);
};
