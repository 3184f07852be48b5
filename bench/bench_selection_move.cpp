// links: kiritori_app
// One mouse move of a selection drag (erase the old outline, draw the new one,
// rewrite the status text, repaint what changed on screen) on a 6000 x 4000
// and on a 600 x 400 picture in the main window. The first drawing, which
// gives the view an image of its own, is made before timing. The ratio is
// printed; it should stay near 1. The screen is 1280 x 1024, so the large
// picture scrolls in a window of at most that size.
// Then the same move on the large picture at 1:1 and shown whole with the
// loupe on against it off: the loupe repaints its own few pixels only, so
// the ratio should stay at most 1.3.
#include <cstdio>

#include "bench/DragBench.h"
#include "framework/Screen.h"
#include "layers/GuiLayers.h"

int main() {
  layers::PreferOffscreenPlatform();
  const layers::UiLayers started;
  framework::SetScreenWorkAreaForTesting(Rect(0, 0, 1280, 1024));

  const double large = bench::SecondsPerMove(6000, 4000, false);
  const double small = bench::SecondsPerMove(600, 400, false);
  std::printf("one selection move in the main window\n");
  std::printf("  6000 x 4000 picture: %.3f ms\n", large * 1e3);
  std::printf("   600 x  400 picture: %.3f ms\n", small * 1e3);
  std::printf("  ratio large / small: %.2f (should stay near 1)\n", large / small);

  std::printf("the same move with the loupe on, 6000 x 4000 picture\n");
  for (const bool whole : {false, true}) {
    const bench::LoupeTimes times = bench::SecondsPerMoveWithLoupe(6000, 4000, whole);
    std::printf("  %s: %.3f ms against %.3f ms without, ratio %.2f (should stay at most 1.3)\n",
                whole ? "shown whole" : "at 1:1     ", times.on * 1e3, times.off * 1e3, times.on / times.off);
  }

  return 0;
}
