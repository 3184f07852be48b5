#include "graphics/Canvas.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "graphics/Color.h"
#include "graphics/Graphic.h"
#include "graphics/ResourceManager.h"
#include "runtime/Exceptions.h"
#include "runtime/Strings.h"

namespace {
std::unique_ptr<TThreadList<TCanvas>> liveCanvases;
std::unique_ptr<TCriticalSection> canvasCountLock;
HGDIOBJ stockPen = nullptr;
HGDIOBJ stockBrush = nullptr;
HGDIOBJ stockFont = nullptr;

// Extents of far-apart coordinates do not fit 32 bits; the platform clips
// anyway, so saturating loses nothing a picture could show.
int Saturate(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

int TextLength(std::string_view text) { return Saturate(static_cast<std::int64_t>(text.size())); }
}  // namespace

TThreadList<TCanvas>& LiveCanvases() { return *liveCanvases; }
TCriticalSection& CanvasCountLock() { return *canvasCountLock; }

namespace graphics::detail {
void CreateCanvasGlobals() {
  liveCanvases = std::make_unique<TThreadList<TCanvas>>();
  canvasCountLock = std::make_unique<TCriticalSection>();
  stockPen = GetStockObject(BLACK_PEN);
  stockBrush = GetStockObject(NULL_BRUSH);
  stockFont = GetStockObject(SYSTEM_FONT);
}

void DestroyCanvasGlobals() {
  stockPen = stockBrush = stockFont = nullptr;
  canvasCountLock.reset();
  liveCanvases.reset();
}
}  // namespace graphics::detail

TCanvas::TCanvas()
    : font_(std::make_unique<TFont>()),
      pen_(std::make_unique<TPen>()),
      brush_(std::make_unique<TBrush>()) {
  font_->OnChange = [this](TObject*) { FontChanged(); };
  font_->OwnerLock = &lock_;
  pen_->OnChange = [this](TObject*) { PenChanged(); };
  pen_->OwnerLock = &lock_;
  brush_->OnChange = [this](TObject*) { BrushChanged(); };
  brush_->OwnerLock = &lock_;
  LiveCanvases().Add(this);
}

TCanvas::~TCanvas() {
  if (liveCanvases) liveCanvases->Remove(this);
  SetDeviceContext(nullptr);
}

void TCanvas::NotifyChanged() {
  if (OnChange) OnChange(this);
}

void TCanvas::NotifyChangedIn(const TRect& area) {
  changedArea_ = area;
  struct Clear {
    std::optional<TRect>& area;
    ~Clear() { area.reset(); }
  } clear{changedArea_};
  NotifyChanged();
}

void TCanvas::NotifyChanging() {
  if (OnBeforeChange) OnBeforeChange(this);
}

void TCanvas::CreateDeviceContext() {}

void TCanvas::EnsureState(TCanvasState required) {
  const TCanvasState missing = required & ~state_;
  if (missing == 0) return;
  if (missing & HandleReady) {
    CreateDeviceContext();
    if (handle_ == nullptr) throw EInvalidOperation(strings::NoCanvasHandle);
  }
  if (missing & FontSelected) {
    SelectObject(handle_, font_->Handle());
    SetTextColor(handle_, ResolveColor(font_->Color()));
  }
  if (missing & PenSelected) {
    SelectObject(handle_, pen_->Handle());
    SetROP2(handle_, PenModeToROP2(pen_->Mode()));
  }
  if (missing & BrushSelected) {
    HBRUSH brush = brush_->Handle();
    UnrealizeObject(brush);
    SelectObject(handle_, brush);
    const COLORREF color = ResolveColor(brush_->Color());
    if (brush_->Style() == bsSolid) {
      SetBkColor(handle_, color);
      SetBkMode(handle_, OPAQUE);
    } else {
      SetBkColor(handle_, ~color);
      SetBkMode(handle_, TRANSPARENT);
    }
  }
  state_ |= missing;
}

void TCanvas::SetDeviceContext(HDC dc) {
  if (dc == handle_) return;
  if (handle_ != nullptr) {
    ReleaseSelections();
    POINT position{};
    if (GetCurrentPositionEx(handle_, &position)) penPosition_ = {position.x, position.y};
    handle_ = nullptr;
    state_ &= static_cast<TCanvasState>(~HandleReady);
  }
  if (dc != nullptr) {
    state_ |= HandleReady;
    handle_ = dc;
    MoveToEx(dc, penPosition_.X, penPosition_.Y, nullptr);
  }
}

void TCanvas::ReleaseSelections() {
  constexpr TCanvasState tools = FontSelected | PenSelected | BrushSelected;
  if (handle_ == nullptr || (state_ & tools) == 0) return;
  SelectObject(handle_, stockPen);
  SelectObject(handle_, stockBrush);
  SelectObject(handle_, stockFont);
  state_ &= static_cast<TCanvasState>(~tools);
}

HDC TCanvas::Handle() {
  NotifyChanging();
  EnsureState(kAllCanvasState);
  return handle_;
}

// The tools report changes here before their old platform object may be
// deleted, so the stock object must replace it in the context at once.
void TCanvas::FontChanged() {
  if (state_ & FontSelected) {
    state_ &= static_cast<TCanvasState>(~FontSelected);
    SelectObject(handle_, stockFont);
  }
}

void TCanvas::PenChanged() {
  if (state_ & PenSelected) {
    state_ &= static_cast<TCanvasState>(~PenSelected);
    SelectObject(handle_, stockPen);
  }
}

void TCanvas::BrushChanged() {
  if (state_ & BrushSelected) {
    state_ &= static_cast<TCanvasState>(~BrushSelected);
    SelectObject(handle_, stockBrush);
  }
}

void TCanvas::MovePenTo(std::int32_t x, std::int32_t y) {
  EnsureState(HandleReady);
  MoveToEx(handle_, x, y, nullptr);
}

void TCanvas::DrawLineTo(std::int32_t x, std::int32_t y) {
  NotifyChanging();
  EnsureState(HandleReady | PenSelected | BrushSelected);
  POINT from{};
  GetCurrentPositionEx(handle_, &from);
  LineTo(handle_, x, y);
  NotifyChangedIn(Rect(std::min(from.x, x), std::min(from.y, y), Saturate(std::int64_t{std::max(from.x, x)} + 1),
                       Saturate(std::int64_t{std::max(from.y, y)} + 1)));
}

void TCanvas::CopyArea(const TRect& destRect, TCanvas& source, const TRect& sourceRect) {
  NotifyChanging();
  EnsureState(HandleReady | FontSelected | BrushSelected);
  source.EnsureState(HandleReady | BrushSelected);
  StretchBlt(handle_, destRect.Left, destRect.Top, Saturate(destRect.Width()), Saturate(destRect.Height()),
             source.handle_, sourceRect.Left, sourceRect.Top, Saturate(sourceRect.Width()),
             Saturate(sourceRect.Height()), CopyMode);
  NotifyChangedIn(Rect(std::min(destRect.Left, destRect.Right), std::min(destRect.Top, destRect.Bottom),
                       std::max(destRect.Left, destRect.Right), std::max(destRect.Top, destRect.Bottom)));
}

void TCanvas::FillArea(const TRect& rect) {
  NotifyChanging();
  EnsureState(HandleReady | BrushSelected);
  const RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
  FillRect(handle_, &r, brush_->Handle());
  NotifyChangedIn(rect);
}

void TCanvas::DrawRectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2) {
  NotifyChanging();
  EnsureState(HandleReady | PenSelected | BrushSelected);
  Rectangle(handle_, x1, y1, x2, y2);
  NotifyChanged();
}

