#include "graphics/Brush.h"

#include <atomic>

#include "graphics/Color.h"
#include "graphics/ResourceManager.h"

static_assert(offsetof(TBrushData, Color) == sizeof(HGDIOBJ));

namespace {
std::atomic<TBrushPatternHook> patternHook{nullptr};
}  // namespace

void SetBrushPatternHook(TBrushPatternHook hook) noexcept { patternHook.store(hook); }

TBrushData TBrush::DefaultData() noexcept {
  TBrushData data{};
  data.Color = clWhite;
  data.PatternBitmap = nullptr;
  data.Style = bsSolid;
  return data;
}

TBrush::TBrush() {
  const TBrushData defaults = DefaultData();
  Resource = BrushCache().FindOrAddResource(&defaults);
}

TBrush::~TBrush() { BrushCache().ReleaseResource(Resource); }

TBrushData TBrush::Attributes() const {
  TBrushData data = Resource->Attributes<TBrushData>();
  data.Handle = nullptr;
  data.PatternBitmap = nullptr;
  return data;
}

void TBrush::Replace(const TBrushData& data) {
  OwnerLockGuard hold(*this);
  BrushCache().ReplaceResource(*this, &data);
}

TColor TBrush::Color() const { return Resource->Attributes<TBrushData>().Color; }

void TBrush::SetColor(TColor value) {
  TBrushData data = Attributes();
  data.Color = value;
  if (data.Style == bsClear) data.Style = bsSolid;
  Replace(data);
}

TBrushStyle TBrush::Style() const { return Resource->Attributes<TBrushData>().Style; }

void TBrush::SetStyle(TBrushStyle value) {
  TBrushData data = Attributes();
  data.Style = value;
  if (value == bsClear) data.Color = clWhite;
  Replace(data);
}

TBitmap* TBrush::PatternBitmap() const { return Resource->Attributes<TBrushData>().PatternBitmap; }

void TBrush::SetPatternBitmap(TBitmap* value) {
  TBrushData data = DefaultData();
  data.PatternBitmap = value;
  Replace(data);
}

HBRUSH TBrush::Handle() const {
  HGDIOBJ handle = BrushCache().Realize(*Resource, [](const ToolResource& record) -> HGDIOBJ {
    const TBrushData data = record.Attributes<TBrushData>();
    LOGBRUSH brush{};
    brush.lbColor = ResolveColor(data.Color);
    const TBrushPatternHook hook = patternHook.load();
    if (data.PatternBitmap != nullptr && hook != nullptr) {
      brush.lbStyle = BS_PATTERN;
      brush.lbHatch = reinterpret_cast<std::uintptr_t>(hook(*data.PatternBitmap));
    } else if (data.Style == bsSolid) {
      brush.lbStyle = BS_SOLID;
    } else if (data.Style == bsClear) {
      brush.lbStyle = BS_NULL;
    } else {
      brush.lbStyle = BS_HATCHED;
      brush.lbHatch = static_cast<std::uintptr_t>(data.Style - bsHorizontal);
    }
    return CreateBrushIndirect(&brush);
  });
  return static_cast<HBRUSH>(handle);
}

void TBrush::CopyFrom(TPersistent* source) {
  auto* other = dynamic_cast<TBrush*>(source);
  if (other == nullptr) {
    TGraphicsObject::CopyFrom(source);
    return;
  }
  OwnerLockGuard hold(*this);
  BrushCache().ShareResource(*this, other->Resource);
}
