#include "graphics/Font.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "graphics/ResourceManager.h"

namespace {
// a * b / c rounded half away from zero, as the platform's MulDiv; -1 when c is
// 0 or the result does not fit.
std::int32_t MulDivRounded(std::int32_t a, std::int32_t b, std::int32_t c) {
  if (c == 0) return -1;
  const std::int64_t product = static_cast<std::int64_t>(a) * b;
  const std::int64_t half = std::llabs(c) / 2;
  const bool negative = (product < 0) != (c < 0);
  const std::int64_t magnitude = (std::llabs(product) + half) / std::llabs(c);
  const std::int64_t result = negative ? -magnitude : magnitude;
  if (result < INT32_MIN || result > INT32_MAX) return -1;
  return static_cast<std::int32_t>(result);
}

// Stores a UTF-8 name in the record's short-string field: all 32 bytes are
// cleared first, and a name too long is cut before the character that does not
// fit whole.
void StoreName(TFontData& data, std::string_view name) {
  std::memset(&data.NameLength, 0, 1 + kFontNameMax);
  std::size_t length = std::min(name.size(), kFontNameMax);
  if (length < name.size()) {
    while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) --length;
  }
  data.NameLength = static_cast<std::uint8_t>(length);
  std::memcpy(data.Name, name.data(), length);
}

std::string_view StoredName(const TFontData& data) {
  return {data.Name, std::min<std::size_t>(data.NameLength, kFontNameMax)};
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

std::int32_t screenPixelsPerInch = 96;
TFontData defaultFont{};
}  // namespace

std::int32_t ScreenPixelsPerInch() noexcept { return screenPixelsPerInch; }

namespace graphics::detail {
void InitDefaultFont() {
  if (HDC screen = GetDC(nullptr)) {
    const int logPixels = GetDeviceCaps(screen, LOGPIXELSY);
    if (logPixels > 0) screenPixelsPerInch = logPixels;
    ReleaseDC(nullptr, screen);
  }
  // The program's interface is Japanese: it runs as on a Far-East system whose
  // stock font is Shift-JIS, so the default font is the Japanese gothic at 9
  // points rather than the Western default at 8.
  defaultFont = TFontData{};
  defaultFont.Height = -MulDivRounded(9, screenPixelsPerInch, 72);
  defaultFont.Pitch = fpDefault;
  defaultFont.Style = 0;
  defaultFont.Charset = SHIFTJIS_CHARSET;
  StoreName(defaultFont, "ＭＳ Ｐゴシック");
}
}  // namespace graphics::detail

TFontData TFont::DefaultData() noexcept { return defaultFont; }

TFont::TFont() : pixelsPerInch_(screenPixelsPerInch) {
  TFontData defaults = DefaultData();
  defaults.Handle = nullptr;
  Resource = FontCache().FindOrAddResource(&defaults);
}

TFont::~TFont() { FontCache().ReleaseResource(Resource); }

TFontData TFont::Attributes() const {
  TFontData data = Resource->Attributes<TFontData>();
  data.Handle = nullptr;
  return data;
}

void TFont::Replace(const TFontData& data) {
  OwnerLockGuard hold(*this);
  FontCache().ReplaceResource(*this, &data);
}

void TFont::Changed() {
  TGraphicsObject::Changed();
  if (ChangeNotifier != nullptr) ChangeNotifier->Changed();
}

void TFont::SetColor(TColor value) {
  if (value == color_) return;
  color_ = value;
  Changed();
}

std::int32_t TFont::Height() const { return Resource->Attributes<TFontData>().Height; }

void TFont::SetHeight(std::int32_t value) {
  TFontData data = Attributes();
  data.Height = value;
  Replace(data);
}

std::int32_t TFont::Size() const { return -MulDivRounded(Height(), 72, pixelsPerInch_); }

void TFont::SetSize(std::int32_t value) { SetHeight(-MulDivRounded(value, pixelsPerInch_, 72)); }

