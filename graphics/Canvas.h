// TCanvas: the drawing surface over one platform device context and the pen,
// brush and font selected into it. The canvas makes nothing on the platform
// until an operation needs it, then supplies exactly the state that operation
// requires and remembers what is valid; a tool's change invalidates only that
// tool's selection.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>

#include "graphics/Brush.h"
#include "graphics/Font.h"
#include "graphics/Pen.h"
#include "graphics/Types.h"
#include "platform/Windows.h"
#include "runtime/CriticalSection.h"
#include "runtime/Persistent.h"
#include "runtime/ThreadList.h"

class TGraphic;

// What of a canvas's state is valid (a set of these bits).
enum TCanvasStateFlag : std::uint8_t {
  HandleReady = 1,
  FontSelected = 2,
  PenSelected = 4,
  BrushSelected = 8,
};
using TCanvasState = std::uint8_t;
inline constexpr TCanvasState kAllCanvasState = HandleReady | FontSelected | PenSelected | BrushSelected;

class TCanvas : public TPersistent {
  KIRITORI_CLASS(TCanvas, TPersistent)

  // A canvas with default tools and no device context, listed in LiveCanvases.
  TCanvas();
  // Unlists the canvas and detaches (never deletes) its device context.
  ~TCanvas() override;

  // Fire OnChange / OnBeforeChange with this canvas as sender, when assigned.
  // Every drawing operation runs NotifyChanging before and NotifyChanged after
  // its platform call.
  virtual void NotifyChanged();
  virtual void NotifyChanging();
  // While NotifyChanged runs for a line, a copy, a fill or a pixel: the area
  // that operation may have changed, in canvas coordinates (the pen's width
  // is one pixel). Empty for the other operations and at every other time,
  // when a listener must take the whole surface as changed.
  const std::optional<TRect>& ChangedArea() const noexcept { return changedArea_; }

 protected:
  // Supplies a device context through SetDeviceContext when an operation needs
  // one. The base supplies none, so drawing on a plain canvas fails.
  virtual void CreateDeviceContext();

 public:
  // Makes the required state valid: a device context first (raising
  // EInvalidOperation "Canvas に対する描画ができません" when none can be had),
  // then the font, the pen and the brush, in that order, for those not yet
  // selected.
  void EnsureState(TCanvasState required);
  TCanvasState State() const noexcept { return state_; }

  // Attaches dc, or detaches with null. The canvas never owns a context; the
  // pen position carries over from one context to the next.
  void SetDeviceContext(HDC dc);
  // Selects the stock pen, brush and font into the context and clears the tool
  // flags, so the tools' platform objects are selected nowhere.
  void ReleaseSelections();
  // The attached context or null; makes nothing and notifies nothing.
  HDC CurrentHandle() const noexcept { return handle_; }
  // The device context with all tools selected (NotifyChanging first). Raises
  // as EnsureState.
  HDC Handle();

  // The canvas's own tools; they live as long as the canvas.
  TFont& Font() noexcept { return *font_; }
  TPen& Pen() noexcept { return *pen_; }
  TBrush& Brush() noexcept { return *brush_; }
  // Copy the given tool's attributes into the canvas's own (CopyFrom).
  void SetFont(TFont& value) { font_->CopyFrom(&value); }
  void SetPen(TPen& value) { pen_->CopyFrom(&value); }
  void SetBrush(TBrush& value) { brush_->CopyFrom(&value); }

  // Drawing. Each raises as EnsureState when no device context can be had; the
  // platform's own result is not reported (a failed call draws nothing).
  void MovePenTo(std::int32_t x, std::int32_t y);
  // A line from the pen position, covering it, to (x, y), which it stops short
  // of and which becomes the pen position.
  void DrawLineTo(std::int32_t x, std::int32_t y);
  // Copies source's sourceRect into destRect of this canvas with CopyMode,
  // stretching when the sizes differ and mirroring for negative extents;
  // Right and Bottom are exclusive. The device context's stretch mode applies.
  void CopyArea(const TRect& destRect, TCanvas& source, const TRect& sourceRect);
  void FillArea(const TRect& rect);
  void DrawRectangle(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2);
  void DrawPolyline(std::span<const TPoint> points);
  // Draws graphic at its own size with its top-left at (x, y); nothing for a
  // null or empty graphic.
  void DrawGraphicAt(std::int32_t x, std::int32_t y, TGraphic* graphic);
  // Draws graphic scaled into rect; nothing for a null graphic.
  void DrawGraphicStretched(const TRect& rect, TGraphic* graphic);
  // Writes UTF-8 text with its top-left at (x, y) and moves the pen to its end.
  void WriteText(std::int32_t x, std::int32_t y, std::string_view text);
  // The size of text in the current font; 0 × 0 when the platform cannot tell.
  SIZE MeasureText(std::string_view text);
  std::int32_t TextWidth(std::string_view text) { return MeasureText(text).cx; }
  std::int32_t TextHeight(std::string_view text) { return MeasureText(text).cy; }
  // The pixel's colour, or CLR_INVALID (as a TColor) outside the surface.
  TColor PixelColor(std::int32_t x, std::int32_t y);
  void SetPixelColor(std::int32_t x, std::int32_t y, TColor color);
  TPoint PenPosition();
  void SetPenPosition(TPoint position) { MovePenTo(position.X, position.Y); }

  // The canvas lock, re-entrant for the holding thread. Acquire counts the
  // caller in LockCount before it waits; Release uncounts it. TryAcquire takes
  // the lock only while LockCount is 0 and answers whether it did; it never
  // waits for another holder.
  void Acquire();
  void Release();
  [[nodiscard]] bool TryAcquire();
  std::int32_t LockCount() const;
  // The lock itself; also the OwnerLock of the canvas's tools.
  TCriticalSection& CanvasLock() noexcept { return lock_; }

  // Raster operation of CopyArea (and of graphics drawn onto this canvas).
  DWORD CopyMode = SRCCOPY;
  // Flags for the platform's text output; ETO_RTLREADING selects right-to-left
  // reading.
  UINT TextOptions = 0;
  TNotifyEvent OnChange;
  TNotifyEvent OnBeforeChange;

 private:
  void FontChanged();
  void PenChanged();
  void BrushChanged();
  // NotifyChanged with ChangedArea() telling area for its duration.
  void NotifyChangedIn(const TRect& area);

  std::optional<TRect> changedArea_;
  HDC handle_ = nullptr;
  TCanvasState state_ = 0;
  // Declared before the tools, whose OwnerLock it is: it outlives them.
  TCriticalSection lock_;
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  TPoint penPosition_;
  std::int32_t lockCount_ = 0;  // guarded by CanvasCountLock
};

// Every existing canvas; exists between graphics::Startup and Shutdown.
TThreadList<TCanvas>& LiveCanvases();
// Guards every canvas's LockCount.
TCriticalSection& CanvasCountLock();

// Run when the desktop's colours change: deselects the tools of every canvas
// and drops every pen and brush object made from a system colour, so each is
// made again in the new colour on its next use. Fonts are not refreshed. On
// failure every canvas taken is released and the list unlocked before the
// failure propagates.
void RefreshSystemColors();

namespace graphics::detail {
// Called by the graphics layer's start-up and shutdown only.
void CreateCanvasGlobals();
void DestroyCanvasGlobals();
}  // namespace graphics::detail
