// The hourglass a command shows while it works.
#pragma once

#include "framework/Screen.h"

namespace app {

// Puts the default cursor back however the command ends, also when it never
// showed the hourglass (a cancelled dialog).
class [[nodiscard]] HourGlass {
 public:
  HourGlass() = default;
  ~HourGlass() {
    if (Screen != nullptr) Screen->SetCursor(crDefault);
  }
  HourGlass(const HourGlass&) = delete;
  HourGlass& operator=(const HourGlass&) = delete;

  void Show() {
    if (Screen != nullptr) Screen->SetCursor(crHourGlass);
  }
};

}  // namespace app
