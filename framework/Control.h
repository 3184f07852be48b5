// Controls: the visible components of a window. A TControl has bounds in its
// parent's client coordinates, a visibility, an alignment, a colour and the
// mouse events; a TWinControl also holds child controls and lays out the
// aligned ones. Each control is backed by a widget of the framework's own that
// no header outside the framework sees.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/Input.h"
#include "framework/PixelMapping.h"
#include "graphics/Types.h"
#include "runtime/Component.h"

namespace framework::detail {
class ControlImpl;
}  // namespace framework::detail

class TWinControl;

// Where a control docks inside its parent's client area.
enum TAlign : std::uint8_t { alNone, alTop, alBottom, alLeft, alRight, alClient };

enum TBorderStyle : std::uint8_t { bsNone, bsSingle };

enum TBevelCut : std::uint8_t { bvNone, bvLowered, bvRaised, bvSpace };

// The font a window and its controls show text in. Height < 0 is the character
// height in pixels, as in a LOGFONT.
struct TControlFont {
  std::string Name;
  std::int32_t Height = -12;
  TColor Color = clWindowText;
  std::uint8_t Charset = 1;  // DEFAULT_CHARSET
  std::uint8_t Style = 0;    // fsBold 1, fsItalic 2, fsUnderline 4, fsStrikeOut 8
  friend bool operator==(const TControlFont&, const TControlFont&) = default;
};

class TControl : public TComponent {
  KIRITORI_CLASS(TControl, TComponent)

  // Leaves its parent and destroys its widget.
  ~TControl() override;

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
  void SetTop(int value) { SetBounds(left_, value, width_, height_); }
  void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
  void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
  // Moves and sizes the control in one step, in the parent's client coordinates.
  // Negative sizes become 0. The parent realigns its aligned children.
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Rect(left_, top_, left_ + width_, top_ + height_); }

  // How the control's own pixels (its bounds, client coordinates, painting
  // and mouse positions) map onto the logical pixels its parent lays out in.
  // Controls count logical pixels themselves (scale 1); graphic controls
  // count device pixels.
  virtual framework::PixelMapping Pixels() const { return {}; }
  // The control's place in its parent's logical pixels: the smallest
  // rectangle that covers it. Its client area starts at that rectangle's
  // corner, so a control that counts device pixels sits where its Left and
  // Top are whole logical pixels (aligned controls always do).
  TRect BoundsInParent() const { return Pixels().LogicalCover(BoundsRect()); }

  // The size of the area inside the control that children and painting use.
  virtual int ClientWidth() const { return width_; }
  virtual int ClientHeight() const { return height_; }
  // Where the client area's top-left corner is on the screen, in logical
  // pixels; (0, 0) for a control without a widget.
  TPoint ScreenOrigin() const;

  // The control that shows this one, or null. Setting a parent shows the
  // control inside it (when Visible); null takes it off the screen.
  TWinControl* Parent() const { return parent_; }
  void SetParent(TWinControl* parent);

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // True when this control and every parent up to a top-level window are
  // visible and that window is shown.
  bool Showing() const;

  TAlign Align() const { return align_; }
  void SetAlign(TAlign value);

  // With AutoSize set the control takes the size ProposeAutoSize proposes,
  // now and whenever AdjustSize is called.
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  // Asks ProposeAutoSize for a size and takes it when AutoSize is set and the
  // proposal is accepted; nothing while the control is being loaded.
  void AdjustSize();

  // Background colour; ParentColor makes the control follow its parent's
  // colour, and setting Color clears it.
  TColor Color() const;
  void SetColor(TColor value);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool value);

  const TControlFont& Font() const { return font_; }
  // Takes effect for this control and the controls inside it.
  void SetFont(const TControlFont& font);

  // Marks the whole control for repainting later.
  void Invalidate();
  // Marks area (client coordinates, Right and Bottom exclusive) for
  // repainting later; nothing for an empty area or one outside the control.
  void InvalidateArea(const TRect& area);
  // Paints what is marked now.
  void Update();
  void Repaint() { Invalidate(); Update(); }

  // Mouse events with X, Y in this control's client coordinates. While a button
  // is held, the control keeps receiving the pointer's moves outside it.
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  // A double click: OnDblClick fires first, then OnMouseDown with ssDouble.
  TNotifyEvent OnDblClick;
  TMouseWheelEvent OnMouseWheel;

  // The framework's side of the control; used by the framework only.
  framework::detail::ControlImpl& Impl() const { return *impl_; }

  // Called by the framework for the events it translates; they fire the
  // handlers above.
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void DblClick();
  // True when the turn was handled.
  virtual bool MouseWheel(TShiftState shift, int wheelDelta, int x, int y);

 protected:
  // The framework's control classes make the widget side (impl) themselves.
  TControl(TComponent* owner, std::unique_ptr<framework::detail::ControlImpl> impl);

  // Proposes a new size for AutoSize by changing width and height; true when
  // the control agrees to be resized. The base keeps its size (false).
  virtual bool ProposeAutoSize(int& width, int& height);

  // Pushes the stored bounds to the widget; forms override it for their frame.
  virtual void ApplyBounds();
  // Stores new bounds without telling anybody; used by alignment.
  void StoreBounds(int left, int top, int width, int height);
  // The same, from a place in the parent's logical pixels.
  void StoreBoundsInParent(const TRect& logical);
  // The control's pixels map onto its parent's anew (another screen, another
  // scale): it takes the place that now covers its bounds.
  void PlaceAgain();
  // Colour (after ParentColor) or font changed: refresh the widget and children.
  virtual void ApplyAppearance();

 private:
  friend class TWinControl;

  std::unique_ptr<framework::detail::ControlImpl> impl_;
  TWinControl* parent_ = nullptr;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  bool visible_ = true;
  TAlign align_ = alNone;
  bool autoSize_ = false;
  TColor color_ = clBtnFace;
  bool parentColor_ = false;
  TControlFont font_;
};

class TWinControl : public TControl {
  KIRITORI_CLASS(TWinControl, TControl)

  // Takes its children off the screen first; they stay alive until their
  // owner destroys them.
  ~TWinControl() override;

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  // The child at index in the order the children were parented; null out of range.
  TControl* Controls(int index) const;

  // Lays out the aligned children inside the client area, in the order top,
  // bottom, left, right, client; each keeps its own height (top, bottom) or
  // width (left, right).
  void Realign();

 protected:
  TWinControl(TComponent* owner, std::unique_ptr<framework::detail::ControlImpl> impl);

  // A child's bounds or visibility changed.
  virtual void ChildChanged(TControl* child);
  void ApplyAppearance() override;

 private:
  friend class TControl;

  void InsertControl(TControl* control);
  void RemoveControl(TControl* control) noexcept;

  // Children, not owned (their owner destroys them).
  std::vector<TControl*> controls_;
  bool aligning_ = false;
};
