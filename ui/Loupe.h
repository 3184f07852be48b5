// TLoupe: a small floating window that magnifies the picture pixels around
// one of them, so that an edge can be put on the exact pixel while the view
// shows the picture reduced. Each picture pixel is a square of device pixels
// inside a grid, the centre's square is framed in red, pixels on the
// selection outline are inverted as the view inverts them, and the centre's
// picture coordinates show below. It never takes the focus.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "framework/FloatingWindow.h"
#include "graphics/Bitmap.h"
#include "graphics/Types.h"
#include "ui/Image.h"

class TLabel;
class TTimer;
class TLoupeMagnified;

namespace ui {

// Where a box of width × height goes on screen so that gap separates it from
// avoid: to the right of and below it, to the left where the screen ends on
// the right, above where it ends below. Along an axis where neither side has
// room it goes as far in as the screen allows; the other axis still keeps it
// off avoid.
TPoint PlaceBeside(const TRect& screen, const TRect& avoid, int width, int height, int gap);

}  // namespace ui

class TLoupe : public TFloatingWindow {
  KIRITORI_CLASS(TLoupe, TFloatingWindow)

 public:
  // Picture pixels along each side, the centre in the middle.
  static constexpr int kCells = 15;
  // Device pixels from one grid line to the next; the grid's lines are one
  // device pixel wide, so each picture pixel shows on kCellSize − 1 squared.
  static constexpr int kCellSize = 8;
  // The magnified square with its outer grid lines, in device pixels.
  static constexpr int kBlock = kCells * kCellSize + 1;
  // Logical pixels kept between the loupe and what it magnifies.
  static constexpr int kGap = 8;
  // Logical pixels below and right of the centre's pixel kept free for the
  // pointer's arrow, which sits there during a drag.
  static constexpr int kPointerSize = 24;

  // A drag may move faster than the screen shows: the loupe changes at most
  // once in this many milliseconds, and shows the last news when they end.
  static constexpr unsigned kFrameMs = 16;

  // Hidden until ShowAround.
  explicit TLoupe(TComponent* owner);
  ~TLoupe() override;

  // Magnifies the pixels of picture around centre, inverting those on
  // outline (columns Left and Right, rows Top and Bottom, as the view's
  // outline; nothing for a point), with centre's coordinates below; picture
  // pixels outside the picture show the scroll box's grey. Then places
  // itself beside where view shows them on the screen (ui::PlaceBeside,
  // away from the pointer's arrow too) and shows itself. Copies what it
  // shows: picture may go away afterwards. Within kFrameMs of the last
  // change on screen, the change waits for the frame's end (Pending).
  void ShowAround(const TImage& view, TBitmap& picture, TPoint centre, const TRect& outline);
  // A change waits for the frame's end.
  bool Pending() const { return pending_; }
  // Hiding drops a waiting change.
  void SetVisible(bool value) override;

  // The picture pixel in the middle, as last given.
  TPoint Centre() const { return centre_; }
  // The control that paints the magnified pixels, kBlock device pixels
  // square, centred in its client area.
  TControl& Magnified() const;
  // Where the square of the block's cell (column, row) starts in Magnified's
  // client area, past the grid line.
  TPoint CellOrigin(int column, int row) const;

 private:
  friend class TLoupeMagnified;
  using Cells = std::array<std::uint32_t, kCells * kCells>;  // 0x00RRGGBB

  // Puts what ShowAround took on the screen.
  void Refresh();

  TLoupeMagnified* magnified_ = nullptr;
  TLabel* coordinates_ = nullptr;
  Cells cells_{};
  TPoint centre_{};
  // What the loupe keeps off, on the screen in logical pixels, and the
  // device pixels per logical one there.
  TRect avoid_{};
  int scale_ = 1;
  std::size_t widestText_ = 0;
  TTimer* frame_ = nullptr;
  bool pending_ = false;
};
