// links: kiritori_app
// Zoom costs what the screen shows, not the picture:
// - one repaint of a 1920 x 1080 view of a 100 megapixel picture at each zoom
//   step, against the same repaint at 1:1 (the reduced copies a zoom needs are
//   made by a first paint before timing); every ratio should stay at most 1.5;
// - one mouse move of a selection drag on a 24 megapixel picture shown whole,
//   against a move at 1:1 on a 0.24 megapixel one; the ratio should stay at
//   most 1.2.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/DispForm.h"
#include "app/MainForm.h"
#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/Screen.h"
#include "framework/ScrollBox.h"
#include "framework/Testing.h"
#include "graphics/Bitmap.h"
#include "tests/Layers.h"
#include "ui/Image.h"

namespace {

constexpr int kViewWidth = 1920;
constexpr int kViewHeight = 1080;

void Fill(TBitmap& picture, int width, int height) {
  picture.SetBitDepth(bd24Bit);
  picture.SetWidth(width);
  picture.SetHeight(height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = picture.ScanLineAddress(y);
    for (int x = 0; x < width * 3; ++x) row[x] = static_cast<std::uint8_t>((x * 31 + y * 17) >> 2);
  }
}

// Best seconds of one call of work over a few rounds.
template <class Work>
double Best(int rounds, int perRound, Work work) {
  double best = 1e9;
  for (int round = 0; round < rounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < perRound; ++i) work(i);
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    best = std::min(best, spent.count() / perRound);
  }
  return best;
}

void Repaints() {
  TForm* form = nullptr;
  Application->CreateForm(form);
  form->SetClientWidth(kViewWidth);
  form->SetClientHeight(kViewHeight);
  auto* box = runtime::CreateComponent<TScrollBox>(*form);
  box->SetParent(form);
  box->SetAlign(alClient);
  box->SetBorderStyle(bsNone);
  auto* view = runtime::CreateComponent<TImage>(*form);
  view->SetParent(box);
  view->SetAutoSize(true);
  view->SetStretch(true);
  {
    TBitmap picture;
    Fill(picture, 12240, 8160);  // 99.9 megapixels
    view->Picture().AsBitmap().CopyFrom(&picture);
  }
  form->Show();
  framework::testing::ProcessEvents();

  auto repaint = [&](TZoom zoom) {
    view->SetZoom(zoom);
    framework::testing::ProcessEvents();
    box->SetScrollPosition(std::max(0, view->Width() - kViewWidth) / 2, std::max(0, view->Height() - kViewHeight) / 2);
    view->Repaint();  // makes the reduced copies this zoom paints from
    return Best(9, 10, [&](int) {
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

// Seconds per mouse move of a selection drag over a width x height picture,
// shown whole or at 1:1.
double SecondsPerMove(int width, int height, bool whole) {
  TApplication application;
  TApplication* previous = Application;
  Application = &application;
  application.Initialize();
  application.CreateForm(mainForm);
  {
    TBitmap picture;
    Fill(picture, width, height);
    mainForm->currentImage = std::make_unique<Cimg>();
    mainForm->currentImage->SetGraphic(&picture);
  }
  mainForm->Image->Picture().AsBitmap().CopyFrom(mainForm->currentImage->bitmap.get());
  mainForm->Show();
  if (whole) mainForm->viewMenuFitClick(nullptr);
  mainForm->FitToPicture(mainForm->currentImage.get());
  framework::testing::ProcessEvents();
  if (whole && mainForm->zoom.IsActual()) {
    std::fprintf(stderr, "the %d x %d picture is not reduced\n", width, height);
    std::exit(1);
  }
  mainForm->ImageMouseDown(nullptr, mbLeft, {}, 20, 20);
  mainForm->ImageMouseMove(nullptr, {}, 200, 150);
  framework::testing::ProcessEvents();
  const double best = Best(25, 40, [](int i) {
    mainForm->ImageMouseMove(nullptr, {}, 200 + i % 9, 150 + i % 7);
    framework::testing::ProcessEvents();
  });
  mainForm->ImageMouseUp(nullptr, mbLeft, {}, 0, 0);
  application.DestroyComponents();
  framework::testing::ProcessEvents();
  Application = previous;
  return best;
}

}  // namespace

int main() {
  layers::PreferOffscreenPlatform();
  const layers::UiLayers started;
  framework::SetScreenWorkAreaForTesting(Rect(0, 0, 2560, 1440));
  Repaints();

  framework::SetScreenWorkAreaForTesting(Rect(0, 0, 1280, 1024));
  const double whole = SecondsPerMove(6000, 4000, true);
  const double actual = SecondsPerMove(600, 400, false);
  std::printf("one selection move in the main window\n");
  std::printf("  6000 x 4000 picture shown whole: %.3f ms\n", whole * 1e3);
  std::printf("   600 x  400 picture at 1:1:      %.3f ms\n", actual * 1e3);
  std::printf("  ratio whole / 1:1: %.2f (should stay at most 1.2)\n", whole / actual);
  return 0;
}
