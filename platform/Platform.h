// Start-up and shutdown of the platform stand-in's process-wide objects (the
// object table, stock objects, the screen, the font back end).
#pragma once

namespace platform {
void Startup();
void Shutdown();
}  // namespace platform
