// The canvas's font: height, pitch, style, character set and face name in a
// shared record (one platform font per distinct set in the process), and the
// text colour and the resolution its point size refers to in the font itself.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

#include "graphics/GraphicsObject.h"
#include "graphics/Types.h"
#include "platform/Windows.h"

enum TFontPitch : std::uint8_t { fpDefault, fpVariable, fpFixed };

// Font styles are a set of these bits.
enum TFontStyle : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = std::uint8_t;
// The platform's character-set identifier (DEFAULT_CHARSET 1, SHIFTJIS_CHARSET 128).
using TFontCharset = std::uint8_t;

// Longest face name a font keeps, in bytes.
inline constexpr std::size_t kFontNameMax = 31;

// The font's shared attribute record, hashed and compared as raw bytes: no
// padding; the name is a length byte and 31 bytes, all zero past the name.
struct TFontData {
  HFONT Handle;  // non-null only for an adopted platform font
  std::int32_t Height;  // negative: character height in pixels
  TFontPitch Pitch;
  TFontStyles Style;
  TFontCharset Charset;
  std::uint8_t NameLength;
  char Name[kFontNameMax];
  std::uint8_t Reserved;
};
// The handle is a pointer to a tag struct: its own size is meant.
static_assert(sizeof(TFontData) == sizeof(HFONT) + 40);  // NOLINT(bugprone-sizeof-expression)
static_assert(std::has_unique_object_representations_v<TFontData>);

// Told of every change of a font besides its OnChange.
class IChangeNotifier {
 public:
  virtual void Changed() = 0;

 protected:
  ~IChangeNotifier() = default;
};

class TFont : public TGraphicsObject {
  KIRITORI_CLASS(TFont, TGraphicsObject)

  // A font with the default attributes (DefaultData) in clWindowText, at the
  // screen's vertical resolution.
  TFont();
  ~TFont() override;

  // Kept in the font itself; a different value notifies.
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  std::int32_t Height() const;
  void SetHeight(std::int32_t value);
  // Points at PixelsPerInch: -MulDiv(Height, 72, PixelsPerInch), rounded.
  std::int32_t Size() const;
  // Sets Height to -MulDiv(value, PixelsPerInch, 72), rounded.
  void SetSize(std::int32_t value);
  // UTF-8 face name.
  std::string Name() const;
  // An empty name is ignored; a longer one is cut to 31 bytes, never inside a
  // character.
  void SetName(std::string_view value);
  TFontStyles Style() const;
  void SetStyle(TFontStyles value);
  TFontPitch Pitch() const;
  void SetPitch(TFontPitch value);
  TFontCharset Charset() const;
  void SetCharset(TFontCharset value);

  // The resolution Size refers to; the screen's at creation. Changing it does
  // not change Height.
  std::int32_t PixelsPerInch() const { return pixelsPerInch_; }
  void SetPixelsPerInch(std::int32_t value) { pixelsPerInch_ = value; }

  // The platform font for the current attributes, made on first need and
  // shared with every font of equal attributes; null when the platform refuses
  // it. Owned by the cache: never delete it.
  HFONT Handle() const;
  // Adopts a platform font: its attributes are read back and the font's record
  // takes the handle over and deletes it with its last user. A handle that is
  // not a live font is ignored; one that a record already holds is shared,
  // never adopted twice.
  void SetHandle(HFONT value);

  // From another TFont: shares its record and copies its colour; when the two
  // resolutions differ, keeps the other's point size. Any other source is
  // refused with ECopyError.
  void CopyFrom(TPersistent* source) override;

  // Fires OnChange, then tells ChangeNotifier.
  void Changed() override;
  // Optional listener, not owned.
  IChangeNotifier* ChangeNotifier = nullptr;

  // The default attribute record, fixed at the graphics layer's start-up.
  static TFontData DefaultData() noexcept;

 private:
  TFontData Attributes() const;
  void Replace(const TFontData& data);

  TColor color_ = clWindowText;
  std::int32_t pixelsPerInch_;
};

// The screen's vertical logical resolution, read at the graphics layer's
// start-up.
std::int32_t ScreenPixelsPerInch() noexcept;

namespace graphics::detail {
// Reads the screen's resolution and builds the default font record.
void InitDefaultFont();
}  // namespace graphics::detail
