// TFloatingWindow: a small borderless window that floats above the program's
// windows at a place of the screen, for something shown beside the user's
// work, such as a loupe. It never takes the focus nor the mouse: keys,
// clicks and a drag in progress stay with the window they were in.
#pragma once

#include "framework/Control.h"

class TFloatingWindow : public TWinControl {
  KIRITORI_CLASS(TFloatingWindow, TWinControl)

  // A hidden 100 × 100 window at the screen's origin, in the info colour.
  explicit TFloatingWindow(TComponent* owner);
  ~TFloatingWindow() override;

  // Left, Top, Width and Height are the window's place on the screen, in
  // logical pixels; the window has no frame, so all of it is client area.
  // Showing it puts it above the other windows, without activating it.
  void SetVisible(bool value) override;
};
