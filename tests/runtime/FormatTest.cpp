#include <gtest/gtest.h>

#include <string>

#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/Strings.h"

namespace {

TEST(Format, PlainReferencesTakeArgumentsInOrder) {
  EXPECT_EQ(Format(strings::SelectionStatus, 10, 20, 5, 7, -5, -13), "(10,20) - (5,7) = (-5, -13)");
  EXPECT_EQ(Format(strings::JPEGError, 42), "JPEG エラー #42");
  EXPECT_EQ(Format(strings::UnknownExtension, "gif"), "拡張子 .gif の画像形式は処理できません");
  EXPECT_EQ(Format(strings::PreviewSizeLabel, 640, 480), " (640x480)");
  EXPECT_EQ(Format("100%%"), "100%");
}

TEST(Format, PositionalReferencesAndTheReferenceAfterThem) {
  EXPECT_EQ(Format(strings::FilterEntry, "", "ビットマップ", "bmp"), "ビットマップ (*.bmp)|*.bmp");
  // "%1:s" repeats the second argument; the next plain "%s" takes the third.
  EXPECT_EQ(Format(strings::FilterAllPair, "すべてのファイル", "*.jpg;*.bmp", "X|*.x"),
            "すべてのファイル (*.jpg;*.bmp)|*.jpg;*.bmp|X|*.x");
  EXPECT_EQ(Format("%1:s%0:s%s", "a", "b"), "bab");
}

TEST(Format, NumbersWidthsAndPrecision) {
  EXPECT_EQ(Format("%x", 255), "FF");
  EXPECT_EQ(Format("%x", static_cast<std::int32_t>(0x80000008u)), "80000008");
  EXPECT_EQ(Format("%.4x|%5d|%-5d|%.3d", 0xAB, 42, 42, -7), "00AB|   42|42   |-007");
  EXPECT_EQ(Format("%.2s|%4s", "abc", "z"), "ab|   z");
  EXPECT_EQ(Format("%u", -1), "4294967295");
}

TEST(Format, MismatchesRaiseFormatError) {
  EXPECT_THROW(Format("%d", "text"), EFormatError);
  EXPECT_THROW(Format("%s", 3), EFormatError);
  EXPECT_THROW(Format("%s %s", "one"), EFormatError);
  EXPECT_THROW(Format("%3:s", "a", "b"), EFormatError);
  EXPECT_THROW(Format("%q", 1), EFormatError);
  EXPECT_THROW(Format("trailing %"), EFormatError);
  EXPECT_THROW(Format("%99999d", 1), EFormatError);  // no huge padding on request
}

}  // namespace
