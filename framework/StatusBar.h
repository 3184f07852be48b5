// The status bar: a 19-pixel strip docked at the bottom of a window. With
// SimplePanel set it shows one line of text, SimpleText.
#pragma once

#include <string>

#include "framework/Control.h"

class TStatusBar : public TWinControl {
  KIRITORI_CLASS(TStatusBar, TWinControl)

  // Aligned to the bottom, 19 pixels high, with a size grip; no panels.
  explicit TStatusBar(TComponent* owner);
  ~TStatusBar() override;

  bool SimplePanel() const { return simplePanel_; }
  // Shows SimpleText (true) or the panels, of which this bar has none (false).
  void SetSimplePanel(bool value);
  const std::string& SimpleText() const { return simpleText_; }
  // UTF-8; shown at once while SimplePanel is set, kept otherwise.
  void SetSimpleText(std::string value);
  // The text the bar shows now: SimpleText with SimplePanel set, else empty.
  std::string ShownText() const;
  // A short text in a field at the bar's right end, beside SimpleText; the
  // field is not there while the text is empty.
  const std::string& RightText() const { return rightText_; }
  void SetRightText(std::string value);

 private:
  void ShowText();

  bool simplePanel_ = false;
  std::string simpleText_;
  std::string rightText_;
};
