// Start-up and shutdown of the graphics layer's process-wide objects (tool
// caches, the live-canvas list, bitmap-canvas list, image lock, system palette,
// format registries).
#pragma once

namespace graphics {
void Startup();
void Shutdown();
}  // namespace graphics
