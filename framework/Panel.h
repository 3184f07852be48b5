// TPanel: a container control with bevels, a border and a caption centred in
// it. A panel can take the painting failures of itself and of the controls
// inside it (PaintFailed), so that one broken picture does not end up in a
// message box.
#pragma once

#include <exception>
#include <string>

#include "framework/Control.h"

class TPanel : public TWinControl {
  KIRITORI_CLASS(TPanel, TWinControl)

  // A 185 × 41 panel with a raised outer bevel and no caption.
  explicit TPanel(TComponent* owner);
  ~TPanel() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string value);

  TBevelCut BevelInner() const { return bevelInner_; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return bevelOuter_; }
  void SetBevelOuter(TBevelCut value);
  int BevelWidth() const { return bevelWidth_; }
  void SetBevelWidth(int value);
  // Space between the outer and the inner bevel; negative values become 0.
  int BorderWidth() const { return borderWidth_; }
  void SetBorderWidth(int value);
  // bsSingle draws a one-pixel frame outside the bevels.
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);

  // Kept for the window definitions; focus order is the widgets' own.
  int TabOrder() const { return tabOrder_; }
  void SetTabOrder(int value) { tabOrder_ = value; }

  // The client area is what the frame, bevels and border leave.
  int ClientWidth() const override;
  int ClientHeight() const override;

  // Called by the framework, from inside a catch handler, when painting this
  // panel or a control inside it failed. True when the panel took the failure;
  // false passes it on to the containing panels and then the application. The
  // base takes none.
  virtual bool PaintFailed(const std::exception_ptr& error);

 private:
  // The frame, bevels and border, in pixels from each edge.
  int Inset() const;
  void ApplyFrame();

  std::string caption_;
  TBevelCut bevelInner_ = bvNone;
  TBevelCut bevelOuter_ = bvRaised;
  int bevelWidth_ = 1;
  int borderWidth_ = 0;
  TBorderStyle borderStyle_ = bsNone;
  int tabOrder_ = -1;
};
