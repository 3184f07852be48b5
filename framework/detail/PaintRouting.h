// Where a failure raised while a control paints goes: to the nearest panel,
// the control itself or one that contains it, that takes such failures, and
// otherwise to the application object once the paint is over.
#pragma once

#include <utility>

class TControl;

namespace framework::detail {

// Call from inside a catch handler while control paints. Never throws.
void HandlePaintFailure(TControl& control) noexcept;

// Runs a paint step of control; a failure goes where HandlePaintFailure sends it.
template <class F>
void GuardedPaint(TControl& control, F&& f) noexcept {
  try {
    std::forward<F>(f)();
  } catch (...) {
    HandlePaintFailure(control);
  }
}

}  // namespace framework::detail
