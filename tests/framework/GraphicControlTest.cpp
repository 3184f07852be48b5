#include "framework/GraphicControl.h"

#include <gtest/gtest.h>

#include "Support.h"
#include "framework/Testing.h"

namespace {

// Paints a red square at (10, 10)-(20, 20) and a black line along row 5, in
// its client coordinates; counts its paints.
class Painter : public TGraphicControl {
 public:
  explicit Painter(TComponent* owner) : TGraphicControl(owner) {}
  int paints = 0;
  bool fail = false;

 protected:
  void PaintView() override {
    ++paints;
    if (fail) throw EInvalidGraphic("ビットマップイメージが不正です");
    Canvas().Brush().SetColor(clRed);
    Canvas().FillArea(Rect(10, 10, 20, 20));
    Canvas().MovePenTo(0, 5);
    Canvas().DrawLineTo(40, 5);
  }
};

struct Scene {
  ScopedApplication app;
  TForm* form = nullptr;
  Painter* view = nullptr;
  Scene() {
    app->CreateForm(form);
    form->SetClientWidth(100);
    form->SetClientHeight(80);
    form->SetColor(clMedGray);
    view = runtime::CreateComponent<Painter>(*form);
    view->SetParent(form);
    view->SetBounds(30, 20, 40, 30);
    form->Show();
    framework::testing::ProcessEvents();
  }
};

TEST(GraphicControl, PaintsThroughItsCanvasInClientCoordinates) {
  Scene s;
  EXPECT_GE(s.view->paints, 1);
  EXPECT_EQ(framework::testing::PixelAt(*s.view, 15, 15), clRed);
  EXPECT_EQ(framework::testing::PixelAt(*s.view, 0, 5), clBlack);
  EXPECT_EQ(framework::testing::PixelAt(*s.view, 39, 5), clBlack);
  // Where the control leaves pixels alone, its parent's colour shows.
  EXPECT_EQ(framework::testing::PixelAt(*s.view, 5, 25), clMedGray);
  EXPECT_EQ(framework::testing::PixelAt(*s.form, 45, 35), clRed);
}

TEST(GraphicControl, ItsCanvasDrawsNowhereOutsideAPaint) {
  Scene s;
  EXPECT_THROW(s.view->Canvas().DrawLineTo(3, 3), EInvalidOperation);
}

TEST(GraphicControl, AFailingPaintIsReportedAfterThePaint) {
  Scene s;
  BoxCatcher catcher;
  s.view->fail = true;
  s.view->Repaint();
  const int paints = s.view->paints;
  EXPECT_GE(paints, 2);
  EXPECT_TRUE(catcher.boxes.empty());
  framework::testing::ProcessEvents();
  ASSERT_FALSE(catcher.boxes.empty());
  EXPECT_EQ(catcher.boxes[0].text, "ビットマップイメージが不正です.");
}

class Sized : public TGraphicControl {
 public:
  explicit Sized(TComponent* owner) : TGraphicControl(owner) {}
  bool agree = true;

 protected:
  bool ProposeAutoSize(int& width, int& height) override {
    width = 640;
    height = 480;
    return agree;
  }
};

TEST(GraphicControl, AutoSizeTakesTheProposedSizeOnlyWhenSet) {
  ScopedApplication app;
  TForm* form = nullptr;
  app->CreateForm(form);
  auto* view = runtime::CreateComponent<Sized>(*form);
  view->SetParent(form);
  view->SetBounds(3, 4, 33, 25);
  view->AdjustSize();
  EXPECT_EQ(view->BoundsRect(), Rect(3, 4, 36, 29));
  view->agree = false;
  view->SetAutoSize(true);
  EXPECT_EQ(view->BoundsRect(), Rect(3, 4, 36, 29));
  view->agree = true;
  view->AdjustSize();
  EXPECT_EQ(view->BoundsRect(), Rect(3, 4, 643, 484));
}

}  // namespace
