// The Qt side of the framework's controls. Only the framework's own sources
// include this header; nothing above the framework sees a Qt type.
#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <exception>
#include <memory>
#include <utility>

#include "framework/Input.h"
#include "graphics/Types.h"

class QEvent;
class QKeyEvent;
class TControl;

namespace framework::detail {

// Hands the exception being handled to the application object. Never throws.
void HandleCurrentException() noexcept;

// Runs f; a failure does not travel on into Qt's event dispatch but reaches the
// application object, which reports it.
template <class F>
void Guarded(F&& f) noexcept {
  try {
    std::forward<F>(f)();
  } catch (...) {
    HandleCurrentException();
  }
}

// While a paint handler runs, failures are reported after the paint, from the
// message loop: a modal box inside a paint event would paint again.
class [[nodiscard]] PaintScope {
 public:
  PaintScope() noexcept;
  ~PaintScope();
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  static bool Active() noexcept;
};

// The colour a TColor stands for; system colours as the platform resolves them.
QColor ToQColor(TColor color);

// The virtual-key code of a Qt key event (see framework/Input.h); 0 only for an
// event that names no key.
TVirtualKey VirtualKeyOf(const QKeyEvent& event);
// The Qt key of a virtual-key code, the first the table gives for it where
// several Qt keys make the same code; 0 for a code no Qt key makes.
int QtKeyOf(TVirtualKey key);
// The shift state of a Qt keyboard modifier set and mouse button set.
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons);

// Translates the mouse events of one widget into the owning control's
// MouseDown/MouseMove/MouseUp.
class MouseBridge : public QObject {
 public:
  explicit MouseBridge(TControl& control) : control_(control) {}
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TControl& control_;
};

// The widget behind a control and where its children and its input live.
// Owns the widget; when Qt has destroyed it already (with a parent widget),
// the impl just forgets it.
class ControlImpl {
 public:
  explicit ControlImpl(QWidget* widget);
  virtual ~ControlImpl();
  ControlImpl(const ControlImpl&) = delete;
  ControlImpl& operator=(const ControlImpl&) = delete;

  // The widget that stands for the whole control; null once Qt destroyed it.
  QWidget* Widget() const { return widget_.data(); }
  // The widget whose coordinates are the control's client coordinates and in
  // which child controls sit.
  virtual QWidget* ClientWidget() const { return Widget(); }

  // Starts translating the client widget's mouse events for control.
  void BindMouse(TControl& control);

 private:
  QPointer<QWidget> widget_;
  // The widget whose mouse events mouse_ translates.
  QPointer<QWidget> input_;
  std::unique_ptr<MouseBridge> mouse_;
};

}  // namespace framework::detail