void TCanvas::DrawPolyline(std::span<const TPoint> points) {
  NotifyChanging();
  EnsureState(HandleReady | PenSelected | BrushSelected);
  std::vector<POINT> platformPoints;
  platformPoints.reserve(points.size());
  for (const TPoint& p : points) platformPoints.push_back(POINT{p.X, p.Y});
  Polyline(handle_, platformPoints.data(), Saturate(static_cast<std::int64_t>(platformPoints.size())));
  NotifyChanged();
}

void TCanvas::DrawGraphicAt(std::int32_t x, std::int32_t y, TGraphic* graphic) {
  if (graphic == nullptr || graphic->IsEmpty()) return;
  NotifyChanging();
  EnsureState(HandleReady);
  SetBkColor(handle_, ResolveColor(brush_->Color()));
  SetTextColor(handle_, ResolveColor(font_->Color()));
  const TRect rect{x, y, Saturate(std::int64_t{x} + graphic->Width()),
                   Saturate(std::int64_t{y} + graphic->Height())};
  graphic->DrawInto(*this, rect);
  NotifyChanged();
}

void TCanvas::DrawGraphicStretched(const TRect& rect, TGraphic* graphic) {
  if (graphic == nullptr) return;
  NotifyChanging();
  EnsureState(kAllCanvasState);
  graphic->DrawInto(*this, rect);
  NotifyChanged();
}

