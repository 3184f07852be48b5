// TLabel: a line of text on its parent's background.
#pragma once

#include <string>

#include "framework/Control.h"

class TLabel : public TControl {
  KIRITORI_CLASS(TLabel, TControl)

  // An empty label that follows its parent's colour and sizes itself to its
  // text (AutoSize).
  explicit TLabel(TComponent* owner);

  const std::string& Caption() const { return caption_; }
  // Shows value as plain text; with AutoSize the label then fits it.
  void SetCaption(std::string value);

 protected:
  // The size the text needs, along the axes the alignment leaves free.
  bool ProposeAutoSize(int& width, int& height) override;

 private:
  std::string caption_;
};
