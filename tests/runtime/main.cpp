#include <gtest/gtest.h>

#include "runtime/Runtime.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  runtime::Startup();
  const int result = RUN_ALL_TESTS();
  runtime::Shutdown();
  return result;
}
