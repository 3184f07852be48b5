#include "app/Piece.h"

#include <cstdint>
#include <limits>
#include <utility>

namespace app {

TRect OrderedRect(const TRect& selection) noexcept {
  TRect r = selection;
  if (r.Bottom < r.Top) std::swap(r.Top, r.Bottom);
  if (r.Right < r.Left) std::swap(r.Left, r.Right);
  return r;
}

bool FitsPiece(const TRect& ordered) noexcept {
  constexpr std::int64_t kMost = std::numeric_limits<std::int32_t>::max();
  return ordered.Width() <= kMost && ordered.Height() <= kMost;
}

void CopyPiece(TCanvas& dest, TBitmap& source, const TRect& ordered) {
  const TRect piece =
      Rect(0, 0, static_cast<std::int32_t>(ordered.Width()), static_cast<std::int32_t>(ordered.Height()));
  const bool inside = ordered.Left >= 0 && ordered.Top >= 0 && ordered.Right <= source.Width() &&
                      ordered.Bottom <= source.Height();
  if (!inside) {
    dest.Brush().SetColor(clWhite);
    dest.Brush().SetStyle(bsSolid);
    dest.FillArea(piece);
  }
  dest.CopyArea(piece, source.Canvas(), ordered);
}

}  // namespace app
