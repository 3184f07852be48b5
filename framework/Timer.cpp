#include "framework/Timer.h"

#include <QTimer>
#include <algorithm>
#include <limits>

#include "framework/detail/ControlImpl.h"

namespace framework::detail {

class TimerImpl {
 public:
  QTimer timer;
};

}  // namespace framework::detail

TTimer::TTimer(TComponent* owner) : TComponent(owner), impl_(std::make_unique<framework::detail::TimerImpl>()) {
  QObject::connect(&impl_->timer, &QTimer::timeout, &impl_->timer, [this] {
    framework::detail::Guarded([this] {
      if (OnTimer) OnTimer(this);
    });
  });
  Apply();
}

TTimer::~TTimer() { impl_->timer.stop(); }

void TTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Apply();
}

void TTimer::SetInterval(unsigned value) {
  if (value == interval_) return;
  interval_ = value;
  Apply();
}

void TTimer::Apply() {
  QTimer& timer = impl_->timer;
  if (!enabled_ || interval_ == 0) {
    timer.stop();
    return;
  }
  timer.start(static_cast<int>(std::min<unsigned>(interval_, std::numeric_limits<int>::max())));
}
