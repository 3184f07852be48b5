#include <gtest/gtest.h>

#include "framework/Screen.h"
#include "layers/GuiLayers.h"

int main(int argc, char** argv) {
  // The windows see an 800 × 600 screen.
  layers::PreferOffscreenPlatform();
  ::testing::InitGoogleTest(&argc, argv);
  const layers::UiLayers started;
  framework::SetScreenWorkAreaForTesting(Rect(0, 0, 800, 600));
  return RUN_ALL_TESTS();
}
