#include "resources/MainIcon.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>

namespace {

TEST(MainIcon, IsThirtyTwoSquarePixelsOfSixteenColoursWithATransparentRim) {
  std::set<char> used;
  for (int y = 0; y < resources::kMainIconSize; ++y) {
    const char* row = resources::kMainIconRows[y];
    ASSERT_EQ(std::strlen(row), 32u) << "row " << y;
    for (int x = 0; x < 32; ++x) {
      const char c = row[x];
      ASSERT_TRUE(c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << x << "," << y;
      used.insert(c);
    }
  }
  EXPECT_EQ(resources::kMainIconRows[0][0], '.');
  // The landscape, the dashes and the pointer need more than a handful of colours.
  EXPECT_GE(used.size(), 6u);
  for (std::uint32_t colour : resources::kMainIconPalette) EXPECT_EQ(colour & 0xFF000000u, 0u);
}

}  // namespace
