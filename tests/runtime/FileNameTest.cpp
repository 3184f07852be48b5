#include <gtest/gtest.h>

#include "runtime/FileName.h"

namespace {

TEST(FileName, ExtensionFollowsTheLastSlash) {
  EXPECT_EQ(ExtractFileExt("/home/u/a.JPG"), ".JPG");
  EXPECT_EQ(ExtractFileExt("/a.b/file"), "");
  EXPECT_EQ(ExtractFileExt("/x/archive.tar.gz"), ".gz");
  EXPECT_EQ(ExtractFileExt("/x/name."), ".");
  EXPECT_EQ(ExtractFileExt("/x/.hidden"), ".hidden");
  EXPECT_EQ(ExtractFileExt("plain"), "");
  EXPECT_EQ(ExtractFileExt("写真.bmp"), ".bmp");
}

TEST(FileName, NameAndFolder) {
  EXPECT_EQ(ExtractFileName("/a/b/c.jpg"), "c.jpg");
  EXPECT_EQ(ExtractFilePath("/a/b/c.jpg"), "/a/b/");
  EXPECT_EQ(ExtractFileName("c.jpg"), "c.jpg");
  EXPECT_EQ(ExtractFilePath("c.jpg"), "");
}

TEST(FileName, LowerCaseTouchesAsciiLettersOnly) {
  EXPECT_EQ(LowerCaseText("JPG.Bmp"), "jpg.bmp");
  EXPECT_EQ(LowerCaseText("ＪＰＧ画像"), "ＪＰＧ画像");
}

}  // namespace
