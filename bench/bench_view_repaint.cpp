// links: kiritori_ui
// Repainting a 1:1 image view costs its visible area, not its picture: a
// 1000 x 800 scroll box shows the middle of a 6000 x 4000 and of a 1200 x 900
// picture, and the best of several rounds of repaints of each is compared. The
// ratio is printed; it should stay near 1.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/ViewBench.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Screen.h"
#include "framework/ScrollBox.h"
#include "framework/Testing.h"
#include "graphics/Bitmap.h"
#include "layers/GuiLayers.h"
#include "ui/Image.h"

namespace {

constexpr int kVisibleWidth = 1000;
constexpr int kVisibleHeight = 800;
constexpr int kRounds = 7;
constexpr int kRepaintsPerRound = 20;

// Counts the paints, so a repaint that Qt skipped cannot pass for a fast one.
class CountingImage : public TImage {
 public:
  explicit CountingImage(TComponent* owner) : TImage(owner) {}
  int paints = 0;

 protected:
  void PaintView() override {
    ++paints;
    TImage::PaintView();
  }
};

// Seconds per repaint of the visible middle of a width x height picture.
double SecondsPerRepaint(int width, int height) {
  TForm* form = nullptr;
  TScrollBox* box = nullptr;
  auto* view = bench::ViewInScrollBox<CountingImage>(kVisibleWidth, kVisibleHeight, form, box);
  TBitmap picture;
  bench::FillPicture(picture, width, height);
  view->Picture().AsBitmap().CopyFrom(&picture);
  form->Show();
  framework::testing::ProcessEvents();
  box->SetScrollPosition((width - kVisibleWidth) / 2, (height - kVisibleHeight) / 2);
  framework::testing::ProcessEvents();

  double best = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    const int before = view->paints;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRepaintsPerRound; ++i) {
      view->Repaint();
      FreeAllCanvasContexts();
    }
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    if (view->paints - before != kRepaintsPerRound) {
      std::fprintf(stderr, "expected %d paints, saw %d\n", kRepaintsPerRound, view->paints - before);
      std::exit(1);
    }
    best = std::min(best, spent.count() / kRepaintsPerRound);
  }
  runtime::DestroyComponent(form);
  framework::testing::ProcessEvents();
  return best;
}

}  // namespace

int main() {
  // Room for the whole 1000 x 800 client area.
  layers::PreferOffscreenPlatform();
  const layers::UiLayers started;
  framework::SetScreenWorkAreaForTesting(Rect(0, 0, 1920, 1200));

  const double large = SecondsPerRepaint(6000, 4000);
  const double small = SecondsPerRepaint(1200, 900);
  std::printf("repaint of a %d x %d visible area at 1:1\n", kVisibleWidth, kVisibleHeight);
  std::printf("  6000 x 4000 picture: %.3f ms\n", large * 1e3);
  std::printf("  1200 x  900 picture: %.3f ms\n", small * 1e3);
  std::printf("  ratio large / small: %.2f (should stay near 1)\n", large / small);

  return 0;
}
