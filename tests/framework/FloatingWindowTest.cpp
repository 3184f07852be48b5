#include "framework/FloatingWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "framework/Form.h"
#include "framework/Testing.h"
#include "framework/Timer.h"
#include "framework/detail/ControlImpl.h"
#include "tests/framework/Support.h"

namespace {

using framework::testing::ProcessEvents;

TEST(FloatingWindow, ShowsAtItsPlaceOnTheScreenAboveTheFormWithoutTakingFocusOrMouse) {
  ScopedApplication app;
  TForm* form = nullptr;
  app->CreateForm(form);
  form->Show();
  ProcessEvents();
  QWidget* active = QApplication::activeWindow();

  auto* floating = runtime::CreateComponent<TFloatingWindow>(*form);
  QWidget* window = floating->Impl().Widget();
  ASSERT_TRUE(window->isWindow());
  EXPECT_FALSE(floating->Showing());
  floating->SetBounds(50, 60, 70, 80);
  floating->Show();
  ProcessEvents();
  EXPECT_TRUE(floating->Showing());
  EXPECT_EQ(window->geometry(), QRect(50, 60, 70, 80));
  EXPECT_EQ(floating->ScreenOrigin(), Point(50, 60));
  EXPECT_EQ(QApplication::activeWindow(), active);
  EXPECT_TRUE(window->testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
  floating->Hide();
  EXPECT_FALSE(floating->Showing());
}

TEST(Timer, RunsItsHandlerFromTheLoopUntilDisabled) {
  ScopedApplication app;
  TTimer timer;
  int calls = 0;
  timer.SetInterval(1);
  timer.OnTimer = [&](TObject* sender) {
    EXPECT_EQ(sender, &timer);
    if (++calls == 2) timer.SetEnabled(false);
  };
  framework::testing::ProcessEventsWhile([&] { return timer.Enabled(); });
  EXPECT_EQ(calls, 2);
  // Disabled, or with no interval, it stays quiet.
  timer.SetInterval(0);
  timer.SetEnabled(true);
  ProcessEvents();
  EXPECT_EQ(calls, 2);
}

}  // namespace
