// The main of a test binary whose tests make windows: Qt's offscreen platform
// unless the environment chose one, and an 800 × 600 screen for the windows.
#pragma once

#include <gtest/gtest.h>

#include "framework/Screen.h"
#include "layers/GuiLayers.h"

template <class Stack>
int RunOffscreenTests(int argc, char** argv) {
  layers::PreferOffscreenPlatform();
  ::testing::InitGoogleTest(&argc, argv);
  const Stack started;
  framework::SetScreenWorkAreaForTesting(Rect(0, 0, 800, 600));
  return RUN_ALL_TESTS();
}
