#include "framework/Control.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QFont>
#include <QGuiApplication>

#include "Support.h"
#include "framework/Screen.h"
#include "framework/StatusBar.h"
#include "framework/Testing.h"

namespace {

struct Box {
  ScopedApplication app;
  TForm* form = nullptr;
  TScrollBox* box = nullptr;
  Box() {
    app->CreateForm(form);
    form->SetClientWidth(300);
    form->SetClientHeight(200);
    box = runtime::CreateComponent<TScrollBox>(*form);
    box->SetParent(form);
    box->SetAlign(alClient);
    box->SetBorderStyle(bsNone);
    box->SetColor(clMedGray);
    form->Show();
    framework::testing::ProcessEvents();
  }
};

TEST(ScrollBox, ShowsItsColourAndScrollBarsOnlyWhenTheContentIsLarger) {
  Box b;
  EXPECT_FALSE(b.box->ParentColor());
  EXPECT_EQ(framework::testing::PixelAt(*b.box, 150, 100), clMedGray);
  EXPECT_FALSE(b.box->HorzScrollBarShowing());
  EXPECT_FALSE(b.box->VertScrollBarShowing());

  auto* content = runtime::CreateComponent<TScrollBox>(*b.form);
  content->SetParent(b.box);
  content->SetBounds(0, 0, 250, 150);
  framework::testing::ProcessEvents();
  EXPECT_FALSE(b.box->HorzScrollBarShowing());
  EXPECT_FALSE(b.box->VertScrollBarShowing());

  content->SetBounds(0, 0, 640, 480);
  framework::testing::ProcessEvents();
  EXPECT_EQ(b.box->RangeWidth(), 640);
  EXPECT_EQ(b.box->RangeHeight(), 480);
  EXPECT_TRUE(b.box->HorzScrollBarShowing());
  EXPECT_TRUE(b.box->VertScrollBarShowing());
  EXPECT_LT(b.box->ClientWidth(), 300);
  b.box->SetScrollPosition(10000, 10000);
  EXPECT_EQ(b.box->HorzScrollPosition(), 640 - b.box->ClientWidth());
  EXPECT_EQ(b.box->VertScrollPosition(), 480 - b.box->ClientHeight());
}

TEST(ScrollBox, FollowsItsParentsColourUntilGivenItsOwn) {
  Box b;
  auto* inner = runtime::CreateComponent<TScrollBox>(*b.form);
  inner->SetParent(b.box);
  EXPECT_TRUE(inner->ParentColor());
  EXPECT_EQ(inner->Color(), clMedGray);
  b.box->SetColor(clWhite);
  EXPECT_EQ(inner->Color(), clWhite);
  inner->SetColor(clBlack);
  EXPECT_FALSE(inner->ParentColor());
  b.box->SetColor(clMedGray);
  EXPECT_EQ(inner->Color(), clBlack);
}

TEST(Control, MouseEventsArriveInClientCoordinatesWithButtonAndShiftState) {
  Box b;
  std::vector<std::string> log;
  b.box->OnMouseDown = [&](TObject* sender, TMouseButton button, TShiftState shift, int x, int y) {
    EXPECT_EQ(sender, b.box);
    log.push_back("down " + std::to_string(button) + " " + std::to_string(shift.Bits) + " " +
                  std::to_string(x) + "," + std::to_string(y));
  };
  b.box->OnMouseMove = [&](TObject*, TShiftState shift, int x, int y) {
    log.push_back("move " + std::to_string(shift.Bits) + " " + std::to_string(x) + "," + std::to_string(y));
  };
  b.box->OnMouseUp = [&](TObject*, TMouseButton button, TShiftState shift, int x, int y) {
    log.push_back("up " + std::to_string(button) + " " + std::to_string(shift.Bits) + " " + std::to_string(x) +
                  "," + std::to_string(y));
  };
  // The box's client area is its scrolled content; give it some.
  auto* content = runtime::CreateComponent<TScrollBox>(*b.form);
  content->SetParent(b.box);
  content->SetBounds(0, 0, 10, 10);
  content->SetVisible(false);
  framework::testing::PressMouse(*b.box, mbLeft, ssLeft | ssShift, 10, 20);
  framework::testing::MoveMouse(*b.box, ssLeft, -5, 300);
  framework::testing::ReleaseMouse(*b.box, mbRight, {}, 7, 8);
  b.box->OnDblClick = [&](TObject* sender) {
    EXPECT_EQ(sender, b.box);
    log.push_back("double");
  };
  framework::testing::DoubleClickMouse(*b.box, ssLeft, 1, 2);
  const std::vector<std::string> expected = {"down 0 9 10,20", "move 8 -5,300", "up 1 0 7,8", "double",
                                             "down 0 72 1,2"};
  EXPECT_EQ(log, expected);
}

TEST(StatusBar, IsNineteenPixelsAtTheBottomAndShowsSimpleTextInSimpleMode) {
  Box b;
  auto* bar = runtime::CreateComponent<TStatusBar>(*b.form);
  bar->SetParent(b.form);
  EXPECT_EQ(bar->Align(), alBottom);
  EXPECT_EQ(bar->BoundsRect(), Rect(0, 181, 300, 200));
  EXPECT_EQ(b.box->BoundsRect(), Rect(0, 0, 300, 181));
  bar->SetSimpleText("photo.JPG");
  EXPECT_EQ(bar->ShownText(), "");  // no panels and not in simple mode
  bar->SetSimplePanel(true);
  EXPECT_EQ(bar->ShownText(), "photo.JPG");
  bar->SetSimpleText("(10,20) - (110,70) = (100, 50)");
  EXPECT_EQ(bar->ShownText(), "(10,20) - (110,70) = (100, 50)");
  bar->SetSimpleText("");
  EXPECT_EQ(bar->ShownText(), "");
}

TEST(Screen, TheHourglassCursorIsSetAndGivenBack) {
  ASSERT_NE(Screen, nullptr);
  Screen->SetCursor(crHourGlass);
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  Screen->SetCursor(crHourGlass);
  Screen->SetCursor(crDefault);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST(Screen, WindowTextUsesTheAliasedJapaneseFont) {
  EXPECT_EQ(framework::testing::ResolvedWindowFontFamily(), "IPAPGothic");
  EXPECT_EQ(QApplication::font().pixelSize(), 12);
}

TEST(ShiftState, HasTheDesktopsBitValues) {
  EXPECT_EQ(ssShift.Bits, 1);
  EXPECT_EQ(ssAlt.Bits, 2);
  EXPECT_EQ(ssCtrl.Bits, 4);
  EXPECT_TRUE((ssShift | ssCtrl).Contains(ssCtrl));
  EXPECT_FALSE((ssShift | ssCtrl).Contains(ssAlt));
  EXPECT_EQ(VK_LEFT, 0x25);
  EXPECT_EQ(VK_UP, 0x26);
  EXPECT_EQ(VK_RIGHT, 0x27);
  EXPECT_EQ(VK_DOWN, 0x28);
}

}  // namespace

namespace {

TEST(Control, AHandlerMayDestroyItsOwnControl) {
  Box b;
  auto* doomed = runtime::CreateComponent<TScrollBox>(*b.form);
  doomed->SetParent(b.box);
  doomed->SetBounds(0, 0, 50, 50);
  doomed->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { runtime::DestroyComponent(doomed); };
  framework::testing::PressMouse(*doomed, mbLeft, ssLeft, 5, 5);
  EXPECT_EQ(b.box->ControlCount(), 0);
}

}  // namespace
