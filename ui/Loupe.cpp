#include "ui/Loupe.h"

#include <algorithm>

#include "framework/GraphicControl.h"
#include "framework/Label.h"
#include "framework/PixelMapping.h"
#include "framework/Screen.h"
#include "framework/Timer.h"
#include "runtime/Format.h"
#include "runtime/Strings.h"

namespace {

using framework::SaturatedInt;

// What a picture pixel outside the picture shows: the scroll box's grey.
constexpr std::uint32_t kOutside = 0xA0A0A4;
constexpr std::uint32_t kGrid = 0x404040;
constexpr std::uint32_t kCentreFrame = 0xFF0000;
constexpr int kMiddle = TLoupe::kCells / 2;

// Whether picture pixel (x, y) is on the outline of rect, which the view
// inverts once each: columns Left and Right, rows Top and Bottom, nothing for
// a point.
bool OnOutline(std::int64_t x, std::int64_t y, const TRect& rect) {
  if (rect.Left == rect.Right && rect.Top == rect.Bottom) return false;
  const TRect n = rect.Normalized();
  const bool inColumns = x >= n.Left && x <= n.Right;
  const bool inRows = y >= n.Top && y <= n.Bottom;
  return ((y == rect.Top || y == rect.Bottom) && inColumns) || ((x == rect.Left || x == rect.Right) && inRows);
}

// The 0x00RRGGBB colour of pixel x of a 24-bit picture row of width pixels;
// a missing row is outside the picture.
std::uint32_t PixelOf(const std::uint8_t* row, std::int32_t width, std::int64_t x) {
  if (row == nullptr || x < 0 || x >= width) return kOutside;
  const std::uint8_t* p = row + 3 * x;
  return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
}

}  // namespace

// The magnified block, painted straight into the paint surface: its cost is
// the block's few device pixels, whatever the picture's size.
class TLoupeMagnified : public TGraphicControl {
  KIRITORI_CLASS(TLoupeMagnified, TGraphicControl)

 public:
  explicit TLoupeMagnified(TComponent* owner) : TGraphicControl(owner) {}
  TLoupe* loupe = nullptr;

  TPoint BlockOrigin() const { return Point((Width() - TLoupe::kBlock) / 2, (Height() - TLoupe::kBlock) / 2); }

 protected:
  void PaintView() override {
    const TPaintPixels* surface = PaintPixels();
    if (surface == nullptr || loupe == nullptr) return;
    const TPoint origin = BlockOrigin();
    const TRect& area = surface->Area;
    const int k = TLoupe::kCellSize;
    const int top = std::max(area.Top, origin.Y);
    const int bottom = std::min(area.Bottom, origin.Y + TLoupe::kBlock);
    const int left = std::max(area.Left, origin.X);
    const int right = std::min(area.Right, origin.X + TLoupe::kBlock);
    for (int y = top; y < bottom; ++y) {
      std::uint32_t* out = surface->Bits + std::size_t(y - area.Top) * std::size_t(surface->Stride) - area.Left;
      const int by = y - origin.Y;
      const bool gridRow = by % k == 0;
      const bool centreRows = by >= kMiddle * k && by <= (kMiddle + 1) * k;
      for (int x = left; x < right; ++x) {
        const int bx = x - origin.X;
        const bool gridColumn = bx % k == 0;
        if (!gridRow && !gridColumn) {
          out[x] = loupe->cells_[std::size_t(by / k) * TLoupe::kCells + std::size_t(bx / k)];
          continue;
        }
        const bool centreColumns = bx >= kMiddle * k && bx <= (kMiddle + 1) * k;
        // The frame's rows and columns are grid lines themselves.
        const bool centreFrame = centreRows && centreColumns &&
                                 (by == kMiddle * k || by == (kMiddle + 1) * k || bx == kMiddle * k ||
                                  bx == (kMiddle + 1) * k);
        out[x] = centreFrame ? kCentreFrame : kGrid;
      }
    }
  }
};

namespace ui {

TPoint PlaceBeside(const TRect& screen, const TRect& avoid, int width, int height, int gap) {
  // One axis at a time: after, else before, else as far in as there is room.
  auto along = [gap](std::int64_t low, std::int64_t high, std::int64_t avoidLow, std::int64_t avoidHigh,
                     std::int64_t size) {
    const std::int64_t after = avoidHigh + gap;
    if (after + size <= high) return after;
    const std::int64_t before = avoidLow - gap - size;
    if (before >= low) return before;
    return std::max(low, high - size);
  };
  return Point(SaturatedInt(along(screen.Left, screen.Right, avoid.Left, avoid.Right, width)),
               SaturatedInt(along(screen.Top, screen.Bottom, avoid.Top, avoid.Bottom, height)));
}

}  // namespace ui

