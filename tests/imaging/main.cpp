#include <gtest/gtest.h>

#include "graphics/Graphics.h"
#include "jpeg/Jpeg.h"
#include "platform/Platform.h"
#include "runtime/Runtime.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  runtime::Startup();
  platform::Startup();
  graphics::Startup();
  jpeg::Startup();
  const int result = RUN_ALL_TESTS();
  jpeg::Shutdown();
  graphics::Shutdown();
  platform::Shutdown();
  runtime::Shutdown();
  return result;
}
