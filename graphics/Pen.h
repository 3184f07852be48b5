// The canvas's pen: colour, width and style in a shared record (one platform pen
// per distinct set in the process), and the mix mode in the pen itself.
#pragma once

#include <cstdint>
#include <type_traits>

#include "graphics/GraphicsObject.h"
#include "graphics/Types.h"
#include "platform/Windows.h"

// Same ordinals as the platform's pen styles (PS_SOLID .. PS_INSIDEFRAME).
enum TPenStyle : std::uint8_t {
  psSolid,
  psDash,
  psDot,
  psDashDot,
  psDashDotDot,
  psClear,
  psInsideFrame,
};

enum TPenMode : std::uint8_t {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor,
};

// The platform mix mode (SetROP2) of a pen mode; R2_COPYPEN for a value
// outside the enumeration.
int PenModeToROP2(TPenMode mode) noexcept;

// The pen's shared attribute record. The cache hashes and compares it as raw
// bytes, so it has no padding and every byte is set (Reserved stays zero).
struct TPenData {
  HPEN Handle;  // always null when built from properties
  TColor Color;
  std::int32_t Width;
  TPenStyle Style;
  std::uint8_t Reserved[7];
};
// The handle is a pointer to a tag struct: its own size is meant.
static_assert(sizeof(TPenData) == sizeof(HPEN) + 16);  // NOLINT(bugprone-sizeof-expression)
static_assert(std::has_unique_object_representations_v<TPenData>);

class TPen : public TGraphicsObject {
  KIRITORI_CLASS(TPen, TGraphicsObject)

  // A pen with the default attributes: black, width 1, solid, pmCopy.
  TPen();
  ~TPen() override;

  TColor Color() const;
  void SetColor(TColor value);
  std::int32_t Width() const;
  // Negative widths are ignored; 0 is accepted (the thinnest line).
  void SetWidth(std::int32_t value);
  TPenStyle Style() const;
  void SetStyle(TPenStyle value);
  // Kept in the pen, not in the shared record: two pens that differ only in
  // mode share one platform pen. A different value notifies.
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode value);

  // The platform pen for the current attributes, made on first need and shared
  // with every pen of equal attributes; null when the platform refuses it (the
  // next call tries again). Owned by the cache: never delete it.
  HPEN Handle() const;

  // From another TPen: shares its record and copies its mode. Any other source
  // is refused with ECopyError.
  void CopyFrom(TPersistent* source) override;

  // The default attribute record (null handle, clBlack, width 1, psSolid).
  static TPenData DefaultData() noexcept;

 private:
  // The current attributes with the handle field cleared: the start of every
  // change.
  TPenData Attributes() const;
  void Replace(const TPenData& data);

  TPenMode mode_ = pmCopy;
};
