// The two windows as start-up makes them.
#include <gtest/gtest.h>

#include "app/DispForm.h"
#include "app/MainForm.h"
#include "framework/Testing.h"
#include "tests/framework/Support.h"

namespace {

// Start-up's steps 1 to 3 on a fresh application object.
struct Started {
  ScopedApplication app;
  Started() {
    app->CreateForm(mainForm);
    app->CreateForm(dispForm);
  }
};

std::vector<std::string> Captions(const TMenuItem& item) {
  std::vector<std::string> captions;
  for (int i = 0; i < item.Count(); ++i) captions.push_back(item.Items(i)->Caption());
  return captions;
}

TEST(Startup, ShowsOnlyTheMainWindowWithAGreyAreaAndAnEmptyStatusBar) {
  struct Seen {
    bool mainShowing = false;
    bool dispShowing = true;
    int clientWidth = 0;
    int clientHeight = 0;
    TRect scrollBox;
    TRect statusBar;
    std::string statusText = "?";
    TColor area = clNone;
    std::vector<std::string> menuBar;
  } seen;
  {
    Started s;
    EXPECT_EQ(Application->MainForm(), mainForm);
    framework::testing::RunLater([&] {
      framework::testing::ProcessEvents();
      seen.mainShowing = mainForm->Showing();
      seen.dispShowing = dispForm->Showing();
      seen.clientWidth = mainForm->ClientWidth();
      seen.clientHeight = mainForm->ClientHeight();
      seen.scrollBox = mainForm->ScrollBox->BoundsRect();
      seen.statusBar = mainForm->SB->BoundsRect();
      seen.statusText = mainForm->SB->ShownText();
      seen.area = framework::testing::PixelAt(*mainForm->ScrollBox, 181, 122);
      seen.menuBar = framework::testing::MenuBarTexts(*mainForm);
      framework::testing::ClickCloseBox(*mainForm);
    });
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
  }
  EXPECT_TRUE(seen.mainShowing);
  EXPECT_FALSE(seen.dispShowing);
  EXPECT_EQ(seen.clientWidth, 362);
  EXPECT_EQ(seen.clientHeight, 264);
  EXPECT_EQ(seen.scrollBox, Rect(0, 0, 362, 245));
  EXPECT_EQ(seen.statusBar, Rect(0, 245, 362, 264));
  EXPECT_EQ(seen.statusText, "");
  EXPECT_EQ(seen.area, clMedGray);
  EXPECT_EQ(seen.menuBar, (std::vector<std::string>{"ファイル(&F)", "ツール(&T)", "表示(&V)"}));
  // The application object destroyed both windows.
  EXPECT_EQ(mainForm, nullptr);
  EXPECT_EQ(dispForm, nullptr);
}

TEST(MainWindow, IsBuiltFromItsDefinition) {
  Started s;
  EXPECT_EQ(mainForm->Caption().rfind("切り取り,", 0), 0u);
  EXPECT_TRUE(mainForm->Caption().ends_with(", v.02"));
  EXPECT_GT(mainForm->Caption().size(), std::string("切り取り,, v.02").size());
  EXPECT_EQ(mainForm->Position(), poDefaultPosOnly);
  EXPECT_TRUE(mainForm->KeyPreview());
  EXPECT_TRUE(static_cast<bool>(mainForm->OnKeyDown));
  EXPECT_EQ(mainForm->Color(), clBtnFace);
  EXPECT_EQ(mainForm->Font().Name, "ＭＳ Ｐゴシック");
  EXPECT_EQ(mainForm->Font().Height, -12);
  EXPECT_EQ(mainForm->Menu(), mainForm->MainMenu);

  EXPECT_EQ(mainForm->ScrollBox->Align(), alClient);
  EXPECT_EQ(mainForm->ScrollBox->BorderStyle(), bsNone);
  EXPECT_EQ(mainForm->ScrollBox->Color(), clMedGray);
  EXPECT_FALSE(mainForm->ScrollBox->ParentColor());
  EXPECT_EQ(mainForm->SB->Height(), 19);
  EXPECT_TRUE(mainForm->SB->SimplePanel());
  EXPECT_EQ(mainForm->SB->SimpleText(), "");
  EXPECT_EQ(mainForm->FindComponent("SB"), mainForm->SB);

  EXPECT_FALSE(mainForm->dragging);
  EXPECT_FALSE(mainForm->outlineShown);
  EXPECT_EQ(mainForm->selection, TRect{});

  EXPECT_EQ(Captions(*mainForm->MainMenu->Items()),
            (std::vector<std::string>{"ファイル(&F)", "ツール(&T)", "表示(&V)"}));
  EXPECT_EQ(Captions(*mainForm->viewMenu),
            (std::vector<std::string>{"実寸(&A)", "全体表示(&F)", "拡大(&I)", "縮小(&O)", "ルーペ(&L)"}));
  EXPECT_TRUE(mainForm->viewMenuLoupe->AutoCheck());
  EXPECT_FALSE(mainForm->viewMenuLoupe->Checked());
  EXPECT_EQ(mainForm->viewMenuZoomIn->ShortCuts(), (std::vector<std::string>{"Ctrl++", "Ctrl+="}));
  EXPECT_EQ(Captions(*mainForm->FileMenu), (std::vector<std::string>{"開く(&O)", "閉じる(&C)"}));
  EXPECT_EQ(Captions(*mainForm->toolMenu), (std::vector<std::string>{"切り取り(&K)", "クリップボードへ(&C)"}));
  for (TMenuItem* item : {mainForm->FileMenuOpen, mainForm->FileMenuClose, mainForm->toolMenuCut,
                          mainForm->toolMenuClipbd}) {
    EXPECT_TRUE(static_cast<bool>(item->OnClick)) << item->Name();
  }
}

TEST(CutResultWindow, IsBuiltFromItsDefinition) {
  Started s;
  EXPECT_EQ(dispForm->Caption(), "切り取り結果");
  EXPECT_EQ(dispForm->Position(), poDefault);
  EXPECT_FALSE(dispForm->KeyPreview());
  EXPECT_EQ(dispForm->Color(), clBtnFace);
  EXPECT_EQ(dispForm->Font().Name, "ＭＳ Ｐゴシック");
  EXPECT_EQ(dispForm->ClientWidth(), 156);
  EXPECT_EQ(dispForm->ClientHeight(), 58);
  EXPECT_EQ(dispForm->ScrollBox->BoundsRect(), Rect(0, 0, 156, 58));
  EXPECT_EQ(dispForm->ScrollBox->BevelInner(), bvLowered);
  EXPECT_EQ(dispForm->ScrollBox->BevelOuter(), bvNone);
  EXPECT_EQ(dispForm->ScrollBox->BorderStyle(), bsNone);
  EXPECT_EQ(dispForm->ScrollBox->Color(), clBtnFace);
  EXPECT_EQ(framework::testing::MenuBarTexts(*dispForm), std::vector<std::string>{"ファイル(&F)"});
  EXPECT_EQ(Captions(*dispForm->FileMenu), (std::vector<std::string>{"保存(&S)", "閉じる(&C)"}));
  EXPECT_TRUE(static_cast<bool>(dispForm->FileMenuSave->OnClick));
}

TEST(CutResultWindow, ClosingItOnlyHidesIt) {
  Started s;
  dispForm->Show();
  ASSERT_TRUE(dispForm->Showing());
  framework::testing::ClickCloseBox(*dispForm);
  EXPECT_FALSE(dispForm->Showing());
  ASSERT_NE(dispForm, nullptr);
  EXPECT_FALSE(Application->Terminated());

  dispForm->Show();
  dispForm->FileMenuClose->Click();
  EXPECT_FALSE(dispForm->Showing());
  EXPECT_FALSE(Application->Terminated());
  dispForm->Show();
  EXPECT_TRUE(dispForm->Showing());
}

TEST(MainWindow, ItsCloseCommandEndsTheApplication) {
  Started s;
  mainForm->Show();
  dispForm->Show();
  mainForm->FileMenuClose->Click();
  EXPECT_TRUE(Application->Terminated());
}

TEST(Windows, BothPictureDialogsOfferPicturesFirstThenAllFiles) {
  Started s;
  const std::vector<std::string> entries{"画像ファイル(*.jpg;*.jpeg;*.bmp)", "全ファイル(*.*)"};
  EXPECT_EQ(mainForm->OpenDialog->Filter(), "画像ファイル(*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp|全ファイル(*.*)|*.*");
  EXPECT_EQ(dispForm->SaveDialog->Filter(), mainForm->OpenDialog->Filter());
  EXPECT_EQ(dispForm->SaveDialog->DefaultExt(), ".jpg");
  for (TOpenDialog* dialog : {static_cast<TOpenDialog*>(mainForm->OpenDialog),
                              static_cast<TOpenDialog*>(dispForm->SaveDialog)}) {
    std::vector<std::string> shown;
    int chosen = -1;
    framework::testing::RunLater([&] {
      shown = framework::testing::FileDialogFilters();
      chosen = framework::testing::FileDialogFilterIndex();
      framework::testing::CancelFileDialog();
    });
    EXPECT_FALSE(dialog->Run());
    EXPECT_EQ(shown, entries);
    EXPECT_EQ(chosen, 0);
  }
}

}  // namespace
