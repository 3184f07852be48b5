#include "framework/Application.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QKeyEvent>
#include <stdexcept>

#include "Support.h"
#include "framework/Menu.h"
#include "framework/Testing.h"
#include "framework/detail/MenuImpl.h"

namespace {

TEST(ExceptionBoxText, AppendsAPeriodWhenTheLastCodePointSortsAfterIt) {
  EXPECT_EQ(framework::ExceptionBoxText("画像フォーマットが不正です"), "画像フォーマットが不正です.");
  EXPECT_EQ(framework::ExceptionBoxText("ビットマップイメージが不正です。"), "ビットマップイメージが不正です。.");
  EXPECT_EQ(framework::ExceptionBoxText("JPEG エラー #42"), "JPEG エラー #42.");
  EXPECT_EQ(framework::ExceptionBoxText("abc"), "abc.");
  EXPECT_EQ(framework::ExceptionBoxText("a/"), "a/.");  // '/' is 0x2F
}

TEST(ExceptionBoxText, LeavesTextsEndingAtOrBeforeThePeriodAlone) {
  EXPECT_EQ(framework::ExceptionBoxText("done."), "done.");
  EXPECT_EQ(framework::ExceptionBoxText("stop!"), "stop!");
  EXPECT_EQ(framework::ExceptionBoxText("a-"), "a-");  // '-' is 0x2D
  EXPECT_EQ(framework::ExceptionBoxText("(a)"), "(a)");
  EXPECT_EQ(framework::ExceptionBoxText(""), "");
}

TEST(ExceptionBoxText, TakesAMalformedEndingForTheReplacementCharacter) {
  EXPECT_EQ(framework::ExceptionBoxText("x\xE3\x80"), "x\xE3\x80.");  // malformed: U+FFFD
  EXPECT_EQ(framework::ExceptionBoxText("\x80"), "\x80.");
  EXPECT_EQ(framework::ExceptionBoxText("\xC0\xAE"), "\xC0\xAE.");  // overlong '.' is no period
}

TEST(HandleException, ShowsTheMessageWithTheErrorIconTitledWithTheTitle) {
  BoxCatcher catcher;
  Application->SetTitle("kiritori");
  Application->HandleException(std::make_exception_ptr(EInvalidGraphic("画像フォーマットが不正です")));
  ASSERT_EQ(catcher.boxes.size(), 1u);
  EXPECT_EQ(catcher.boxes[0].text, "画像フォーマットが不正です.");
  EXPECT_EQ(catcher.boxes[0].caption, "kiritori");
  EXPECT_EQ(catcher.boxes[0].flags, framework::MB_OK | framework::MB_ICONERROR);
}

TEST(HandleException, IsSilentForAbortAndShowsOtherFailuresWithAnEmptyMessage) {
  BoxCatcher catcher;
  Application->HandleException(std::make_exception_ptr(EAbort("quiet")));
  EXPECT_TRUE(catcher.boxes.empty());
  Application->HandleException(std::make_exception_ptr(std::runtime_error("not ours")));
  ASSERT_EQ(catcher.boxes.size(), 1u);
  EXPECT_EQ(catcher.boxes[0].text, "");
}

TEST(EventBridges, AFailingMenuHandlerReachesTheApplicationNotQt) {
  BoxCatcher catcher;
  TMainMenu menu;
  auto* item = runtime::CreateComponent<TMenuItem>(menu);
  menu.Items()->Add(item);
  item->OnClick = [](TObject*) { throw EInvalidOperation("Canvas に対する描画ができません"); };
  item->Impl().Action()->trigger();
  ASSERT_EQ(catcher.boxes.size(), 1u);
  EXPECT_EQ(catcher.boxes[0].text, "Canvas に対する描画ができません.");
}

TEST(EventBridges, AFailingKeyHandlerReachesTheApplicationNotQt) {
  ScopedApplication app;
  BoxCatcher catcher;
  TForm* form = nullptr;
  app->CreateForm(form);
  form->OnKeyDown = [](TObject*, TVirtualKey&, TShiftState) { throw EOutOfResources("システム リソースが足りません"); };
  framework::testing::PressKey(*form, VK_DOWN, {});
  ASSERT_EQ(catcher.boxes.size(), 1u);
  EXPECT_EQ(catcher.boxes[0].text, "システム リソースが足りません.");
}

TEST(Application, TheFirstFormMadeIsTheMainForm) {
  ScopedApplication app;
  TForm* first = nullptr;
  TForm* second = nullptr;
  app->CreateForm(first);
  app->CreateForm(second);
  EXPECT_EQ(app->MainForm(), first);
  EXPECT_EQ(first->Owner(), &*app);
  EXPECT_EQ(second->Owner(), &*app);
  EXPECT_FALSE(first->Visible());
  EXPECT_FALSE(second->Visible());
}

TEST(Application, RunShowsTheMainFormAndClosingItEndsTheLoop) {
  ScopedApplication app;
  TForm* main = nullptr;
  TForm* other = nullptr;
  app->CreateForm(main);
  app->CreateForm(other);
  bool mainShowing = false;
  bool otherShowing = true;
  framework::testing::RunLater([&] {
    mainShowing = main->Showing();
    otherShowing = other->Showing();
    framework::testing::ClickCloseBox(*main);
  });
  app->Run();
  EXPECT_TRUE(mainShowing);
  EXPECT_FALSE(otherShowing);
  EXPECT_TRUE(app->Terminated());
}

TEST(Application, TerminateBeforeRunMakesRunReturnAtOnce) {
  ScopedApplication app;
  TForm* main = nullptr;
  app->CreateForm(main);
  app->Terminate();
  app->Run();
  EXPECT_FALSE(main->Showing());
}

}  // namespace

namespace {

TEST(Application, ItsIconBecomesEveryWindowsIcon) {
  static constexpr std::uint32_t kPalette[2] = {0x000000, 0xFF0000};
  static constexpr const char* kRows[2] = {"01", "1."};
  TIconImage icon;
  icon.Width = 2;
  icon.Height = 2;
  icon.Palette = kPalette;
  icon.Rows = kRows;
  Application->SetIcon(icon);
  const QImage image = QApplication::windowIcon().pixmap(2, 2).toImage();
  ASSERT_EQ(image.size(), QSize(2, 2));
  EXPECT_EQ(image.pixel(0, 0), 0xFF000000u);
  EXPECT_EQ(image.pixel(1, 0), 0xFFFF0000u);
  EXPECT_EQ(qAlpha(image.pixel(1, 1)), 0);
}

}  // namespace
