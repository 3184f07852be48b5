// The layers a test or benchmark main starts: lowest first when the object is
// made, shut down in reverse when it goes, after everything made later. Each
// main picks the stack its libraries hold (the framework's own tests link no
// JPEG layer, the Qt-free ones no framework).
#pragma once

#include <cstdlib>

#include "framework/Framework.h"
#include "graphics/Graphics.h"
#include "jpeg/Jpeg.h"
#include "platform/Platform.h"
#include "runtime/Runtime.h"
#include "ui/Ui.h"

namespace layers {

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

// The framework over the graphics layers, without JPEG.
class FrameworkLayers : public GraphicsLayers {
 public:
  FrameworkLayers() { framework::Startup(); }
  ~FrameworkLayers() { framework::Shutdown(); }
};

// Everything the windows use.
class UiLayers : public JpegLayers {
 public:
  UiLayers() {
    framework::Startup();
    ui::Startup();
  }
  ~UiLayers() {
    ui::Shutdown();
    framework::Shutdown();
  }
};

// Windows without a display: Qt's offscreen platform unless the environment
// chose one. Call before the framework starts.
inline void PreferOffscreenPlatform() { setenv("QT_QPA_PLATFORM", "offscreen", 0); }

}  // namespace layers
