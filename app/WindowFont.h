// The font both windows share.
#pragma once

#include "framework/Control.h"

namespace app {
// "ＭＳ Ｐゴシック" with 12-pixel characters, in the window-text colour.
TControlFont WindowFont();
}  // namespace app
