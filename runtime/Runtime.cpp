#include "runtime/Runtime.h"

namespace runtime {
void Startup() {}
void Shutdown() {}
}  // namespace runtime
