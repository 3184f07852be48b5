// The layers a benchmark measures: started lowest first when the object is
// made, shut down in reverse when it goes, after everything made later.
#pragma once

#include <cstdlib>

#include "framework/Framework.h"
#include "framework/Screen.h"
#include "graphics/Graphics.h"
#include "jpeg/Jpeg.h"
#include "platform/Platform.h"
#include "runtime/Runtime.h"

namespace bench {

class GraphicsLayers {
 public:
  GraphicsLayers() {
    runtime::Startup();
    platform::Startup();
    graphics::Startup();
  }
  ~GraphicsLayers() {
    graphics::Shutdown();
    platform::Shutdown();
    runtime::Shutdown();
  }
  GraphicsLayers(const GraphicsLayers&) = delete;
  GraphicsLayers& operator=(const GraphicsLayers&) = delete;
};

class JpegLayers : public GraphicsLayers {
 public:
  JpegLayers() { jpeg::Startup(); }
  ~JpegLayers() { jpeg::Shutdown(); }
};

// The windows on Qt's offscreen platform, with a screen of width x height.
class WindowLayers : public JpegLayers {
 public:
  WindowLayers(int width, int height) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    framework::Startup();
    framework::SetScreenWorkAreaForTesting(Rect(0, 0, width, height));
  }
  ~WindowLayers() { framework::Shutdown(); }
};

}  // namespace bench
