// Start-up and shutdown of the ui layer's process-wide objects (the shared
// clipboard object). Call after the framework has started; shut down before it.
#pragma once

namespace ui {
void Startup();
// Frees the shared clipboard object; the platform clipboard keeps its data.
void Shutdown();
}  // namespace ui
