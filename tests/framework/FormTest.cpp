#include "framework/Form.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>

#include "Support.h"
#include "framework/Menu.h"
#include "framework/Screen.h"
#include "framework/StatusBar.h"
#include "framework/Testing.h"
#include "graphics/Bitmap.h"
#include "framework/detail/ControlImpl.h"
#include "graphics/Color.h"

namespace {

// A form with a menu, a client-aligned scroll box and a status bar, like the
// main window.
struct Window {
  ScopedApplication app;
  TForm* form = nullptr;
  TScrollBox* box = nullptr;
  TStatusBar* bar = nullptr;
  TMainMenu* menu = nullptr;

  Window() {
    app->CreateForm(form);
    box = runtime::CreateComponent<TScrollBox>(*form);
    box->SetParent(form);
    box->SetAlign(alClient);
    bar = runtime::CreateComponent<TStatusBar>(*form);
    bar->SetParent(form);
    menu = runtime::CreateComponent<TMainMenu>(*form);
    auto* item = runtime::CreateComponent<TMenuItem>(*form);
    item->SetCaption("ファイル(&F)");
    menu->Items()->Add(item);
    form->SetMenu(menu);
    form->SetClientWidth(362);
    form->SetClientHeight(264);
  }
};

TEST(Form, AlignedChildrenShareTheClientAreaBelowTheMenu) {
  Window w;
  EXPECT_EQ(w.form->ClientWidth(), 362);
  EXPECT_EQ(w.form->ClientHeight(), 264);
  EXPECT_EQ(w.bar->BoundsRect(), Rect(0, 245, 362, 264));
  EXPECT_EQ(w.box->BoundsRect(), Rect(0, 0, 362, 245));
  EXPECT_GT(w.form->MenuBarHeight(), 0);
  EXPECT_EQ(w.form->Height(), 264 + w.form->MenuBarHeight());

  w.form->Show();
  framework::testing::ProcessEvents();
  EXPECT_EQ(w.form->ClientWidth(), 362);
  EXPECT_EQ(w.form->ClientHeight(), 264);
  w.form->SetClientWidth(500);
  w.form->SetClientHeight(300);
  framework::testing::ProcessEvents();
  EXPECT_EQ(w.bar->BoundsRect(), Rect(0, 281, 500, 300));
  EXPECT_EQ(w.box->BoundsRect(), Rect(0, 0, 500, 281));
}

TEST(Form, ClientSizeIsClampedToTheScreensWorkArea) {
  Window w;
  framework::SetScreenWorkAreaForTesting(Rect(0, 0, 640, 480));
  w.form->SetClientWidth(5000);
  w.form->SetClientHeight(5000);
  EXPECT_EQ(w.form->ClientWidth(), 640);
  EXPECT_EQ(w.form->ClientHeight(), 480 - w.form->MenuBarHeight());
  w.form->SetClientWidth(-3);
  EXPECT_EQ(w.form->ClientWidth(), 0);
  framework::SetScreenWorkAreaForTesting(Rect(0, 0, 800, 600));
}

TEST(HiDpi, AFormFitsTheWorkAreaOfTheMonitorItIsOn) {
  if (!DesktopScaled()) GTEST_SKIP() << kNeedsScaledDesktop;
  Window w;
  const RealMonitors monitors;
  ASSERT_EQ(monitors.all.size(), 2u);
  ASSERT_NE(monitors.all[0].Width(), monitors.all[1].Width());
  for (const TRect& monitor : monitors.all) {
    w.form->SetBounds(monitor.Left + 10, monitor.Top + 10, 100, 100);
    w.form->SetClientWidth(100000);
    w.form->SetClientHeight(100000);
    EXPECT_EQ(w.form->BoundsRect().Width(), monitor.Width());
    EXPECT_EQ(w.form->BoundsRect().Height(), monitor.Height());
  }
}

TEST(Form, ClosingAFormThatIsNotTheMainOneHidesIt) {
  Window w;
  TForm* other = nullptr;
  w.app->CreateForm(other);
  other->Show();
  EXPECT_TRUE(other->Showing());
  framework::testing::ClickCloseBox(*other);
  EXPECT_FALSE(other->Showing());
  EXPECT_FALSE(other->Visible());
  EXPECT_FALSE(w.app->Terminated());
  other->Show();
  EXPECT_TRUE(other->Showing());
}

TEST(Form, OnCloseDecidesWhatClosingDoes) {
  Window w;
  TForm* other = nullptr;
  w.app->CreateForm(other);
  other->Show();
  other->OnClose = [](TObject*, TCloseAction& action) { action = caNone; };
  other->Close();
  EXPECT_TRUE(other->Showing());

  w.form->OnClose = [](TObject*, TCloseAction& action) { action = caNone; };
  w.form->Close();
  EXPECT_FALSE(w.app->Terminated());
  w.form->OnClose = nullptr;
  w.form->Close();
  EXPECT_TRUE(w.app->Terminated());
}

TEST(Form, CaFreeDestroysTheFormFromTheLoop) {
  Window w;
  TForm* other = nullptr;
  w.app->CreateForm(other);
  other->SetName("other");
  other->OnClose = [](TObject*, TCloseAction& action) { action = caFree; };
  other->Show();
  other->Close();
  EXPECT_NE(w.app->FindComponent("other"), nullptr);
  for (int i = 0; i < 100 && w.app->FindComponent("other") != nullptr; ++i) framework::testing::ProcessEvents();
  EXPECT_EQ(w.app->FindComponent("other"), nullptr);
}

struct KeyLog {
  int calls = 0;
  TVirtualKey key = 0;
  TShiftState shift;

