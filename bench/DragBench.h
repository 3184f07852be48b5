// The timing of selection moves in the main window, for the benchmarks that
// measure it.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/MainForm.h"
#include "bench/ViewBench.h"
#include "framework/Application.h"
#include "framework/Testing.h"
#include "graphics/Bitmap.h"

namespace bench {

// Runs measure() on a width x height picture in the main window, shown whole
// or at 1:1, in the middle of a selection drag whose first drawing, which
// gives the view an image of its own, is made; returns what it returns.
template <class Measure>
auto DuringDrag(int width, int height, bool whole, Measure measure) {
  TApplication application;
  TApplication* previous = Application;
  Application = &application;
  application.Initialize();
  application.CreateForm(mainForm);
  {
    TBitmap picture;
    FillPicture(picture, width, height);
    // What a successful Open leaves behind.
    mainForm->currentImage = std::make_unique<Cimg>();
    if (!mainForm->currentImage->SetGraphic(&picture)) {
      std::fputs("bench: the holder refused the picture\n", stderr);
      std::exit(1);
    }
  }
  mainForm->Image->Picture().AsBitmap().CopyFrom(mainForm->currentImage->bitmap.get());
  mainForm->Show();
  if (whole) mainForm->viewMenuFitClick(nullptr);
  mainForm->FitToPicture(mainForm->currentImage.get());
  framework::testing::ProcessEvents();
  if (whole && mainForm->Image->Zoom().IsActual()) {
    std::fprintf(stderr, "the %d x %d picture is not reduced\n", width, height);
    std::exit(1);
  }
  mainForm->ImageMouseDown(nullptr, mbLeft, {}, 20, 20);
  mainForm->ImageMouseMove(nullptr, {}, 200, 150);
  framework::testing::ProcessEvents();
  const auto result = measure();
  mainForm->ImageMouseUp(nullptr, mbLeft, {}, 0, 0);
  application.DestroyComponents();
  framework::testing::ProcessEvents();
  Application = previous;
  return result;
}

// Best seconds of one mouse move of the drag (erase the old outline, draw the
// new one, rewrite the status text, repaint what changed on screen) over one
// round of perRound moves.
inline double BestMove(int rounds) {
  return Best(rounds, 40, [](int i) {
    mainForm->ImageMouseMove(nullptr, {}, 200 + i % 9, 150 + i % 7);
    framework::testing::ProcessEvents();
  });
}

// Seconds per mouse move of a selection drag over a width x height picture in
// the main window, shown whole or at 1:1.
inline double SecondsPerMove(int width, int height, bool whole) {
  return DuringDrag(width, height, whole, [] { return BestMove(25); });
}

// The same with the loupe off and on, in alternating rounds of one drag so
// that both meet the same machine.
struct LoupeTimes {
  double off = 1e9;
  double on = 1e9;
};
inline LoupeTimes SecondsPerMoveWithLoupe(int width, int height, bool whole) {
  return DuringDrag(width, height, whole, [] {
    LoupeTimes times;
    for (int round = 0; round < 25; ++round) {
      times.off = std::min(times.off, BestMove(1));
      mainForm->viewMenuLoupe->Click();
      times.on = std::min(times.on, BestMove(1));
      mainForm->viewMenuLoupe->Click();
    }
    return times;
  });
}

}  // namespace bench
