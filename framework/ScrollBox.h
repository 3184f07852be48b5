// The scroll box: a control that shows its children inside a scrolling area,
// with scroll bars whenever they extend past its client area.
#pragma once

#include "framework/Control.h"

// The base of controls whose client area may be larger than what they show.
class TScrollingWinControl : public TWinControl {
  KIRITORI_CLASS(TScrollingWinControl, TWinControl)

 protected:
  using TWinControl::TWinControl;
};

class TScrollBox : public TScrollingWinControl {
  KIRITORI_CLASS(TScrollBox, TScrollingWinControl)

  // A 185 × 41 box with a single border that follows its parent's colour. It
  // never takes the keyboard focus and does not scroll on arrow keys, so those
  // keys stay with the form.
  explicit TScrollBox(TComponent* owner);
  ~TScrollBox() override;

  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  // Bevels are stored for the definition's sake; like a scroll box without a
  // bevel kind, this one draws none of them.
  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut value) { bevelInner_ = value; }
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut value) { bevelOuter_ = value; }

  // The visible part of the scrolled area, inside the border and scroll bars.
  int ClientWidth() const override;
  int ClientHeight() const override;

  // The scrolled area: the extent of the visible children (at least 0 × 0),
  // in logical pixels like the box itself.
  int RangeWidth() const { return rangeWidth_; }
  int RangeHeight() const { return rangeHeight_; }
  bool HorzScrollBarShowing() const;
  bool VertScrollBarShowing() const;
  // Scroll offsets of the visible part, in pixels.
  int HorzScrollPosition() const;
  int VertScrollPosition() const;
  void SetScrollPosition(int x, int y);

 protected:
  void ChildChanged(TControl* child) override;
  void ApplyAppearance() override;

 private:
  void UpdateRange();

  TBorderStyle borderStyle_ = bsSingle;
  TBevelCut bevelInner_ = bvRaised;
  TBevelCut bevelOuter_ = bvLowered;
  int rangeWidth_ = 0;
  int rangeHeight_ = 0;
};
