// The main of a test binary: GoogleTest takes its flags, then every test runs
// with the layers of `Stack` started around it (layers/Layers.h).
#pragma once

#include <gtest/gtest.h>

template <class Stack>
int RunTests(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const Stack started;
  return RUN_ALL_TESTS();
}
