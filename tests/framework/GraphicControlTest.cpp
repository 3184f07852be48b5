#include "framework/GraphicControl.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <vector>

#include "Support.h"
#include "framework/Framework.h"
#include "framework/ScrollBox.h"
#include "framework/Testing.h"
#include "framework/detail/ControlImpl.h"

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

TEST(DesktopScale, EveryFactorIsRoundedToAWholeNumberAtLeastOne) {
  const struct {
    const char* setting;
    const char* rounded;
  } cases[] = {
      {"1.5", "2"},  {"1.25", "1"}, {"2", "2"},     {"2.5", "3"},
      {"0.4", "1"},  {"1.75;DP-1=2.25;0.5", "2;DP-1=2;1"},
      // What is no positive number stays for Qt to ignore.
      {"", ""},      {"big", "big"},  {"-2", "-2"},  {"DP-1=x;1.5", "DP-1=x;2"},
  };
  for (const auto& c : cases) EXPECT_EQ(framework::WholeScaleFactors(c.setting), c.rounded) << c.setting;
}

QWidget& WidgetOf(const TControl& control) { return *control.Impl().Widget(); }

TRect GeometryOf(const TControl& control) {
  const QRect r = WidgetOf(control).geometry();
  return Rect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}

TEST(HiDpi, GraphicControlsTakeTheLogicalPixelsThatCoverTheirDevicePixels) {
  if (!DesktopScaled()) GTEST_SKIP() << kNeedsScaledDesktop;
  ScopedApplication app;
  TForm* form = nullptr;
  app->CreateForm(form);
  form->SetClientWidth(100);
  form->SetClientHeight(80);
  auto* box = runtime::CreateComponent<TScrollBox>(*form);
  box->SetParent(form);
  box->SetBounds(0, 0, 50, 40);
  auto* placed = runtime::CreateComponent<Painter>(*form);
  placed->SetParent(box);
  ASSERT_EQ(placed->Pixels().Scale(), 2);
  const struct {
    TRect device;
    TRect logical;
  } cases[] = {
      {Rect(0, 0, 641, 481), Rect(0, 0, 321, 241)},
      {Rect(30, 20, 40, 30), Rect(15, 10, 20, 15)},
      {Rect(3, 5, 7, 9), Rect(1, 2, 4, 5)},
  };
  for (const auto& c : cases) {
    placed->SetBounds(c.device.Left, c.device.Top, static_cast<int>(c.device.Width()),
                      static_cast<int>(c.device.Height()));
    EXPECT_EQ(placed->BoundsRect(), c.device);
    EXPECT_EQ(placed->BoundsInParent(), c.logical);
    EXPECT_EQ(GeometryOf(*placed), c.logical);
    EXPECT_EQ(box->RangeWidth(), c.logical.Right);
    EXPECT_EQ(box->RangeHeight(), c.logical.Bottom);
  }
  // Docked, it keeps the logical height that covers its own and spans the
  // form's logical width.
  auto* docked = runtime::CreateComponent<Painter>(*form);
  docked->SetParent(form);
  docked->SetHeight(39);
  docked->SetAlign(alBottom);
  EXPECT_EQ(docked->BoundsRect(), Rect(0, 120, 200, 160));
  EXPECT_EQ(GeometryOf(*docked), Rect(0, 60, 100, 80));
}

TEST(HiDpi, PaintingAndTheMouseReachEveryDevicePixel) {
  if (!DesktopScaled()) GTEST_SKIP() << kNeedsScaledDesktop;
  Scene s;
  // An odd size: the widget's last logical column and row are half outside.
  s.view->SetBounds(30, 20, 41, 31);
  framework::testing::ProcessEvents();
  const struct {
    int x, y;
    TColor shown;
  } pixels[] = {
      {10, 10, clRed},     {19, 19, clRed},     {9, 10, clMedGray},  {20, 19, clMedGray},
      {0, 5, clBlack},     {39, 5, clBlack},    {40, 5, clMedGray},  {41, 30, clMedGray},
  };
  for (bool opaque : {false, true}) {
    // Opaque or not, what lies past the control's edge shows its parent.
    s.view->SetOpaque(opaque);
    s.view->Repaint();
    for (const auto& p : pixels) {
      EXPECT_EQ(framework::testing::PixelAt(*s.view, p.x, p.y), p.shown) << p.x << "," << p.y << " " << opaque;
    }
  }

  std::vector<TPoint> pressed;
  s.view->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) { pressed.push_back(Point(x, y)); };
  QWidget& widget = WidgetOf(*s.view);
  const QPointF origin = widget.mapTo(widget.window(), QPointF(0, 0));
  // Qt gives a widget's events whole logical positions; the window's
  // position keeps the half that names a device pixel.
  const struct {
    QPointF position, scene;
    TPoint device;
  } presses[] = {
      {{10.5, 3.0}, origin + QPointF(10.5, 3.0), Point(21, 6)},
      {{11.0, 4.0}, origin + QPointF(10.75, 3.5), Point(21, 7)},
      {{-1.0, 0.0}, origin + QPointF(-0.5, 0.25), Point(-1, 0)},
      // A press that came through another window keeps the widget's position.
      {{10.0, 3.0}, QPointF(500, 400), Point(20, 6)},
  };
  for (const auto& p : presses) {
    QMouseEvent event(QEvent::MouseButtonPress, p.position, p.scene, widget.mapToGlobal(p.position), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
    ASSERT_FALSE(pressed.empty());
    EXPECT_EQ(pressed.back(), p.device) << p.position.x() << "," << p.position.y();
    pressed.clear();
  }
}

TEST(HiDpi, OnAScreenOfAnotherScaleAControlCoversItsDevicePixelsAnew) {
  if (!DesktopScaled()) GTEST_SKIP() << kNeedsScaledDesktop;
  const QList<QScreen*> screens = QGuiApplication::screens();
  ASSERT_EQ(screens.size(), 2) << "the .hidpi tests describe a second screen";
  Scene s;
  ASSERT_EQ(GeometryOf(*s.view), Rect(15, 10, 35, 25));
  QWidget& window = *s.form->Impl().Widget();
  window.windowHandle()->setScreen(screens[1]);
  window.move(screens[1]->geometry().topLeft());
  framework::testing::ProcessEvents();
  EXPECT_EQ(s.view->Pixels().Scale(), 4);
  EXPECT_EQ(s.view->BoundsRect(), Rect(30, 20, 70, 50));
  EXPECT_EQ(GeometryOf(*s.view), Rect(7, 5, 18, 13));
}

}  // namespace