std::string TFont::Name() const {
  const TFontData data = Resource->Attributes<TFontData>();
  return std::string(StoredName(data));
}

void TFont::SetName(std::string_view value) {
  if (value.empty()) return;
  TFontData data = Attributes();
  StoreName(data, value);
  Replace(data);
}

TFontStyles TFont::Style() const { return Resource->Attributes<TFontData>().Style; }

void TFont::SetStyle(TFontStyles value) {
  TFontData data = Attributes();
  data.Style = value;
  Replace(data);
}

TFontPitch TFont::Pitch() const { return Resource->Attributes<TFontData>().Pitch; }

void TFont::SetPitch(TFontPitch value) {
  TFontData data = Attributes();
  data.Pitch = value;
  Replace(data);
}

TFontCharset TFont::Charset() const { return Resource->Attributes<TFontData>().Charset; }

void TFont::SetCharset(TFontCharset value) {
  TFontData data = Attributes();
  data.Charset = value;
  Replace(data);
}

HFONT TFont::Handle() const {
  HGDIOBJ handle = FontCache().Realize(*Resource, [](const ToolResource& record) -> HGDIOBJ {
    const TFontData data = record.Attributes<TFontData>();
    LOGFONTA font{};
    font.lfHeight = data.Height;
    font.lfWeight = (data.Style & fsBold) ? FW_BOLD : FW_NORMAL;
    font.lfItalic = (data.Style & fsItalic) ? 1 : 0;
    font.lfUnderline = (data.Style & fsUnderline) ? 1 : 0;
    font.lfStrikeOut = (data.Style & fsStrikeOut) ? 1 : 0;
    font.lfCharSet = data.Charset;
    font.lfPitchAndFamily = data.Pitch == fpVariable ? VARIABLE_PITCH
                            : data.Pitch == fpFixed  ? FIXED_PITCH
                                                     : DEFAULT_PITCH;
    std::string_view name = StoredName(data);
    if (EqualsIgnoringAsciiCase(name, "Default")) name = StoredName(defaultFont);
    std::memcpy(font.lfFaceName, name.data(), name.size());
    return CreateFontIndirectA(&font);
  });
  return static_cast<HFONT>(handle);
}

void TFont::SetHandle(HFONT value) {
  if (value == nullptr || GetObjectType(value) != OBJ_FONT) return;
  LOGFONTA font{};
  if (GetObject(value, sizeof font, &font) == 0) return;

  TFontData data{};
  data.Handle = value;
  data.Height = font.lfHeight;
  const BYTE pitch = font.lfPitchAndFamily & 0x03;
  data.Pitch = pitch == VARIABLE_PITCH ? fpVariable : pitch == FIXED_PITCH ? fpFixed : fpDefault;
  data.Style = static_cast<TFontStyles>((font.lfWeight >= FW_BOLD ? fsBold : 0) |
                                        (font.lfItalic ? fsItalic : 0) |
                                        (font.lfUnderline ? fsUnderline : 0) |
                                        (font.lfStrikeOut ? fsStrikeOut : 0));
  data.Charset = font.lfCharSet;
  StoreName(data, std::string_view(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE)));

  OwnerLockGuard hold(*this);
  TResourceManager& cache = FontCache();
  TCriticalSectionGuard cacheHold(cache.Lock());
  // A handle some record already owns (this font's own, read back and written
  // again, or another font's) must not get a second owner that would delete it.
  if (ToolResource* owner = cache.FindByHandle(value)) {
    cache.ShareResource(*this, owner);
  } else {
    cache.ReplaceResource(*this, &data);
  }
}

void TFont::CopyFrom(TPersistent* source) {
  auto* other = dynamic_cast<TFont*>(source);
  if (other == nullptr) {
    TGraphicsObject::CopyFrom(source);
    return;
  }
  OwnerLockGuard hold(*this);
  FontCache().ShareResource(*this, other->Resource);
  SetColor(other->color_);
  if (pixelsPerInch_ != other->pixelsPerInch_) SetSize(other->Size());
}
