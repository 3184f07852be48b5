// The main window as a user meets it: Open through the dialog, the selection
// drawn with the mouse and nudged with the keys.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "framework/Screen.h"
#include "tests/app/AppSupport.h"

namespace {

using apptest::OpenThroughDialog;
using apptest::PatternColor;
using apptest::Pixel;
using framework::testing::MoveMouse;
using framework::testing::PixelAt;
using framework::testing::ProcessEvents;
using framework::testing::PressKey;
using framework::testing::PressMouse;
using framework::testing::ReleaseMouse;

constexpr TColor kInverted = 0x00FFFFFF;

struct Opened : apptest::Windows {
  apptest::TempDir dir;
  std::string path = dir / "photo.bmp";
  explicit Opened(int width = 200, int height = 100) {
    apptest::WritePatternBmp(path, width, height);
    OpenThroughDialog(path);
  }
  TBitmap& View() { return mainForm->Image->Picture().AsBitmap(); }
  TBitmap& Holder() { return *mainForm->currentImage->bitmap; }
  std::string Status() const { return mainForm->SB->SimpleText(); }
  void Drag(int x0, int y0, int x1, int y1, TMouseButton button = mbLeft) {
    PressMouse(*mainForm->Image, button, {}, x0, y0);
    MoveMouse(*mainForm->Image, {}, x1, y1);
    ReleaseMouse(*mainForm->Image, button, {}, x1, y1);
  }
  void Key(TVirtualKey key, TShiftState shift = {}) { PressKey(*mainForm->Image, key, shift); }
  bool Inverted(int x, int y) { return Pixel(View(), x, y) == (PatternColor(x, y) ^ kInverted); }
  bool Clean(int x, int y) { return Pixel(View(), x, y) == PatternColor(x, y); }
};

TEST(Open, ShowsThePictureAtFullSizeAndFitsTheWindowToIt) {
  apptest::Windows w;
  apptest::TempDir dir;
  const std::string path = dir / "Photo.JPG";
  apptest::WritePatternJpeg(path, 640, 480);
  OpenThroughDialog(path);
  ASSERT_NE(mainForm->currentImage, nullptr);
  EXPECT_EQ(mainForm->ClientWidth(), 640);
  EXPECT_EQ(mainForm->ClientHeight(), 499);
  EXPECT_EQ(mainForm->SB->SimpleText(), "Photo.JPG");
  EXPECT_EQ(mainForm->Image->BoundsRect(), Rect(0, 0, 640, 480));
  EXPECT_EQ(mainForm->currentImage->bitmap->BitDepth(), bd24Bit);
  // The view shows the holder's pixels one to one.
  TBitmap& holder = *mainForm->currentImage->bitmap;
  EXPECT_EQ(PixelAt(*mainForm->Image, 7, 5), Pixel(holder, 7, 5));
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST(Open, AFailedLoadKeepsThePictureAndSaysWhyACancelledOneKeepsEverything) {
  Opened s;
  const TRect size = Rect(0, 0, mainForm->ClientWidth(), mainForm->ClientHeight());
  Cimg* first = mainForm->currentImage.get();

  apptest::CancelOpen();
  EXPECT_EQ(mainForm->currentImage.get(), first);
  EXPECT_EQ(s.Status(), "photo.bmp");

  const struct {
    const char* name;
    const char* content;
    const char* status;
  } rows[] = {
      {"x.png", "not a picture", "「x.png」を開けませんでした（拡張子 .png の画像形式は処理できません）"},
      {"text.jpg", "not a picture", "「text.jpg」を開けませんでした（JPEG エラー #53）"},
      {"empty.bmp", "", "「empty.bmp」を開けませんでした（ビットマップイメージが不正です）"},
  };
  for (const auto& row : rows) {
    std::ofstream(s.dir / row.name) << row.content;
    OpenThroughDialog(s.dir / row.name);
    EXPECT_EQ(mainForm->currentImage.get(), first) << row.name;
    EXPECT_EQ(s.Status(), row.status);
    EXPECT_EQ(Rect(0, 0, mainForm->ClientWidth(), mainForm->ClientHeight()), size) << row.name;
    EXPECT_EQ(s.View().Width(), 200) << row.name;
    EXPECT_TRUE(s.Clean(3, 4)) << row.name;
    EXPECT_EQ(Screen->Cursor(), crDefault) << row.name;
  }
  // Cut works on the picture shown; the next key puts the selection back in
  // the status bar.
  s.Drag(10, 20, 50, 40);
  apptest::OpenThroughDialog(s.dir / "x.png");
  mainForm->toolMenuCutClick(nullptr);
  ASSERT_NE(dispForm->pieceView, nullptr);
  EXPECT_EQ(Pixel(dispForm->pieceView->Picture().AsBitmap(), 0, 0), PatternColor(10, 20));
  s.Key(VK_OEM_PERIOD);
  EXPECT_EQ(s.Status(), "(10,20) - (50,40) = (40, 20)");
}

TEST(Open, AFailureBeforeAnyPictureLeavesNoHolder) {
  apptest::Windows w;
  apptest::TempDir dir;
  std::ofstream(dir / "text.bmp") << "not a picture";
  OpenThroughDialog(dir / "text.bmp");
  EXPECT_EQ(mainForm->currentImage, nullptr);
  PressKey(*mainForm->Image, VK_LEFT, {});
  EXPECT_EQ(mainForm->SB->SimpleText().rfind("「text.bmp」を開けませんでした（", 0), 0u);
}

TEST(Selection, ADragDrawsTheOutlineThroughItsEdgesAndNamesItInTheStatusBar) {
  Opened s;
  s.Drag(10, 20, 110, 70);
  EXPECT_EQ(s.Status(), "(10,20) - (110,70) = (100, 50)");
  EXPECT_EQ(mainForm->selection, Rect(10, 20, 110, 70));
  // Columns 10 and 110, rows 20 and 70, every pixel inverted once.
  for (int x = 10; x <= 110; x += 25) {
    EXPECT_TRUE(s.Inverted(x, 20)) << x;
    EXPECT_TRUE(s.Inverted(x, 70)) << x;
  }
  EXPECT_TRUE(s.Inverted(110, 70));
  for (int y = 21; y < 70; y += 12) {
    EXPECT_TRUE(s.Inverted(10, y)) << y;
    EXPECT_TRUE(s.Inverted(110, y)) << y;
    EXPECT_TRUE(s.Clean(11, y)) << y;
    EXPECT_TRUE(s.Clean(111, y)) << y;
  }
  EXPECT_TRUE(s.Clean(60, 45));
  EXPECT_TRUE(s.Clean(9, 20));
  // What the screen shows is the view's bitmap.
  EXPECT_EQ(PixelAt(*mainForm->Image, 10, 45), PatternColor(10, 45) ^ kInverted);
  // The holder never carries the outline.
  EXPECT_EQ(Pixel(s.Holder(), 10, 20), PatternColor(10, 20));
  EXPECT_EQ(Pixel(s.Holder(), 110, 45), PatternColor(110, 45));
}

TEST(Selection, KeysMoveTheRectangleOrOneOfItsEdges) {
  Opened s;
  s.Drag(110, 70, 10, 20);
  EXPECT_EQ(s.Status(), "(110,70) - (10,20) = (-100, -50)");
  s.Key(VK_LEFT, ssShift);
  EXPECT_EQ(s.Status(), "(109,70) - (10,20) = (-99, -50)");
  s.Key(VK_RIGHT, ssShift);
  s.Key(VK_LEFT, ssCtrl);
  EXPECT_EQ(s.Status(), "(110,70) - (9,20) = (-101, -50)");
  s.Key(VK_RIGHT, ssCtrl);
  s.Key(VK_LEFT);
  EXPECT_EQ(s.Status(), "(109,70) - (9,20) = (-100, -50)");
  s.Key(VK_DOWN);
  s.Key(VK_UP, ssShift);
  s.Key(VK_DOWN, ssCtrl);
  EXPECT_EQ(s.Status(), "(109,70) - (9,22) = (-100, -48)");
  s.Key(VK_UP, ssShift | ssCtrl);
  s.Key(VK_SPACE, ssAlt);
  EXPECT_EQ(mainForm->selection, Rect(109, 70, 9, 22));
  EXPECT_EQ(s.Status(), "(109,70) - (9,22) = (-100, -48)");
  // Only the last outline is on the view: the earlier ones were erased.
  EXPECT_TRUE(s.Inverted(9, 40));
  EXPECT_TRUE(s.Inverted(109, 40));
  EXPECT_TRUE(s.Clean(10, 40));
  EXPECT_TRUE(s.Clean(110, 40));
  EXPECT_TRUE(s.Clean(50, 20));
  EXPECT_TRUE(s.Inverted(50, 22));
}

TEST(Selection, APressWithoutMoveErasesTheOutlineAndAnyButtonDrags) {
  Opened s;
  s.Drag(10, 20, 110, 70);
  PressMouse(*mainForm->Image, mbLeft, {}, 50, 60);
  ReleaseMouse(*mainForm->Image, mbLeft, {}, 50, 60);
  // The status shows the rectangle just erased; Right and Bottom stay.
  EXPECT_EQ(s.Status(), "(10,20) - (110,70) = (100, 50)");
  EXPECT_EQ(mainForm->selection, Rect(50, 60, 110, 70));
  EXPECT_TRUE(s.Clean(10, 40));
  EXPECT_FALSE(mainForm->outlineShown);

  s.Drag(30, 30, 40, 35, mbRight);
  EXPECT_EQ(s.Status(), "(30,30) - (40,35) = (10, 5)");
  EXPECT_FALSE(mainForm->dragging);
  // Dragging past the view's edge keeps the coordinates as given.
  PressMouse(*mainForm->Image, mbLeft, {}, 5, 5);
  MoveMouse(*mainForm->Image, {}, -30, 400);
  ReleaseMouse(*mainForm->Image, mbLeft, {}, -30, 400);
  EXPECT_EQ(s.Status(), "(5,5) - (-30,400) = (-35, 395)");
}

TEST(Selection, ASecondPictureShowsNoOutlineAndKeepsTheRectangle) {
  Opened s;
  s.Drag(10, 20, 110, 70);
  const std::string second = s.dir / "second.bmp";
  apptest::WritePatternBmp(second, 150, 90);
  OpenThroughDialog(second);
  EXPECT_EQ(s.Status(), "second.bmp");
  EXPECT_EQ(mainForm->selection, Rect(10, 20, 110, 70));
  EXPECT_FALSE(mainForm->outlineShown);
  EXPECT_TRUE(s.Clean(10, 40));
  // The next key draws the kept rectangle once, not erasing a ghost first.
  s.Key(VK_RIGHT);
  EXPECT_TRUE(s.Inverted(11, 40));
  EXPECT_TRUE(s.Clean(10, 40));
}

TEST(Selection, WithoutAPictureMouseAndKeysChangeNothing) {
  apptest::Windows w;
  PressMouse(*mainForm->Image, mbLeft, {}, 5, 5);
  MoveMouse(*mainForm->Image, {}, 20, 20);
  PressKey(*mainForm->Image, VK_LEFT, {});
  EXPECT_EQ(mainForm->selection, TRect{});
  EXPECT_FALSE(mainForm->dragging);
  EXPECT_FALSE(mainForm->outlineShown);
  EXPECT_EQ(mainForm->SB->SimpleText(), "");
  EXPECT_TRUE(mainForm->Image->Picture().Graphic() == nullptr);
}

TEST(Selection, ALargePictureScrollsInsideTheWindowAndKeysDoNotScrollIt) {
  Opened s(1500, 1200);
  EXPECT_LE(mainForm->Width(), 800);
  EXPECT_LE(mainForm->Height(), 600);
  EXPECT_TRUE(mainForm->ScrollBox->VertScrollBarShowing());
  mainForm->ScrollBox->SetScrollPosition(0, 0);
  s.Drag(1000, 900, 1400, 1100);
  for (TVirtualKey key : {VK_DOWN, VK_RIGHT, VK_UP, VK_LEFT}) s.Key(key);
  EXPECT_EQ(mainForm->ScrollBox->HorzScrollPosition(), 0);
  EXPECT_EQ(mainForm->ScrollBox->VertScrollPosition(), 0);
  EXPECT_EQ(s.Status(), "(1000,900) - (1400,1100) = (400, 200)");
}

TEST(Open, APictureDroppedOnTheWindowOpensAsOpenWould) {
  Opened s;
  apptest::WritePatternBmp(s.dir / "second.bmp", 120, 80);
  apptest::WritePatternJpeg(s.dir / "third.jpeg", 64, 48);
  std::ofstream(s.dir / "note.txt") << "not a picture";
  std::filesystem::create_directory(s.dir / "folder.jpg");
  const auto uri = [&](const std::string& name) { return "file://" + (s.dir / name); };
  struct Case {
    std::vector<std::string> uris;
    // The file that opens; empty when the window refuses the drag.
    std::string opens;
  };
  const Case cases[] = {
      {{"https://example.com/a.jpg"}, ""},
      {{uri("note.txt")}, ""},
      {{uri("folder.jpg")}, ""},
      {{uri("missing.jpg")}, ""},
      // Of several, the first the holder reads.
      {{"https://example.com/a.jpg", uri("note.txt"), uri("second.bmp"), uri("photo.bmp")}, "second.bmp"},
      {{uri("third.jpeg")}, "third.jpeg"},
  };
  for (const Case& c : cases) {
    const Cimg* before = mainForm->currentImage.get();
    const std::string status = s.Status();
    const bool over = framework::testing::DragUris(*mainForm->Image, c.uris, 10, 10, false);
    const bool taken = framework::testing::DragUris(*mainForm->Image, c.uris, 10, 10, true);
    framework::testing::ProcessEvents();
    EXPECT_EQ(over, !c.opens.empty()) << c.uris.back();
    EXPECT_EQ(taken, !c.opens.empty()) << c.uris.back();
    if (c.opens.empty()) {
      EXPECT_EQ(mainForm->currentImage.get(), before) << c.uris.back();
      EXPECT_EQ(s.Status(), status) << c.uris.back();
    } else {
      EXPECT_EQ(s.Status(), c.opens);
      EXPECT_EQ(mainForm->ClientWidth(), mainForm->currentImage->Width());
      EXPECT_EQ(mainForm->ClientHeight(), mainForm->currentImage->Height() + mainForm->SB->Height());
    }
    EXPECT_EQ(Screen->Cursor(), crDefault);
  }
  EXPECT_EQ(mainForm->ClientWidth(), 64);
}

// Zoom commands as the menu runs them; out and in count steps from 1:1.
void ZoomBy(int steps) {
  mainForm->viewMenuActualClick(nullptr);
  for (int i = 0; i < steps; ++i) mainForm->viewMenuZoomInClick(nullptr);
  for (int i = 0; i > steps; --i) mainForm->viewMenuZoomOutClick(nullptr);
  ProcessEvents();
}

TEST(Zoom, ADragSelectsThePicturePixelsUnderItsEndsAtAnyZoom) {
  struct Case {
    int steps;
    int x0, y0, x1, y1;  // device positions of the drag
    const char* status;
    const char* zoomField;
  };
  const Case cases[] = {
      {0, 10, 20, 110, 70, "(10,20) - (110,70) = (100, 50)", ""},
      {-2, 5, 10, 55, 40, "(10,20) - (110,80) = (100, 60)", "50%"},
      {-1, 7, 14, 74, 54, "(10,21) - (111,81) = (101, 60)", "67%"},
      {1, 21, 41, 220, 161, "(10,20) - (110,80) = (100, 60)", "200%"},
      {-2, 5, 10, -3, -1, "(10,20) - (-6,-2) = (-16, -22)", "50%"},  // captured past the edge
  };
  Opened s;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    ZoomBy(c.steps);
    s.Drag(c.x0, c.y0, c.x1, c.y1);
    EXPECT_EQ(s.Status(), c.status);
    EXPECT_EQ(mainForm->SB->RightText(), c.zoomField);
    // Only at 1:1 does the picture carry the outline; elsewhere the view
    // draws it over the picture.
    const bool actual = c.steps == 0;
    EXPECT_EQ(s.Inverted(mainForm->selection.Left, mainForm->selection.Top), actual);
    EXPECT_EQ(mainForm->Image->Frame().has_value(), !actual);
    const int left = mainForm->selection.Left;
    s.Key(VK_RIGHT);
    EXPECT_EQ(mainForm->selection.Left, left + 1);
  }
}

TEST(Zoom, TheOutlineLeavesThePictureAwayFromOneToOneAndComesBack) {
  Opened s;
  s.Drag(10, 20, 110, 70);
  ASSERT_TRUE(s.Inverted(10, 20));
  ZoomBy(-1);
  EXPECT_TRUE(s.Clean(10, 20));
  EXPECT_TRUE(s.Clean(110, 70));
  EXPECT_EQ(mainForm->Image->Frame(), Rect(10, 20, 110, 70));
  s.Key(VK_LEFT);  // one picture pixel, not one screen pixel
  EXPECT_EQ(s.Status(), "(9,20) - (109,70) = (100, 50)");
  EXPECT_EQ(mainForm->Image->Frame(), Rect(9, 20, 109, 70));
  ZoomBy(0);
  EXPECT_TRUE(s.Inverted(9, 20));
  EXPECT_TRUE(s.Inverted(109, 70));
  EXPECT_TRUE(s.Clean(110, 30));  // the old right side, gone with the nudge
  EXPECT_FALSE(mainForm->Image->Frame().has_value());
  EXPECT_EQ(mainForm->SB->RightText(), "");
  EXPECT_EQ(s.Status(), "(9,20) - (109,70) = (100, 50)");
}

TEST(Zoom, TheWholePictureShowsOnEveryOpenAndResizeUntilAnotherZoom) {
  Opened s(1500, 1200);
  mainForm->viewMenuFitClick(nullptr);
  ProcessEvents();
  const int boxWidth = mainForm->ScrollBox->Width();
  const int boxHeight = mainForm->ScrollBox->Height();
  EXPECT_EQ(mainForm->Image->Zoom(), TZoom::Fit(1500, 1200, boxWidth, boxHeight));
  EXPECT_LE(mainForm->Image->Width(), boxWidth);
  EXPECT_LE(mainForm->Image->Height(), boxHeight);
  EXPECT_TRUE(mainForm->Image->Width() == boxWidth || mainForm->Image->Height() == boxHeight);
  EXPECT_FALSE(mainForm->ScrollBox->VertScrollBarShowing());

  // A smaller window shows the whole picture smaller; a new picture is shown whole too.
  mainForm->SetClientWidth(400);
  ProcessEvents();
  EXPECT_EQ(mainForm->Image->Zoom(), TZoom::Fit(1500, 1200, mainForm->ScrollBox->Width(), mainForm->ScrollBox->Height()));
  const std::string second = s.dir / "second.bmp";
  apptest::WritePatternBmp(second, 3000, 300);
  OpenThroughDialog(second);
  EXPECT_EQ(mainForm->Image->Zoom(), TZoom::Fit(3000, 300, mainForm->ScrollBox->Width(), mainForm->ScrollBox->Height()));
  EXPECT_EQ(mainForm->SB->RightText(), std::to_string(mainForm->Image->Zoom().Percent()) + "%");
  // Zooming in leaves the mode: a resize keeps the zoom.
  const TZoom larger = mainForm->Image->Zoom().Larger(3000, 300);
  mainForm->viewMenuZoomInClick(nullptr);
  mainForm->SetClientWidth(600);
  ProcessEvents();
  EXPECT_EQ(mainForm->Image->Zoom(), larger);
}

TEST(Zoom, TheWheelWithCtrlZoomsAboutThePointer) {
  Opened s(1500, 1200);
  bool handled = false;
  mainForm->ImageMouseWheel(nullptr, {}, 120, 300, 200, handled);
  EXPECT_FALSE(handled);  // the scroll box scrolls
  EXPECT_EQ(mainForm->Image->Zoom(), TZoom());
  mainForm->ImageMouseWheel(nullptr, ssCtrl, 120, 300, 200, handled);
  ProcessEvents();
  EXPECT_TRUE(handled);
  EXPECT_EQ(mainForm->Image->Zoom(), TZoom(2, 1));
  // Picture point (300, 200) is now at device (600, 400), still under the pointer.
  EXPECT_EQ(mainForm->ScrollBox->HorzScrollPosition(), 300);
  EXPECT_EQ(mainForm->ScrollBox->VertScrollPosition(), 200);
  mainForm->ImageMouseWheel(nullptr, ssCtrl, -120, 600, 400, handled);
  ProcessEvents();
  EXPECT_EQ(mainForm->Image->Zoom(), TZoom());
  EXPECT_EQ(mainForm->ScrollBox->HorzScrollPosition(), 0);
}

// The loupe as the 表示 menu turns it on and off.
void TurnLoupe(bool on) {
  if (mainForm->viewMenuLoupe->Checked() != on) mainForm->viewMenuLoupe->Click();
  ASSERT_EQ(mainForm->viewMenuLoupe->Checked(), on);
}

bool LoupeShowing() { return mainForm->loupe != nullptr && mainForm->loupe->Showing(); }

// Until the loupe's frame ends and it shows the last change.
void SettleLoupe() {
  framework::testing::ProcessEventsWhile([] { return mainForm->loupe->Pending(); });
  ASSERT_FALSE(mainForm->loupe->Pending());
}

// Where the view shows picture pixels around centre on the screen, in
// logical pixels, and the loupe's own place.
bool LoupeCoversItsPixels(TPoint centre) {
  const TZoom zoom = mainForm->Image->Zoom();
  const TPoint origin = mainForm->Image->ScreenOrigin();
  const int half = TLoupe::kCells / 2;
  const auto at = [&](std::int64_t pixel, int screen) { return screen + static_cast<int>(zoom.ToDevice(pixel)); };
  const TRect shown = Rect(at(centre.X - half, origin.X), at(centre.Y - half, origin.Y),
                           at(centre.X + half + 1, origin.X), at(centre.Y + half + 1, origin.Y));
  const TRect loupe = mainForm->loupe->BoundsRect();
  return loupe.Left < shown.Right && shown.Left < loupe.Right && loupe.Top < shown.Bottom && shown.Top < loupe.Bottom;
}

TEST(Loupe, OffAtStartItIsNeverMadeAndTheDragIsAsBefore) {
  Opened s(600, 400);
  EXPECT_FALSE(mainForm->viewMenuLoupe->Checked());
  PressMouse(*mainForm->Image, mbLeft, {}, 10, 20);
  MoveMouse(*mainForm->Image, ssLeft, 110, 70);
  s.Key(VK_RIGHT);
  EXPECT_EQ(mainForm->loupe, nullptr);
  ReleaseMouse(*mainForm->Image, mbLeft, {}, 111, 70);
  EXPECT_EQ(s.Status(), "(11,20) - (111,70) = (100, 50)");
}

TEST(Loupe, ADragShowsTheMovingCornerBesideItsPixelsUntilTheRelease) {
  Opened s(1500, 1200);
  mainForm->viewMenuFitClick(nullptr);
  ProcessEvents();
  TurnLoupe(true);
  PressMouse(*mainForm->Image, mbLeft, {}, 10, 20);
  for (const TPoint to : {Point(100, 80), Point(30, 150), Point(200, 40)}) {
    MoveMouse(*mainForm->Image, ssLeft, to.X, to.Y);
    SettleLoupe();
    ASSERT_TRUE(LoupeShowing());
    EXPECT_EQ(mainForm->loupe->Centre(), mainForm->selection.BottomRight());
    EXPECT_FALSE(LoupeCoversItsPixels(mainForm->loupe->Centre()));
  }
  // The status bar and the outline follow the drag as without the loupe.
  EXPECT_EQ(mainForm->Image->Frame(), mainForm->selection);
  ReleaseMouse(*mainForm->Image, mbLeft, {}, 200, 40);
  EXPECT_FALSE(LoupeShowing());
  MoveMouse(*mainForm->Image, {}, 250, 60);
  EXPECT_FALSE(LoupeShowing());
}

TEST(Loupe, ANudgeShowsTheCornerItMovesForASecond) {
  Opened s(600, 400);
  s.Drag(10, 20, 110, 70);
  TurnLoupe(true);
  struct Case {
    TVirtualKey key;
    TShiftState shift;
    bool shows, leftTop;
  };
  const Case cases[] = {
      {VK_RIGHT, {}, true, false},
      {VK_DOWN, ssCtrl, true, false},
      {VK_LEFT, ssShift, true, true},
      {VK_UP, ssShift | ssAlt, true, true},
      {VK_UP, ssShift | ssCtrl, false, false},  // moves nothing
      {VK_SPACE, {}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "key " << c.key);
    s.Key(c.key, c.shift);
    ASSERT_EQ(LoupeShowing(), c.shows);
    if (!c.shows) continue;
    EXPECT_EQ(mainForm->loupe->Centre(),
              c.leftTop ? mainForm->selection.TopLeft() : mainForm->selection.BottomRight());
    ASSERT_TRUE(mainForm->loupeTimer->Enabled());
    EXPECT_EQ(mainForm->loupeTimer->Interval(), 1000u);
    mainForm->loupeTimer->OnTimer(mainForm->loupeTimer);
    EXPECT_FALSE(LoupeShowing());
    EXPECT_FALSE(mainForm->loupeTimer->Enabled());
  }
  // Turned off, it goes at once and comes no more.
  s.Key(VK_RIGHT);
  ASSERT_TRUE(LoupeShowing());
  TurnLoupe(false);
  EXPECT_FALSE(LoupeShowing());
  s.Key(VK_RIGHT);
  s.Drag(10, 20, 50, 50);
  EXPECT_FALSE(LoupeShowing());
}

}  // namespace
