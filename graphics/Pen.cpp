#include "graphics/Pen.h"

#include "graphics/Color.h"
#include "graphics/ResourceManager.h"

namespace {
constexpr int kMixModes[16] = {
    R2_BLACK,       R2_WHITE,       R2_NOP,      R2_NOT,         R2_COPYPEN, R2_NOTCOPYPEN,
    R2_MERGEPENNOT, R2_MASKPENNOT,  R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN, R2_NOTMERGEPEN,
    R2_MASKPEN,     R2_NOTMASKPEN,  R2_XORPEN,   R2_NOTXORPEN,
};
}  // namespace

// The caches read a pen's and a brush's colour at the same place.
static_assert(offsetof(TPenData, Color) == sizeof(HGDIOBJ));

int PenModeToROP2(TPenMode mode) noexcept {
  return mode < 16 ? kMixModes[mode] : R2_COPYPEN;
}

TPenData TPen::DefaultData() noexcept {
  TPenData data{};
  data.Color = clBlack;
  data.Width = 1;
  data.Style = psSolid;
  return data;
}

TPen::TPen() {
  const TPenData defaults = DefaultData();
  Resource = PenCache().FindOrAddResource(&defaults);
}

TPen::~TPen() { PenCache().ReleaseResource(Resource); }

TPenData TPen::Attributes() const {
  TPenData data = Resource->Attributes<TPenData>();
  data.Handle = nullptr;
  return data;
}

void TPen::Replace(const TPenData& data) {
  OwnerLockGuard hold(*this);
  PenCache().ReplaceResource(*this, &data);
}

TColor TPen::Color() const { return Resource->Attributes<TPenData>().Color; }

void TPen::SetColor(TColor value) {
  TPenData data = Attributes();
  data.Color = value;
  Replace(data);
}

std::int32_t TPen::Width() const { return Resource->Attributes<TPenData>().Width; }

void TPen::SetWidth(std::int32_t value) {
  if (value < 0) return;
  TPenData data = Attributes();
  data.Width = value;
  Replace(data);
}

TPenStyle TPen::Style() const { return Resource->Attributes<TPenData>().Style; }

void TPen::SetStyle(TPenStyle value) {
  TPenData data = Attributes();
  data.Style = value;
  Replace(data);
}

void TPen::SetMode(TPenMode value) {
  if (value == mode_) return;
  mode_ = value;
  Changed();
}

HPEN TPen::Handle() const {
  HGDIOBJ handle = PenCache().Realize(*Resource, [](const ToolResource& record) -> HGDIOBJ {
    const TPenData data = record.Attributes<TPenData>();
    LOGPEN pen{};
    pen.lopnStyle = data.Style;
    pen.lopnWidth = POINT{data.Width, 0};
    pen.lopnColor = ResolveColor(data.Color);
    return CreatePenIndirect(&pen);
  });
  return static_cast<HPEN>(handle);
}

void TPen::CopyFrom(TPersistent* source) {
  auto* other = dynamic_cast<TPen*>(source);
  if (other == nullptr) {
    TGraphicsObject::CopyFrom(source);
    return;
  }
  OwnerLockGuard hold(*this);
  PenCache().ShareResource(*this, other->Resource);
  SetMode(other->mode_);
}