void TCanvas::WriteText(std::int32_t x, std::int32_t y, std::string_view text) {
  NotifyChanging();
  EnsureState(HandleReady | FontSelected | BrushSelected);
  std::int64_t left = x;
  if (TextOptions & ETO_RTLREADING) {
    POINT origin{};
    if (GetWindowOrgEx(handle_, &origin) && origin.x != 0) left += std::int64_t{TextWidth(text)} + 1;
  }
  ExtTextOut(handle_, Saturate(left), y, TextOptions, nullptr, text.data(),
             static_cast<UINT>(TextLength(text)), nullptr);
  MovePenTo(Saturate(left + TextWidth(text)), y);
  NotifyChanged();
}

SIZE TCanvas::MeasureText(std::string_view text) {
  EnsureState(HandleReady | FontSelected);
  SIZE size{0, 0};
  if (!GetTextExtentPoint32(handle_, text.data(), TextLength(text), &size)) size = SIZE{0, 0};
  return size;
}

TColor TCanvas::PixelColor(std::int32_t x, std::int32_t y) {
  EnsureState(HandleReady);
  return static_cast<TColor>(GetPixel(handle_, x, y));
}

void TCanvas::SetPixelColor(std::int32_t x, std::int32_t y, TColor color) {
  NotifyChanging();
  EnsureState(HandleReady | PenSelected);
  SetPixel(handle_, x, y, ResolveColor(color));
  NotifyChangedIn(Rect(x, y, Saturate(std::int64_t{x} + 1), Saturate(std::int64_t{y} + 1)));
}

TPoint TCanvas::PenPosition() {
  EnsureState(HandleReady);
  POINT position{};
  GetCurrentPositionEx(handle_, &position);
  return {position.x, position.y};
}

void TCanvas::Acquire() {
  {
    TCriticalSectionGuard count(CanvasCountLock());
    ++lockCount_;
  }
  lock_.Enter();
}

void TCanvas::Release() {
  lock_.Leave();
  TCriticalSectionGuard count(CanvasCountLock());
  --lockCount_;
}

bool TCanvas::TryAcquire() {
  TCriticalSectionGuard count(CanvasCountLock());
  if (lockCount_ != 0) return false;
  Acquire();
  return true;
}

std::int32_t TCanvas::LockCount() const {
  TCriticalSectionGuard count(CanvasCountLock());
  return lockCount_;
}

namespace {
// The canvases RefreshSystemColors holds; released on every path.
class [[nodiscard]] HeldCanvases {
 public:
  explicit HeldCanvases(std::size_t expected) { held_.reserve(expected); }
  ~HeldCanvases() {
    for (auto it = held_.rbegin(); it != held_.rend(); ++it) (*it)->Release();
  }
  HeldCanvases(const HeldCanvases&) = delete;
  HeldCanvases& operator=(const HeldCanvases&) = delete;

  void Take(TCanvas& canvas) {
    canvas.Acquire();
    held_.push_back(&canvas);  // capacity was reserved: cannot fail
  }

 private:
  std::vector<TCanvas*> held_;
};
}  // namespace

void RefreshSystemColors() {
  auto canvases = LiveCanvases().LockList();
  HeldCanvases held(canvases.Count());
  for (TCanvas* canvas : canvases) {
    held.Take(*canvas);
    canvas->ReleaseSelections();
  }
  PenCache().ForgetSystemColorHandles();
  BrushCache().ForgetSystemColorHandles();
}
