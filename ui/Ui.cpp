#include "ui/Ui.h"

#include "ui/Clipboard.h"

namespace ui {

// The clipboard object is made on first use, so there is nothing to start.
void Startup() {}

void Shutdown() { detail::DestroySharedClipboard(); }

}  // namespace ui
