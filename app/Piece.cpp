#include "app/Piece.h"

#include <utility>

namespace app {

TRect OrderedRect(const TRect& selection) noexcept {
  TRect r = selection;
  if (r.Bottom < r.Top) std::swap(r.Top, r.Bottom);
  if (r.Right < r.Left) std::swap(r.Left, r.Right);
  return r;
}

void CopyPiece(TCanvas& dest, TBitmap& source, const TRect& ordered) {
  const TRect piece = Rect(0, 0, ordered.Right - ordered.Left, ordered.Bottom - ordered.Top);
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
