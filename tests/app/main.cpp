#include <gtest/gtest.h>

#include <cstdlib>

#include "framework/Framework.h"
#include "framework/Screen.h"
#include "graphics/Graphics.h"
#include "jpeg/Jpeg.h"
#include "platform/Platform.h"
#include "runtime/Runtime.h"
#include "ui/Ui.h"

int main(int argc, char** argv) {
  // Windows without a display: Qt's offscreen platform; the windows see an
  // 800 × 600 screen.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ::testing::InitGoogleTest(&argc, argv);
  runtime::Startup();
  platform::Startup();
  graphics::Startup();
  jpeg::Startup();
  framework::Startup();
  ui::Startup();
  framework::SetScreenWorkAreaForTesting(Rect(0, 0, 800, 600));
  const int result = RUN_ALL_TESTS();
  ui::Shutdown();
  framework::Shutdown();
  jpeg::Shutdown();
  graphics::Shutdown();
  platform::Shutdown();
  runtime::Shutdown();
  return result;
}
