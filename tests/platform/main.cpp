#include <gtest/gtest.h>

#include "platform/Platform.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  platform::Startup();
  const int result = RUN_ALL_TESTS();
  platform::Shutdown();
  return result;
}
