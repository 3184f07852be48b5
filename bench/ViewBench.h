// What the view benchmarks share: a patterned 24-bit picture, a view filling a
// form's scroll box, and best-of-rounds timing.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "framework/Application.h"
#include "framework/Form.h"
#include "framework/ScrollBox.h"
#include "graphics/Bitmap.h"
#include "ui/Image.h"

namespace bench {

inline void FillPicture(TBitmap& picture, int width, int height) {
  picture.SetBitDepth(bd24Bit);
  picture.SetWidth(width);
  picture.SetHeight(height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = picture.ScanLineAddress(y);
    for (int x = 0; x < width * 3; ++x) row[x] = static_cast<std::uint8_t>((x * 31 + y * 17) >> 2);
  }
}

// A new form of the given client size whose borderless scroll box holds an
// AutoSize, Stretch view of class View.
template <class View>
View* ViewInScrollBox(int clientWidth, int clientHeight, TForm*& form, TScrollBox*& box) {
  Application->CreateForm(form);
  form->SetClientWidth(clientWidth);
  form->SetClientHeight(clientHeight);
  box = runtime::CreateComponent<TScrollBox>(*form);
  box->SetParent(form);
  box->SetAlign(alClient);
  box->SetBorderStyle(bsNone);
  auto* view = runtime::CreateComponent<View>(*form);
  view->SetParent(box);
  view->SetBounds(0, 0, 33, 25);
  view->SetAutoSize(true);
  view->SetStretch(true);
  return view;
}

// Best seconds of one call of work(i) over rounds of perRound calls.
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

}  // namespace bench
