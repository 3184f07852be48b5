// links: kiritori_app
// Zoom costs what the screen shows, not the picture:
// - one repaint of a 1920 x 1080 view of a 100 megapixel picture at each zoom
//   step, against the same repaint at 1:1 (the reduced copies a zoom needs are
//   made by a first paint before timing); every ratio should stay at most 1.5;
// - one mouse move of a selection drag on a 24 megapixel picture shown whole,
//   against a move at 1:1 on a 0.24 megapixel one; the ratio should stay at
//   most 1.2.
#include <algorithm>
#include <cstdio>

#include "bench/DragBench.h"
#include "bench/ViewBench.h"
#include "framework/Screen.h"
#include "layers/GuiLayers.h"
#include "ui/Image.h"

namespace {

constexpr int kViewWidth = 1920;
constexpr int kViewHeight = 1080;

void Repaints() {
  TForm* form = nullptr;
  TScrollBox* box = nullptr;
  auto* view = bench::ViewInScrollBox<TImage>(kViewWidth, kViewHeight, form, box);
  {
    TBitmap picture;
    bench::FillPicture(picture, 12240, 8160);  // 99.9 megapixels
    view->Picture().AsBitmap().CopyFrom(&picture);
  }
  form->Show();
  framework::testing::ProcessEvents();

  auto repaint = [&](TZoom zoom) {
    view->SetZoom(zoom);
    framework::testing::ProcessEvents();
    box->SetScrollPosition(std::max(0, view->Width() - kViewWidth) / 2, std::max(0, view->Height() - kViewHeight) / 2);
    view->Repaint();  // makes the reduced copies this zoom paints from
    return bench::Best(9, 10, [&](int) {
      view->Repaint();
      FreeAllCanvasContexts();
    });
  };
  const double actual = repaint(TZoom());
  std::printf("repaint of a %d x %d view of a 12240 x 8160 picture\n", kViewWidth, kViewHeight);
  std::printf("  1:1: %.3f ms\n", actual * 1e3);
  double worst = 0;
  const TZoom steps[] = {TZoom(1, 16), TZoom(1, 12), TZoom(1, 8), TZoom(1, 6), TZoom(1, 4), TZoom(1, 3),
                         TZoom(1, 2),  TZoom(2, 3),  TZoom(2, 1), TZoom(3, 1), TZoom(8, 1), TZoom(16, 1)};
  for (TZoom zoom : steps) {
    const double at = repaint(zoom);
    worst = std::max(worst, at / actual);
    std::printf("  %lld/%lld: %.3f ms, ratio %.2f\n", static_cast<long long>(zoom.P()),
                static_cast<long long>(zoom.Q()), at * 1e3, at / actual);
  }
  std::printf("  worst ratio zoomed / 1:1: %.2f (should stay at most 1.5)\n", worst);
  runtime::DestroyComponent(form);
  framework::testing::ProcessEvents();
}

}  // namespace

int main() {
  layers::PreferOffscreenPlatform();
  const layers::UiLayers started;
  framework::SetScreenWorkAreaForTesting(Rect(0, 0, 2560, 1440));
  Repaints();

  framework::SetScreenWorkAreaForTesting(Rect(0, 0, 1280, 1024));
  const double whole = bench::SecondsPerMove(6000, 4000, true);
  const double actual = bench::SecondsPerMove(600, 400, false);
  std::printf("one selection move in the main window\n");
  std::printf("  6000 x 4000 picture shown whole: %.3f ms\n", whole * 1e3);
  std::printf("   600 x  400 picture at 1:1:      %.3f ms\n", actual * 1e3);
  std::printf("  ratio whole / 1:1: %.2f (should stay at most 1.2)\n", whole / actual);
  return 0;
}
