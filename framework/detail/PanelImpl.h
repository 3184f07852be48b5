// The Qt side of a panel: the frame widget, the inner widget that holds the
// children, and the caption drawn above them.
#pragma once

#include <QWidget>

#include "framework/detail/ControlImpl.h"

class TPanel;

namespace framework::detail {

class PanelWidget final : public QWidget {
 public:
  PanelWidget();
  TPanel* panel = nullptr;
  QWidget* inner() const { return inner_; }
  QWidget* caption() const { return caption_; }
  // Places the inner widget inset pixels inside the frame.
  void setInset(int inset);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void layOut();

  QWidget* inner_;
  QWidget* caption_;
  int inset_ = 0;
};

class PanelImpl final : public ControlImpl {
 public:
  PanelImpl() : ControlImpl(new PanelWidget) {}
  PanelWidget* Panel() const { return static_cast<PanelWidget*>(Widget()); }
  QWidget* ClientWidget() const override {
    PanelWidget* panel = Panel();
    return panel != nullptr ? panel->inner() : nullptr;
  }
};

}  // namespace framework::detail
