// Start-up and shutdown of the run-time library's process-wide objects.
#pragma once

namespace runtime {
void Startup();
void Shutdown();
}  // namespace runtime
