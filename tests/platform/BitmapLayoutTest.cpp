#include <gtest/gtest.h>

#include "platform/BitmapLayout.h"

using platform::BitmapLayout;
using platform::ComputeBitmapLayout;

TEST(BitmapLayout, RowsArePaddedToTheAlignment) {
  BitmapLayout l;
  ASSERT_TRUE(ComputeBitmapLayout(3, 2, 24, 4, l));
  EXPECT_EQ(l.stride, 12u);
  EXPECT_EQ(l.byteSize, 24u);
  ASSERT_TRUE(ComputeBitmapLayout(17, 1, 1, 4, l));
  EXPECT_EQ(l.stride, 4u);
  ASSERT_TRUE(ComputeBitmapLayout(17, 1, 1, 2, l));
  EXPECT_EQ(l.stride, 4u);
  ASSERT_TRUE(ComputeBitmapLayout(9, 1, 1, 2, l));
  EXPECT_EQ(l.stride, 2u);
  ASSERT_TRUE(ComputeBitmapLayout(5, 3, 4, 4, l));
  EXPECT_EQ(l.stride, 4u);
}

TEST(BitmapLayout, NegativeHeightMeansTopDownOfThatManyRows) {
  BitmapLayout l;
  ASSERT_TRUE(ComputeBitmapLayout(10, -7, 32, 4, l));
  EXPECT_EQ(l.height, 7);
  EXPECT_EQ(l.byteSize, 280u);
}

TEST(BitmapLayout, RefusesWhatCannotBeHonoured) {
  BitmapLayout l;
  l.stride = 99;
  EXPECT_FALSE(ComputeBitmapLayout(-1, 5, 24, 4, l));
  EXPECT_FALSE(ComputeBitmapLayout(5, 5, 7, 4, l));
  EXPECT_FALSE(ComputeBitmapLayout(platform::kMaxBitmapDimension + 1, 1, 1, 4, l));
  EXPECT_FALSE(ComputeBitmapLayout(100000, 100000, 32, 4, l));
  EXPECT_FALSE(ComputeBitmapLayout(0x7FFFFFFF, 0x7FFFFFFF, 32, 4, l));
  EXPECT_EQ(l.stride, 99u) << "a refused request leaves the output untouched";
  ASSERT_TRUE(ComputeBitmapLayout(0, 9, 24, 4, l));
  EXPECT_EQ(l.byteSize, 0u);
  // A long panorama is limited by its area, not by its length.
  ASSERT_TRUE(ComputeBitmapLayout(150000, 100, 24, 4, l));
  EXPECT_EQ(l.byteSize, 45000000u);
  EXPECT_TRUE(ComputeBitmapLayout(1, platform::kMaxBitmapDimension, 32, 4, l));
  EXPECT_FALSE(ComputeBitmapLayout(1, platform::kMaxBitmapDimension + 1, 1, 4, l));
}
