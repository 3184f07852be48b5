#include "framework/StatusBar.h"

#include <QStatusBar>

#include "framework/detail/ControlImpl.h"

namespace {

class StatusBarImpl final : public framework::detail::ControlImpl {
 public:
  StatusBarImpl() : ControlImpl(new QStatusBar) {
    Bar()->setSizeGripEnabled(true);
    Bar()->setFocusPolicy(Qt::NoFocus);
  }
  QStatusBar* Bar() const { return static_cast<QStatusBar*>(Widget()); }
};

QStatusBar* BarOf(const TStatusBar& bar) { return static_cast<StatusBarImpl&>(bar.Impl()).Bar(); }

}  // namespace

TStatusBar::TStatusBar(TComponent* owner) : TWinControl(owner, std::make_unique<StatusBarImpl>()) {
  SetParentColor(true);
  SetBounds(0, 0, 0, 19);
  SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::SetSimplePanel(bool value) {
  if (value == simplePanel_) return;
  simplePanel_ = value;
  ShowText();
}

void TStatusBar::SetSimpleText(std::string value) {
  simpleText_ = std::move(value);
  ShowText();
}

std::string TStatusBar::ShownText() const {
  const QStatusBar* bar = BarOf(*this);
  return bar != nullptr ? bar->currentMessage().toStdString() : std::string();
}

void TStatusBar::ShowText() {
  QStatusBar* bar = BarOf(*this);
  if (bar == nullptr) return;
  if (simplePanel_ && !simpleText_.empty()) {
    bar->showMessage(QString::fromStdString(simpleText_));
  } else {
    bar->clearMessage();
  }
}
