#include <gtest/gtest.h>

#include "layers/Layers.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const layers::JpegLayers started;
  return RUN_ALL_TESTS();
}
