// TTimer: runs OnTimer from the message loop every Interval milliseconds
// while it is enabled.
#pragma once

#include <memory>

#include "runtime/Component.h"

namespace framework::detail {
class TimerImpl;
}  // namespace framework::detail

class TTimer : public TComponent {
  KIRITORI_CLASS(TTimer, TComponent)

  // Enabled, every 1000 ms, without a handler.
  explicit TTimer(TComponent* owner = nullptr);
  ~TTimer() override;

  // Enabling a timer (again, after disabling it) starts counting its
  // interval anew; enabling an enabled one changes nothing.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  // 0 stops the timer, whatever Enabled says.
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned value);

  // A failure in the handler is reported by the application; the timer runs on.
  TNotifyEvent OnTimer;

 private:
  void Apply();

  std::unique_ptr<framework::detail::TimerImpl> impl_;
  bool enabled_ = true;
  unsigned interval_ = 1000;
};
