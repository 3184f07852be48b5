// Pens, brushes and fonts as platform objects: each keeps the description it was
// made from and hands it back through GetObject.
#pragma once

#include <memory>

#include "platform/BitmapObject.h"
#include "platform/Objects.h"
#include "platform/Raster.h"
#include "platform/Windows.h"

namespace platform {

class PenObject final : public GdiObject {
 public:
  static constexpr ObjectKind kKind = ObjectKind::Pen;
  explicit PenObject(const LOGPEN& pen) : GdiObject(kKind), pen(pen) {}
  int Describe(int size, void* buffer) const override;
  PenSpec ForEngine() const;
  LOGPEN pen;
};

class BrushObject final : public GdiObject {
 public:
  static constexpr ObjectKind kKind = ObjectKind::Brush;
  explicit BrushObject(const LOGBRUSH& brush) : GdiObject(kKind), brush(brush) {}
  int Describe(int size, void* buffer) const override;
  // The engine's view of the brush; the pattern surface shares this brush's copy
  // of the pattern bitmap, so it lives as long as the brush.
  BrushSpec ForEngine() const;
  LOGBRUSH brush;
  Surface patternSurface;
  // A private copy of the pattern bitmap: the caller may delete its own.
  std::unique_ptr<BitmapObject> pattern;
};

class FontObject final : public GdiObject {
 public:
  static constexpr ObjectKind kKind = ObjectKind::Font;
  explicit FontObject(const LOGFONTA& font) : GdiObject(kKind), font(font) {}
  int Describe(int size, void* buffer) const override;
  LOGFONTA font;
};

// Makes the objects; null (error recorded) when the table is full.
HPEN AddPen(const LOGPEN& pen, bool stock = false);
HBRUSH AddBrush(const LOGBRUSH& brush, bool stock = false);
HFONT AddFont(const LOGFONTA& font, bool stock = false);

}  // namespace platform
