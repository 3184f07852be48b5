#include "platform/Platform.h"

namespace platform {
void Startup() {}
void Shutdown() {}
}  // namespace platform
