#include <gtest/gtest.h>

#include "Support.h"
#include "framework/GraphicControl.h"
#include "framework/Panel.h"
#include "framework/SpeedButton.h"
#include "framework/Testing.h"
#include "graphics/Bitmap.h"
#include "runtime/Exceptions.h"

namespace {

namespace ft = framework::testing;

class Broken : public TGraphicControl {
 public:
  explicit Broken(TComponent* owner) : TGraphicControl(owner) {}

 protected:
  void PaintView() override { throw EInvalidGraphic("broken"); }
};

class TakingPanel : public TPanel {
 public:
  explicit TakingPanel(TComponent* owner) : TPanel(owner) {}
  int taken = 0;
  bool PaintFailed(const std::exception_ptr&) override {
    ++taken;
    return true;
  }
};

struct Scene {
  ScopedApplication app;
  BoxCatcher boxes;
  TForm* form = nullptr;
  Scene() {
    app->CreateForm(form);
    form->SetClientWidth(200);
    form->SetClientHeight(150);
  }
  template <class T>
  T& Add(TWinControl* parent, TAlign align = alClient) {
    T* control = runtime::CreateComponent<T>(*form);
    control->SetAlign(align);
    control->SetParent(parent);
    return *control;
  }
};

TEST(Panel, APaintFailureGoesToTheNearestPanelThatTakesItPastOnesThatDoNot) {
  Scene s;
  TakingPanel& outer = s.Add<TakingPanel>(s.form);
  TPanel& inner = s.Add<TPanel>(&outer);
  Broken& broken = s.Add<Broken>(&inner);
  s.form->Show();
  ft::PixelAt(broken, 1, 1);
  ft::ProcessEvents();
  EXPECT_GE(outer.taken, 1);
  EXPECT_TRUE(s.boxes.boxes.empty());
}

TEST(Panel, APaintFailureNoPanelTakesReachesTheApplication) {
  Scene s;
  TPanel& panel = s.Add<TPanel>(s.form);
  Broken& broken = s.Add<Broken>(&panel);
  s.form->Show();
  ft::PixelAt(broken, 1, 1);
  ft::ProcessEvents();
  ASSERT_FALSE(s.boxes.boxes.empty());
  EXPECT_EQ(s.boxes.boxes.front().text, "broken.");
}

TEST(Panel, ChildrenAlignInsideTheBordersAndBevels) {
  Scene s;
  TPanel& panel = s.Add<TPanel>(s.form, alNone);
  panel.SetBounds(0, 0, 100, 50);
  panel.SetBorderWidth(5);
  panel.SetBevelInner(bvLowered);
  panel.SetBorderStyle(bsSingle);
  TPanel& child = s.Add<TPanel>(&panel);
  // One pixel of frame, one of each bevel, five of border on every side.
  EXPECT_EQ(child.BoundsRect(), Rect(0, 0, 84, 34));
  s.form->Show();
  child.SetColor(clRed);
  child.SetBevelOuter(bvNone);
  EXPECT_EQ(ft::PixelAt(panel, 0, 0), clRed);
  EXPECT_EQ(ft::PixelAt(panel, -1, -1), ft::PixelAt(panel, 0, -1));  // the inner bevel's dark edge
}

TEST(SpeedButton, ShowsItsGlyphGreyedWhileDisabledAndClicksOnlyWhileEnabled) {
  Scene s;
  TSpeedButton& button = s.Add<TSpeedButton>(s.form, alNone);
  TBitmap glyph;
  glyph.SetWidth(16);
  glyph.SetHeight(16);
  glyph.Canvas().Brush().SetColor(clFuchsia);  // the bottom-left pixel: see-through
  glyph.Canvas().FillArea(Rect(0, 0, 16, 16));
  glyph.Canvas().Brush().SetColor(clBlack);
  glyph.Canvas().FillArea(Rect(4, 4, 12, 12));
  button.SetGlyph(&glyph);
  int clicks = 0;
  button.OnClick = [&](TObject*) { ++clicks; };
  s.form->Show();
  const auto click = [&] {
    ft::PressMouse(button, mbLeft, ssLeft, 5, 5);
    ft::ReleaseMouse(button, mbLeft, TShiftState{}, 5, 5);
  };
  const int cx = button.Width() / 2;
  const int cy = button.Height() / 2;
  EXPECT_EQ(ft::PixelAt(button, cx, cy), clBlack);
  // Around the glyph the button shows its colour, the form's button face.
  EXPECT_EQ(ft::PixelAt(button, 1, 1), ft::PixelAt(*s.form, 199, 149));
  button.SetEnabled(false);
  EXPECT_NE(ft::PixelAt(button, cx, cy), clBlack);
  click();
  EXPECT_EQ(clicks, 0);
  button.SetEnabled(true);
  click();
  EXPECT_EQ(clicks, 1);
}

TEST(Form, KeysThatMakeCharactersReachKeyPressAndAModalFormEndsWhenClosed) {
  Scene s;
  TForm& dialog = *runtime::CreateComponent<TForm>(*s.form);
  dialog.SetKeyPreview(true);
  std::string typed;
  dialog.OnKeyPress = [&](TObject*, char& key) {
    typed += key;
    if (key == 27) dialog.Close();
  };
  ft::RunLater([&] {
    ft::PressKey(dialog, 'A', ssShift);
    ft::PressKey(dialog, 'B', TShiftState{});
    ft::PressKey(dialog, VK_LEFT, TShiftState{});
    ft::PressKey(dialog, VK_ESCAPE, TShiftState{});
  });
  EXPECT_EQ(dialog.ShowModal(), mrCancel);
  EXPECT_EQ(typed, "Ab\x1b");
  EXPECT_FALSE(dialog.Showing());
}

}  // namespace
