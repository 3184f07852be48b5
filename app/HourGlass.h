// The hourglass a command shows while it works.
#pragma once

#include "framework/Screen.h"

namespace app {

// Puts the default cursor back however the command ends, also when it never
// showed the hourglass (a cancelled dialog).
class [[nodiscard]] HourGlass {
 public:
  HourGlass() = default;
  ~HourGlass() { Hide(); }
  HourGlass(const HourGlass&) = delete;
  HourGlass& operator=(const HourGlass&) = delete;

  void Show() {
    if (Screen != nullptr) Screen->SetCursor(crHourGlass);
  }
  // The work is done, but the command goes on (to report on it).
  void Hide() {
    if (Screen != nullptr) Screen->SetCursor(crDefault);
  }
};

}  // namespace app
