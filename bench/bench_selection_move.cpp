// links: kiritori_app
// One mouse move of a selection drag (erase the old outline, draw the new one,
// rewrite the status text, repaint what changed on screen) on a 6000 x 4000
// and on a 600 x 400 picture in the main window. The first drawing, which
// gives the view an image of its own, is made before timing. The ratio is
// printed; it should stay near 1. The screen is 1280 x 1024, so the large
// picture scrolls in a window of at most that size.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/DispForm.h"
#include "app/MainForm.h"
#include "framework/Application.h"
#include "framework/Screen.h"
#include "framework/Testing.h"
#include "graphics/Bitmap.h"
#include "layers/GuiLayers.h"

namespace {

constexpr int kRounds = 25;
constexpr int kMovesPerRound = 40;

// Seconds per mouse move over a width x height picture.
double SecondsPerMove(int width, int height) {
  TApplication application;
  TApplication* previous = Application;
  Application = &application;
  application.Initialize();
  application.CreateForm(mainForm);

  TBitmap picture;
  picture.SetBitDepth(bd24Bit);
  picture.SetWidth(width);
  picture.SetHeight(height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = picture.ScanLineAddress(y);
    for (int x = 0; x < width * 3; ++x) row[x] = static_cast<std::uint8_t>((x * 31 + y * 17) >> 2);
  }
  // What a successful Open leaves behind.
  mainForm->currentImage = std::make_unique<Cimg>();
  if (!mainForm->currentImage->SetGraphic(&picture)) {
    std::fputs("bench_selection_move: the holder refused the picture\n", stderr);
    std::exit(1);
  }
  mainForm->Image->Picture().AsBitmap().CopyFrom(mainForm->currentImage->bitmap.get());
  mainForm->FitToPicture(mainForm->currentImage.get());
  mainForm->Show();
  framework::testing::ProcessEvents();

  mainForm->ImageMouseDown(nullptr, mbLeft, {}, 20, 20);
  mainForm->ImageMouseMove(nullptr, {}, 200, 150);
  framework::testing::ProcessEvents();

  double best = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kMovesPerRound; ++i) {
      mainForm->ImageMouseMove(nullptr, {}, 200 + i % 9, 150 + i % 7);
      framework::testing::ProcessEvents();
    }
    const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
    best = std::min(best, spent.count() / kMovesPerRound);
  }
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
  framework::SetScreenWorkAreaForTesting(Rect(0, 0, 1280, 1024));

  const double large = SecondsPerMove(6000, 4000);
  const double small = SecondsPerMove(600, 400);
  std::printf("one selection move in the main window\n");
  std::printf("  6000 x 4000 picture: %.3f ms\n", large * 1e3);
  std::printf("   600 x  400 picture: %.3f ms\n", small * 1e3);
  std::printf("  ratio large / small: %.2f (should stay near 1)\n", large / small);

  return 0;
}
