// A fixture for platform tests: every kind of object must be back to the count
// it had before the test.
#pragma once

#include <gtest/gtest.h>

#include <array>

#include "platform/Objects.h"

class PlatformTest : public ::testing::Test {
 protected:
  static constexpr std::array<platform::ObjectKind, 6> kKinds = {
      platform::ObjectKind::Bitmap, platform::ObjectKind::Palette, platform::ObjectKind::Pen,
      platform::ObjectKind::Brush,  platform::ObjectKind::Font,    platform::ObjectKind::DeviceContext};

  void SetUp() override {
    for (std::size_t i = 0; i < kKinds.size(); ++i) before_[i] = platform::LiveObjectCount(kKinds[i]);
  }
  void TearDown() override {
    for (std::size_t i = 0; i < kKinds.size(); ++i)
      EXPECT_EQ(platform::LiveObjectCount(kKinds[i]), before_[i]) << "objects of kind " << static_cast<int>(kKinds[i])
                                                                   << " leaked";
  }

 private:
  std::array<std::size_t, 6> before_{};
};
