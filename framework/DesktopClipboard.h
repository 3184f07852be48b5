// The clipboard back end that trades with the desktop's clipboard: what
// kiritori puts on the clipboard is offered to other programs as an image
// (image/png and image/bmp, exact pixels), and images or text other programs
// put there are offered to kiritori as CF_BITMAP or CF_TEXT. framework::Startup
// installs it and framework::Shutdown removes it.
#pragma once

#include <memory>

#include "platform/Clipboard.h"

namespace framework {
// Needs Qt's application object for as long as it is installed. The desktop
// clipboard is served from the message loop: another program reads what was
// published only while the loop runs.
std::unique_ptr<platform::ClipboardBackend> CreateDesktopClipboard();
}  // namespace framework