  // Records every key that reaches form's OnKeyDown; form previews keys.
  void ListenTo(TCustomForm& form) {
    form.OnKeyDown = [this](TObject*, TVirtualKey& k, TShiftState s) {
      ++calls;
      key = k;
      shift = s;
    };
    form.SetKeyPreview(true);
  }
};

TEST(Form, KeyPreviewHandsKeysOfItsControlsToTheFormFirst) {
  Window w;
  KeyLog log;
  w.form->OnKeyDown = [&](TObject* sender, TVirtualKey& key, TShiftState shift) {
    EXPECT_EQ(sender, w.form);
    ++log.calls;
    log.key = key;
    log.shift = shift;
  };
  w.form->Show();
  framework::testing::PressKey(*w.box, VK_LEFT, ssShift | ssCtrl);
  EXPECT_EQ(log.calls, 0);  // no preview: the scroll box's key is its own

  w.form->SetKeyPreview(true);
  framework::testing::PressKey(*w.box, VK_LEFT, ssShift | ssCtrl);
  EXPECT_EQ(log.calls, 1);
  EXPECT_EQ(log.key, 0x25);
  EXPECT_EQ(log.shift.Bits, 1 | 4);
  framework::testing::PressKey(*w.box, 'K', ssAlt);
  EXPECT_EQ(log.calls, 2);
  EXPECT_EQ(log.key, 0x4B);
  EXPECT_EQ(log.shift.Bits, 2);
}

TEST(Form, EveryKeyReachesThePreviewingFormWithItsKeysCode) {
  Window w;
  KeyLog log;
  log.ListenTo(*w.form);
  w.form->Show();
  struct Row {
    int qtKey;
    Qt::KeyboardModifiers modifiers;
    const char* text;
    TVirtualKey want;
  };
  const Row rows[] = {
      {Qt::Key_Exclam, Qt::ShiftModifier, "!", '1'},
      {Qt::Key_ParenRight, Qt::ShiftModifier, ")", '0'},
      {Qt::Key_Semicolon, Qt::NoModifier, ";", VK_OEM_1},
      {Qt::Key_Question, Qt::ShiftModifier, "?", VK_OEM_2},
      {Qt::Key_BracketRight, Qt::NoModifier, "]", VK_OEM_6},
      {Qt::Key_QuoteDbl, Qt::ShiftModifier, "\"", VK_OEM_7},
      {Qt::Key_F13, Qt::NoModifier, "", 0x7C},
      {Qt::Key_F24, Qt::NoModifier, "", 0x87},
      {Qt::Key_Zenkaku_Hankaku, Qt::NoModifier, "", VK_KANJI},
      {Qt::Key_Henkan, Qt::NoModifier, "", VK_CONVERT},
      {Qt::Key_Muhenkan, Qt::NoModifier, "", VK_NONCONVERT},
      {Qt::Key_Hiragana_Katakana, Qt::NoModifier, "", VK_KANA},
      {Qt::Key_5, Qt::KeypadModifier, "5", VK_NUMPAD0 + 5},
      {Qt::Key_Left, Qt::KeypadModifier, "", VK_LEFT},
      {Qt::Key_Adiaeresis, Qt::NoModifier, "ä", VK_PACKET},
      {Qt::Key_VolumeUp, Qt::NoModifier, "", VK_NONAME},
  };
  QWidget* target = w.box->Impl().Widget();
  for (const Row& row : rows) {
    const int before = log.calls;
    QKeyEvent event(QEvent::KeyPress, row.qtKey, row.modifiers, QString::fromUtf8(row.text));
    QApplication::sendEvent(target, &event);
    EXPECT_EQ(log.calls, before + 1) << std::hex << row.qtKey;
    EXPECT_EQ(log.key, row.want) << std::hex << row.qtKey;
    EXPECT_EQ(log.shift.Contains(ssShift), row.modifiers.testFlag(Qt::ShiftModifier)) << std::hex << row.qtKey;
  }
}

TEST(Form, KeysReachThePreviewingFormWhileTheMenuBarHoldsTheFocus) {
  Window w;
  KeyLog log;
  log.ListenTo(*w.form);
  w.form->Show();
  framework::testing::PressKeyOnMenuBar(*w.form, VK_LEFT, ssShift);
  EXPECT_EQ(log.calls, 1);
  EXPECT_EQ(log.key, VK_LEFT);
  EXPECT_EQ(log.shift.Bits, 1);
}

TEST(Form, TheFormGetsItsOwnKeysWithoutPreviewOnce) {
  Window w;
  KeyLog log;
  w.form->OnKeyDown = [&](TObject*, TVirtualKey& key, TShiftState) {
    ++log.calls;
    log.key = key;
  };
  w.form->Show();
  framework::testing::PressKey(*w.form, VK_DOWN, {});
  EXPECT_EQ(log.calls, 1);
  EXPECT_EQ(log.key, 0x28);
  w.form->SetKeyPreview(true);
  framework::testing::PressKey(*w.form, VK_UP, {});
  EXPECT_EQ(log.calls, 2);
  EXPECT_EQ(log.key, 0x26);
}

TEST(Form, ArrowKeysDoNotScrollTheScrollBox) {
  Window w;
  auto* inner = runtime::CreateComponent<TScrollBox>(*w.form);
  inner->SetParent(w.box);
  inner->SetBounds(0, 0, 2000, 2000);
  w.form->SetKeyPreview(true);
  w.form->Show();
  framework::testing::ProcessEvents();
  ASSERT_TRUE(w.box->VertScrollBarShowing());
  framework::testing::PressKey(*w.box, VK_DOWN, {});
  framework::testing::PressKey(*w.box, VK_NEXT, {});
  framework::testing::PressKey(*w.box, VK_RIGHT, {});
  EXPECT_EQ(w.box->VertScrollPosition(), 0);
  EXPECT_EQ(w.box->HorzScrollPosition(), 0);
}

TEST(Form, CaptionAndMenuBarShowWhatTheyAreGiven) {
  Window w;
  w.form->SetCaption("切り取り結果");
  EXPECT_EQ(w.form->Caption(), "切り取り結果");
  EXPECT_EQ(framework::testing::MenuBarTexts(*w.form), std::vector<std::string>{"ファイル(&F)"});
  w.form->SetMenu(nullptr);
  EXPECT_TRUE(framework::testing::MenuBarTexts(*w.form).empty());
  EXPECT_EQ(w.form->MenuBarHeight(), 0);
  EXPECT_EQ(w.form->ClientHeight(), 264);
}

TEST(Form, IsFilledWithTheButtonFaceColour) {
  Window w;
  w.box->SetVisible(false);
  w.bar->SetVisible(false);
  w.form->Show();
  framework::testing::ProcessEvents();
  EXPECT_EQ(w.form->Color(), clBtnFace);
  EXPECT_EQ(framework::testing::PixelAt(*w.form, 100, 100), static_cast<TColor>(ResolveColor(clBtnFace)));
}

}  // namespace

