// Cut, Save and To clipboard: the piece the selection marks, taken from the
// holder's picture, never from the view with its outline.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <iterator>

#include "framework/Screen.h"
#include "tests/app/AppSupport.h"
#include "ui/Clipboard.h"

namespace {

using apptest::PatternColor;
using apptest::Pixel;
using framework::testing::MoveMouse;
using framework::testing::PressMouse;
using framework::testing::ReleaseMouse;

struct Scene : apptest::Windows {
  apptest::TempDir dir;
  Scene() {
    const std::string path = dir / "photo.bmp";
    apptest::WritePatternBmp(path, 200, 100);
    apptest::OpenThroughDialog(path);
  }
  void Drag(int x0, int y0, int x1, int y1) {
    PressMouse(*mainForm->Image, mbLeft, {}, x0, y0);
    MoveMouse(*mainForm->Image, {}, x1, y1);
    ReleaseMouse(*mainForm->Image, mbLeft, {}, x1, y1);
  }
  TBitmap& Piece() { return dispForm->pieceView->Picture().AsBitmap(); }
  void Save(const std::string& name) {
    framework::testing::RunLater([name] { framework::testing::AcceptFileDialog(name); });
    dispForm->FileMenuSaveClick(nullptr);
  }
};

// The piece holds columns left.. and rows top.. of the pattern, w × h.
void ExpectPiece(TBitmap& piece, int left, int top, int width, int height) {
  ASSERT_EQ(piece.Width(), width);
  ASSERT_EQ(piece.Height(), height);
  for (int y = 0; y < height; y += 7)
    for (int x = 0; x < width; x += 9)
      ASSERT_EQ(Pixel(piece, x, y), PatternColor(left + x, top + y)) << x << "," << y;
  EXPECT_EQ(Pixel(piece, width - 1, height - 1), PatternColor(left + width - 1, top + height - 1));
}

TEST(Cut, ShowsTheOrderedPieceWithoutTheOutlineWhicheverWayItWasDragged) {
  Scene s;
  s.Drag(110, 70, 10, 20);
  mainForm->toolMenuCutClick(nullptr);
  ASSERT_NE(dispForm->pieceView, nullptr);
  EXPECT_TRUE(dispForm->Visible());
  ExpectPiece(s.Piece(), 10, 20, 100, 50);
  EXPECT_EQ(dispForm->ClientWidth(), 100);
  EXPECT_EQ(dispForm->ClientHeight(), 50);
  EXPECT_EQ(mainForm->selection, Rect(110, 70, 10, 20));

  // A second Cut replaces the piece; closing hides and Cut shows again.
  s.Drag(10, 20, 150, 90);
  mainForm->toolMenuCutClick(nullptr);
  ExpectPiece(s.Piece(), 10, 20, 140, 70);
  EXPECT_EQ(dispForm->ScrollBox->ControlCount(), 1);
  EXPECT_EQ(dispForm->ClientWidth(), 140);
  dispForm->FileMenuCloseClick(nullptr);
  EXPECT_FALSE(dispForm->Visible());
  mainForm->toolMenuCutClick(nullptr);
  EXPECT_TRUE(dispForm->Visible());
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST(Cut, PixelsBeyondThePictureAreWhite) {
  Scene s;
  s.Drag(180, 90, 220, 110);
  mainForm->toolMenuCutClick(nullptr);
  TBitmap& piece = s.Piece();
  ASSERT_EQ(piece.Width(), 40);
  EXPECT_EQ(Pixel(piece, 0, 0), PatternColor(180, 90));
  EXPECT_EQ(Pixel(piece, 19, 9), PatternColor(199, 99));
  EXPECT_EQ(Pixel(piece, 20, 5), clWhite);
  EXPECT_EQ(Pixel(piece, 5, 10), clWhite);
  EXPECT_EQ(Pixel(piece, 39, 19), clWhite);
}

TEST(Save, WritesTheFormatTheNameAsksForAndNothingElse) {
  Scene s;
  s.Drag(10, 20, 110, 70);
  mainForm->toolMenuCutClick(nullptr);
  BoxCatcher catcher;

  s.Save(s.dir / "name.bmp");
  TBitmap bmp;
  bmp.LoadFile(s.dir / "name.bmp");
  EXPECT_EQ(bmp.BitDepth(), bd24Bit);
  ExpectPiece(bmp, 10, 20, 100, 50);

  s.Save(s.dir / "name.JPG");
  TJPEGImage jpeg;
  jpeg.LoadFile(s.dir / "name.JPG");
  EXPECT_EQ(jpeg.Width(), 100);
  EXPECT_EQ(jpeg.Height(), 50);

  // A typed name without extension gets the dialog's ".jpg".
  s.Save(s.dir / "plain");
  EXPECT_TRUE(std::filesystem::exists(s.dir / "plain.jpg"));
  EXPECT_TRUE(catcher.boxes.empty());
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST(Save, AFailureSaysSoInABoxAndWritesNothing) {
  Scene s;
  s.Drag(10, 20, 110, 70);
  mainForm->toolMenuCutClick(nullptr);
  const std::string locked = s.dir / "locked";
  std::filesystem::create_directories(locked);
  apptest::WritePatternBmp(locked + "/old.bmp", 3, 2);
  ::chmod(locked.c_str(), 0555);
  BoxCatcher catcher;
  const struct {
    std::string name;
    std::string text;  // the whole text, or its start
  } rows[] = {
      {s.dir / "name.png", "JPEG (.jpg, .jpeg) か BMP (.bmp) の名前を付けてください"},
      {locked + "/new.jpg", "「new.jpg」に保存できませんでした（ファイル " + locked + "/new.jpg を作成できません: "},
      {locked + "/old.bmp", "「old.bmp」に保存できませんでした（ファイル " + locked + "/old.bmp を作成できません: "},
  };
  for (const auto& row : rows) {
    catcher.boxes.clear();
    s.Save(row.name);
    ASSERT_EQ(catcher.boxes.size(), 1u) << row.name;
    EXPECT_EQ(catcher.boxes[0].text.rfind(row.text, 0), 0u) << catcher.boxes[0].text;
    EXPECT_EQ(catcher.boxes[0].caption, "切り取り結果");
    EXPECT_EQ(catcher.boxes[0].flags, framework::MB_OK | framework::MB_ICONERROR);
    EXPECT_EQ(Screen->Cursor(), crDefault);
  }
  ::chmod(locked.c_str(), 0755);
  EXPECT_FALSE(std::filesystem::exists(s.dir / "name.png"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(locked), std::filesystem::directory_iterator()), 1);
  TBitmap old;
  old.LoadFile(locked + "/old.bmp");
  EXPECT_EQ(old.Width(), 3);
}

TEST(Save, AnEmptyPieceWritesNothingAndSaysSo) {
  Scene s;
  s.Drag(30, 20, 30, 70);
  mainForm->toolMenuCutClick(nullptr);
  ASSERT_NE(dispForm->pieceView, nullptr);
  EXPECT_EQ(dispForm->pieceView->Width(), 0);
  BoxCatcher catcher;
  s.Save(s.dir / "empty.bmp");
  EXPECT_FALSE(std::filesystem::exists(s.dir / "empty.bmp"));
  ASSERT_EQ(catcher.boxes.size(), 1u);
  EXPECT_EQ(catcher.boxes[0].text, "「empty.bmp」に保存できませんでした（ビットマップイメージが不正です）");
}

TEST(ToClipboard, RightAfterOpeningCopiesTheWholePictureAndSelectsIt) {
  Scene s;
  mainForm->toolMenuClipbdClick(nullptr);
  EXPECT_EQ(mainForm->selection, Rect(0, 0, 200, 100));
  TBitmap pasted;
  SharedClipboard()->CopyTo(&pasted);
  ExpectPiece(pasted, 0, 0, 200, 100);
  mainForm->toolMenuCutClick(nullptr);
  ExpectPiece(s.Piece(), 0, 0, 200, 100);
}

TEST(ToClipboard, TheWholePictureSelectionLeavesNoOutlineBehindOnTheNextDrag) {
  Scene s;
  // A key draws the outline of the point selection, which covers nothing.
  framework::testing::PressKey(*mainForm->Image, VK_SPACE, {});
  mainForm->toolMenuClipbdClick(nullptr);
  framework::testing::PressKey(*mainForm->Image, VK_SPACE, {});
  s.Drag(10, 20, 110, 70);
  TBitmap& view = mainForm->Image->Picture().AsBitmap();
  EXPECT_EQ(Pixel(view, 0, 5), PatternColor(0, 5));
  EXPECT_EQ(Pixel(view, 5, 0), PatternColor(5, 0));
  EXPECT_EQ(Pixel(view, 10, 30), PatternColor(10, 30) ^ 0x00FFFFFF);
}

TEST(ToClipboard, CopiesExactlyThePieceWithoutTheOutline) {
  Scene s;
  s.Drag(110, 70, 10, 20);
  mainForm->toolMenuClipbdClick(nullptr);
  TBitmap pasted;
  SharedClipboard()->CopyTo(&pasted);
  ExpectPiece(pasted, 10, 20, 100, 50);
  EXPECT_EQ(mainForm->selection, Rect(110, 70, 10, 20));
}

}  // namespace
