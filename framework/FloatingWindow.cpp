#include "framework/FloatingWindow.h"

#include <QWidget>

#include "framework/detail/ControlImpl.h"

namespace {

QWidget* MakeWindow() {
  // A tool tip's window: the window manager neither frames, places nor
  // focuses it, and without a window manager it shows the same.
  auto* window = new QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                                          Qt::WindowTransparentForInput);
  window->setAttribute(Qt::WA_ShowWithoutActivating);
  window->setAttribute(Qt::WA_TransparentForMouseEvents);
  window->setFocusPolicy(Qt::NoFocus);
  return window;
}

}  // namespace

TFloatingWindow::TFloatingWindow(TComponent* owner)
    : TWinControl(owner, std::make_unique<framework::detail::ControlImpl>(MakeWindow())) {
  TControl::SetVisible(false);
  SetBounds(0, 0, 100, 100);
  SetColor(clInfoBk);
}

TFloatingWindow::~TFloatingWindow() {
  if (QWidget* window = Impl().Widget()) window->hide();
}

void TFloatingWindow::SetVisible(bool value) {
  TWinControl::SetVisible(value);
  QWidget* window = Impl().Widget();
  if (window == nullptr || window->isVisible() == value) return;
  window->setVisible(value);
  if (value) window->raise();
}