TLoupe::TLoupe(TComponent* owner) : TFloatingWindow(owner) {
  magnified_ = runtime::CreateComponent<TLoupeMagnified>(*this);
  magnified_->loupe = this;
  magnified_->SetParent(this);
  coordinates_ = runtime::CreateComponent<TLabel>(*this);
  coordinates_->SetParent(this);
  frame_ = runtime::CreateComponent<TTimer>(*this);
  frame_->SetEnabled(false);
  frame_->SetInterval(kFrameMs);
  frame_->OnTimer = [this](TObject*) {
    // A frame without news ends the frames.
    if (pending_) {
      Refresh();
    } else {
      frame_->SetEnabled(false);
    }
  };
}

TLoupe::~TLoupe() {
  if (magnified_ != nullptr) magnified_->loupe = nullptr;
}

TControl& TLoupe::Magnified() const { return *magnified_; }

TPoint TLoupe::CellOrigin(int column, int row) const {
  const TPoint origin = magnified_->BlockOrigin();
  return Point(origin.X + column * kCellSize + 1, origin.Y + row * kCellSize + 1);
}

void TLoupe::ShowAround(const TImage& view, TBitmap& picture, TPoint centre, const TRect& outline) {
  centre_ = centre;
  const bool pixels = picture.Image().DIB.dsBmih.biBitCount == 24;
  const std::int32_t width = picture.Width();
  const std::int32_t height = picture.Height();
  for (int row = 0; row < kCells; ++row) {
    const std::int64_t y = std::int64_t{centre.Y} + row - kMiddle;
    const std::uint8_t* line =
        pixels && y >= 0 && y < height ? picture.ScanLineForReading(static_cast<std::int32_t>(y)) : nullptr;
    for (int column = 0; column < kCells; ++column) {
      const std::int64_t x = std::int64_t{centre.X} + column - kMiddle;
      std::uint32_t colour = PixelOf(line, width, x);
      if (OnOutline(x, y, outline)) colour ^= 0xFFFFFF;
      cells_[std::size_t(row) * kCells + std::size_t(column)] = colour;
    }
  }

  // Where the view shows the magnified pixels on the screen, and the pointer
  // below and right of the centre's pixel.
  scale_ = view.Pixels().Scale();
  const TZoom zoom = view.Zoom();
  const TPoint origin = view.ScreenOrigin();
  auto screenX = [&](std::int64_t x) { return SaturatedInt(std::int64_t{origin.X} * scale_ + zoom.ToDevice(x)); };
  auto screenY = [&](std::int64_t y) { return SaturatedInt(std::int64_t{origin.Y} * scale_ + zoom.ToDevice(y)); };
  const std::int64_t cx = centre.X;
  const std::int64_t cy = centre.Y;
  const framework::PixelMapping mapping(scale_);
  avoid_ = mapping.LogicalCover(Rect(screenX(cx - kMiddle), screenY(cy - kMiddle),
                                     std::max(screenX(cx + kMiddle + 1), screenX(cx) + 1),
                                     std::max(screenY(cy + kMiddle + 1), screenY(cy) + 1)));
  const TRect pointer = mapping.LogicalCover(Rect(screenX(cx), screenY(cy), screenX(cx) + 1, screenY(cy) + 1));
  avoid_.Right = std::max(avoid_.Right, SaturatedInt(std::int64_t{pointer.Left} + kPointerSize));
  avoid_.Bottom = std::max(avoid_.Bottom, SaturatedInt(std::int64_t{pointer.Top} + kPointerSize));

  // Within a frame the last call is shown when the frame ends.
  if (frame_->Enabled()) {
    pending_ = true;
    return;
  }
  Refresh();
  frame_->SetEnabled(true);
}

void TLoupe::Refresh() {
  pending_ = false;
  // The label measures its text only when it is longer than any before, and
  // keeps that width: a drag changes the text at every move.
  const std::string text = Format(strings::LoupeCoordinates, centre_.X, centre_.Y);
  if (text.size() > widestText_) {
    widestText_ = text.size();
    coordinates_->SetAutoSize(true);
    coordinates_->SetCaption(text);
    coordinates_->SetAutoSize(false);
  } else if (text != coordinates_->Caption()) {
    coordinates_->SetCaption(text);
  }

  // Laid out in logical pixels; the block keeps its device pixels.
  const int block = framework::PixelMapping(scale_).LogicalLength(kBlock);
  const int width = std::max(block, coordinates_->Width() + 8);
  const int height = block + coordinates_->Height() + 4;
  magnified_->SetBounds(0, 0, width * scale_, block * scale_);
  coordinates_->SetBounds((width - coordinates_->Width()) / 2, block + 2, coordinates_->Width(),
                          coordinates_->Height());
  // On the monitor that shows what it magnifies.
  const TPoint middle = Point((avoid_.Left + avoid_.Right) / 2, (avoid_.Top + avoid_.Bottom) / 2);
  const TRect monitor = framework::MonitorRect(middle);
  const TPoint at = ui::PlaceBeside(monitor, avoid_, width, height, kGap);
  SetBounds(at.X, at.Y, width, height);
  magnified_->Invalidate();
  Show();
}

void TLoupe::SetVisible(bool value) {
  if (!value) {
    frame_->SetEnabled(false);
    pending_ = false;
  }
  TFloatingWindow::SetVisible(value);
}
