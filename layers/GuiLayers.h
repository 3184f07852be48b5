// The layers with windows: the framework over Qt and the ui layer, started
// above the Qt-free stacks of layers/Layers.h.
#pragma once

#include <cstdlib>

#include "framework/Framework.h"
#include "layers/Layers.h"
#include "ui/Ui.h"

namespace layers {

using FrameworkLayer = Layer<framework::Startup, framework::Shutdown>;

// The framework over the graphics layers, without JPEG.
class [[nodiscard]] FrameworkLayers : public GraphicsLayers {
  FrameworkLayer framework_;
};

// Everything the windows use: the program's own stack.
class [[nodiscard]] UiLayers : public JpegLayers {
  FrameworkLayer framework_;
  Layer<ui::Startup, ui::Shutdown> ui_;
};

// Windows without a display, for tests and benchmarks: Qt's offscreen platform
// unless the environment chose one. Call before the framework starts.
inline void PreferOffscreenPlatform() { setenv("QT_QPA_PLATFORM", "offscreen", 0); }

}  // namespace layers
