// TSpeedButton: a flat button that shows a glyph and runs OnClick when
// pressed and released over it. A disabled button shows its glyph greyed and
// ignores the mouse.
#pragma once

#include <memory>
#include <string>

#include "framework/Control.h"

class TBitmap;

class TSpeedButton : public TControl {
  KIRITORI_CLASS(TSpeedButton, TControl)

  // A 23 × 22 enabled button without a glyph.
  explicit TSpeedButton(TComponent* owner);
  ~TSpeedButton() override;

  // The picture on the button; its bottom-left pixel's colour is transparent.
  TBitmap& Glyph() const { return *glyph_; }
  // Copies value (sharing its pixels) and shows it. Null clears the glyph.
  void SetGlyph(TBitmap* value);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);

  // The tool tip shown over the button while the effective ShowHint is set:
  // the parent's when ParentShowHint, else ShowHint.
  const std::string& Hint() const { return hint_; }
  void SetHint(std::string value);
  bool ShowHint() const { return showHint_; }
  void SetShowHint(bool value);
  bool ParentShowHint() const { return parentShowHint_; }
  void SetParentShowHint(bool value);

  // Runs OnClick, as a press and release over the enabled button does.
  virtual void Click();
  TNotifyEvent OnClick;

 private:
  void ApplyGlyph();
  void ApplyHint();

  std::unique_ptr<TBitmap> glyph_;
  std::string hint_;
  bool enabled_ = true;
  bool showHint_ = false;
  bool parentShowHint_ = true;
};
