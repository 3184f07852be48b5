// Tests against a real X server: the wrapper run-under-xvfb.sh starts one and
// chooses Qt's xcb platform. Without a display the run fails instead of
// passing with nothing tested.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "layers/GuiLayers.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  const char* display = std::getenv("DISPLAY");
  const char* qpa = std::getenv("QT_QPA_PLATFORM");
  if (display == nullptr || *display == '\0' || qpa == nullptr || std::strcmp(qpa, "xcb") != 0) {
    std::fputs("ui_x11_tests: needs an X display and QT_QPA_PLATFORM=xcb; run it through run-under-xvfb.sh\n", stderr);
    return 1;
  }
  const layers::UiLayers started;
  return RUN_ALL_TESTS();
}
