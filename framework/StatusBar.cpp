#include "framework/StatusBar.h"

#include <QLabel>
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
  // The right-hand field, made on first need; owned by the bar.
  QLabel* RightField() {
    if (right_ == nullptr && Bar() != nullptr) {
      right_ = new QLabel;
      Bar()->addPermanentWidget(right_);
    }
    return right_;
  }

 private:
  QLabel* right_ = nullptr;
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

void TStatusBar::SetRightText(std::string value) {
  if (value == rightText_) return;
  rightText_ = std::move(value);
  if (QLabel* field = static_cast<StatusBarImpl&>(Impl()).RightField()) {
    field->setText(QString::fromStdString(rightText_));
    field->setVisible(!rightText_.empty());
  }
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