namespace {

TEST(EventDispatch, BitmapCanvasesGiveBackTheirDeviceContextsAfterAnEvent) {
  ScopedApplication app;
  TForm* form = nullptr;
  app->CreateForm(form);
  form->Show();
  TBitmap bitmap;
  bitmap.SetWidth(4);
  bitmap.SetHeight(4);
  bitmap.Canvas().SetPixelColor(0, 0, clRed);
  ASSERT_NE(bitmap.Canvas().CurrentHandle(), nullptr);
  framework::testing::PressKey(*form, VK_DOWN, {});
  EXPECT_EQ(bitmap.Canvas().CurrentHandle(), nullptr);
  EXPECT_EQ(bitmap.Canvas().PixelColor(0, 0), clRed);
}

}  // namespace

namespace {

TEST(Form, FilesDraggedOnTheWindowReachItsHandlersAsLocalNames) {
  Window w;
  w.form->Show();
  framework::testing::ProcessEvents();
  std::vector<std::vector<std::string>> asked;
  std::vector<std::vector<std::string>> dropped;
  w.form->OnDragFiles = [&](TObject*, const std::vector<std::string>& files, bool& accept) {
    asked.push_back(files);
    accept = files.back().ends_with(".ok");
  };
  w.form->OnDropFiles = [&](TObject*, const std::vector<std::string>& files) { dropped.push_back(files); };

  struct Case {
    std::vector<std::string> uris;
    // What the handler is asked with; nothing when the drag is refused first.
    std::vector<std::string> asked;
    bool taken;
  };
  const Case cases[] = {
      {{"file:///tmp/a%20b.ok"}, {"/tmp/a b.ok"}, true},
      {{"https://example.com/x.ok", "file:///tmp/y.no", "file:///tmp/z.ok"}, {"/tmp/y.no", "/tmp/z.ok"}, true},
      {{"file:///tmp/y.no"}, {"/tmp/y.no"}, false},
      {{"https://example.com/x.ok", "sftp://host/tmp/x.ok"}, {}, false},
  };
  for (const Case& c : cases) {
    for (const bool drop : {false, true}) {
      asked.clear();
      dropped.clear();
      // Over a child control too: the window decides for everything in it.
      EXPECT_EQ(framework::testing::DragUris(*w.box, c.uris, 20, 30, drop), c.taken) << c.uris.front();
      if (c.asked.empty()) {
        EXPECT_TRUE(asked.empty()) << c.uris.front();
      } else {
        ASSERT_FALSE(asked.empty()) << c.uris.front();
        EXPECT_EQ(asked.front(), c.asked) << c.uris.front();
      }
      // The drop is handled once it is over, from the message loop.
      EXPECT_TRUE(dropped.empty());
      framework::testing::ProcessEvents();
      const bool handled = !dropped.empty();
      EXPECT_EQ(handled, drop && c.taken) << c.uris.front();
      if (handled) {
        EXPECT_EQ(dropped.front(), c.asked) << c.uris.front();
      }
    }
  }

  // Without a handler that says yes, nothing is taken.
  w.form->OnDragFiles = nullptr;
  EXPECT_FALSE(framework::testing::DragUris(*w.form, {"file:///tmp/a.ok"}, 5, 5, true));
  framework::testing::ProcessEvents();
  EXPECT_TRUE(dropped.empty());
}

}  // namespace
