// The one start-up order of the layers: runtime::Startup() first, then
// platform::Startup(), graphics::Startup() and jpeg::Startup(); the framework and
// the ui layer follow in layers/GuiLayers.h. The program, the tests, the
// benchmarks and the fuzz targets all start their layers through these stacks.
// This part needs no Qt and no framework library.
#pragma once

#include "graphics/Graphics.h"
#include "jpeg/Jpeg.h"
#include "platform/Platform.h"
#include "runtime/Runtime.h"

namespace layers {

// One started layer: Start when made, Stop when it goes. A stack holds its
// layers as members, lowest first, so they start in that order and stop in
// reverse, and a layer that fails to start stops exactly those below it.
template <void (*Start)(), void (*Stop)()>
class [[nodiscard]] Layer {
 public:
  Layer() { Start(); }
  ~Layer() { Stop(); }
  Layer(const Layer&) = delete;
  Layer& operator=(const Layer&) = delete;
};

// What bitmaps, canvases and the BMP reader need.
class [[nodiscard]] GraphicsLayers {
  Layer<runtime::Startup, runtime::Shutdown> runtime_;
  Layer<platform::Startup, platform::Shutdown> platform_;
  Layer<graphics::Startup, graphics::Shutdown> graphics_;
};

// The graphics layers and the JPEG module: what the image holder needs.
class [[nodiscard]] JpegLayers : public GraphicsLayers {
  Layer<jpeg::Startup, jpeg::Shutdown> jpeg_;
};

}  // namespace layers
