// Start-up and shutdown of the run-time library. It keeps no process-wide
// objects today; every layer's Startup/Shutdown pair is still called in layer
// order so that one can be added without touching the callers.
#pragma once

namespace runtime {
void Startup();
void Shutdown();
}  // namespace runtime
