#include "ui/Image.h"

#include <algorithm>
#include <cstring>

#include "graphics/Bitmap.h"
#include "graphics/Icon.h"
#include "graphics/Metafile.h"
#include "platform/Windows.h"
#include "runtime/Exceptions.h"
#include "runtime/Strings.h"

namespace {

// Puts a flag back to what it was on every path out of a scope.
class [[nodiscard]] FlagRestore {
 public:
  FlagRestore(bool& flag, bool value) : flag_(flag), saved_(flag) { flag_ = value; }
  ~FlagRestore() { flag_ = saved_; }
  FlagRestore(const FlagRestore&) = delete;
  FlagRestore& operator=(const FlagRestore&) = delete;

 private:
  bool& flag_;
  bool saved_;
};

}  // namespace

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>()) {
  picture_->OnChange = [this](TObject* sender) { HandlePictureChange(sender); };
  picture_->OnProgress = [this](TObject* sender, TProgressStage stage, std::uint8_t percentDone, bool redrawNow,
                                const TRect& r, const std::string& msg) {
    Progress(sender, stage, percentDone, redrawNow, r, msg);
  };
  SetHeight(105);
  SetWidth(105);
}

TImage::~TImage() {
  // The picture goes after the view's own parts; it must not call back into them.
  picture_->OnChange = nullptr;
  picture_->OnProgress = nullptr;
}

TCanvas& TImage::Canvas() {
  if (picture_->Graphic() == nullptr) {
    TBitmap blank;
    blank.SetWidth(Width());
    blank.SetHeight(Height());
    picture_->SetGraphic(&blank);
  }
  TGraphic* graphic = picture_->Graphic();
  if (graphic == nullptr || !graphic->InheritsFrom(TBitmap::ClassInfo())) {
    throw EInvalidOperation(strings::NoBitmapToChange);
  }
  return static_cast<TBitmap*>(graphic)->Canvas();
}

void TImage::SetPicture(TPicture* value) { picture_->CopyFrom(value); }

void TImage::SetStretch(bool value) {
  if (value == stretch_) return;
  stretch_ = value;
  HandlePictureChange(this);
}

void TImage::SetCenter(bool value) {
  if (value == center_) return;
  center_ = value;
  HandlePictureChange(this);
}

void TImage::SetProportional(bool value) {
  if (value == proportional_) return;
  proportional_ = value;
  HandlePictureChange(this);
}

void TImage::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  HandlePictureChange(this);
}

TRect TImage::TargetRect() const {
  std::int32_t w = picture_->Width();
  std::int32_t h = picture_->Height();
  const std::int32_t cw = ClientWidth();
  const std::int32_t ch = ClientHeight();
  if (stretch_ || (proportional_ && (w > cw || h > ch))) {
    if (proportional_ && w > 0 && h > 0) {
      const double ratio = static_cast<double>(w) / h;
      if (w > h) {
        w = cw;
        h = static_cast<std::int32_t>(cw / ratio);
        if (h > ch) {
          h = ch;
          w = static_cast<std::int32_t>(ch * ratio);
        }
      } else {
        h = ch;
        w = static_cast<std::int32_t>(ch * ratio);
        if (w > cw) {
          w = cw;
          h = static_cast<std::int32_t>(cw / ratio);
        }
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  TRect r = Rect(0, 0, w, h);
  if (center_) {
    // Integer division rounds toward zero, also for pictures larger than the view.
    const std::int32_t dx = (cw - w) / 2;
    const std::int32_t dy = (ch - h) / 2;
    r = Rect(dx, dy, dx + w, dy + h);
  }
  return r;
}

void TImage::HandlePictureChange(TObject*) {
  // The reduced copies show the picture as it was.
  reduced_.clear();
  TakePictureSize();
  if (TGraphic* graphic = picture_->Graphic()) {
    if (!graphic->InheritsFrom(TMetafile::ClassInfo()) && !graphic->InheritsFrom(TIcon::ClassInfo())) {
      graphic->SetTransparent(transparent_);
    }
    if (ApplyPaletteChange() && drawing_) Update();
  }
  UpdateOpacity();
  if (!drawing_) InvalidateChange();
}

void TImage::UpdateOpacity() {
  // Wherever the picture leaves the view uncovered, the parent paints first;
  // an empty picture covers nothing.
  TGraphic* graphic = picture_->Graphic();
  const TRect r = TargetRect();
  SetOpaque(graphic != nullptr && !graphic->Transparent() && picture_->Width() > 0 && picture_->Height() > 0 &&
            r.Left <= 0 && r.Top <= 0 && r.Right >= Width() && r.Bottom >= Height());
}

void TImage::ApplyBounds() {
  TGraphicControl::ApplyBounds();
  // A new size may uncover what the picture covered, or cover it.
  UpdateOpacity();
}

void TImage::InvalidateChange() {
  // Drawing on the picture's canvas tells which part it changed; shown at
  // 1:1, only that part needs painting again, so a selection outline on a
  // huge photo costs what the outline covers.
  auto* bitmap = dynamic_cast<TBitmap*>(picture_->Graphic());
  if (bitmap != nullptr && bitmap->HasCanvas()) {
    if (const std::optional<TRect>& area = bitmap->Canvas().ChangedArea()) {
      const TRect target = TargetRect();
      if (target.Width() == bitmap->Width() && target.Height() == bitmap->Height()) {
        InvalidateArea(Rect(target.Left + area->Left, target.Top + area->Top, target.Left + area->Right,
                            target.Top + area->Bottom));
        return;
      }
    }
  }
  Invalidate();
}

bool TImage::ApplyPaletteChange() {
  if (!Visible() || IsLoading()) return false;
  TGraphic* graphic = picture_->Graphic();
  if (graphic == nullptr || !graphic->PaletteDirty()) return false;
  // The screen is true colour: no form has a palette to realise, so every
  // picture's palette counts as none.
  graphic->SetPaletteDirty(false);
  return false;
}

bool TImage::ProposeAutoSize(int& width, int& height) {
  const TAlign align = Align();
  if (align == alNone || align == alLeft || align == alRight) width = static_cast<int>(zoom_.Extent(picture_->Width()));
  if (align == alNone || align == alTop || align == alBottom) {
    height = static_cast<int>(zoom_.Extent(picture_->Height()));
  }
  return true;
}

void TImage::PaintView() {
  FlagRestore painting(drawing_, true);
  if (TGraphic* graphic = picture_->Graphic()) {
    if (zoom_.IsActual() || !PaintZoomed()) TGraphicControl::Canvas().DrawGraphicStretched(TargetRect(), graphic);
  }
  if (frame_) InvertFrame();
}

void TImage::TakePictureSize() {
  if (AutoSize() && picture_->Width() > 0 && picture_->Height() > 0) {
    SetBounds(Left(), Top(), static_cast<int>(zoom_.Extent(picture_->Width())),
              static_cast<int>(zoom_.Extent(picture_->Height())));
  }
}

void TImage::SetZoom(TZoom value) {
  if (value == zoom_) return;
  zoom_ = value;
  TakePictureSize();
  Invalidate();
}

const TImage::Reduced* TImage::ReducedCopy(int level) {
  auto* bitmap = dynamic_cast<TBitmap*>(picture_->Graphic());
  if (bitmap == nullptr || level < 1) return nullptr;
  while (static_cast<int>(reduced_.size()) < level) {
    const Reduced* from = reduced_.empty() ? nullptr : &reduced_.back();
    const std::int32_t fromWidth = from != nullptr ? from->Width : bitmap->Width();
    const std::int32_t fromHeight = from != nullptr ? from->Height : bitmap->Height();
    Reduced next;
    next.Width = fromWidth / 2;
    next.Height = fromHeight / 2;
    if (next.Width == 0 || next.Height == 0) return nullptr;
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(next.Width);
    next.Pixels.resize(rowBytes * static_cast<std::size_t>(next.Height));
    const std::size_t fromRowBytes = 3 * static_cast<std::size_t>(fromWidth);
    for (std::int32_t y = 0; y < next.Height; ++y) {
      const std::uint8_t* a = from != nullptr ? from->Pixels.data() + (2 * std::size_t(y)) * fromRowBytes
                                              : bitmap->ScanLineForReading(2 * y);
      const std::uint8_t* b = from != nullptr ? a + fromRowBytes : bitmap->ScanLineForReading(2 * y + 1);
      if (a == nullptr || b == nullptr) return nullptr;
      std::uint8_t* out = next.Pixels.data() + std::size_t(y) * rowBytes;
      // Each pixel is the mean of the 2 × 2 block it stands for.
      for (std::int32_t x = 0; x < next.Width; ++x, out += 3, a += 6, b += 6) {
        for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>((a[c] + a[c + 3] + b[c] + b[c + 3] + 2) / 4);
      }
    }
    reduced_.push_back(std::move(next));
  }
  return &reduced_[static_cast<std::size_t>(level) - 1];
}

bool TImage::PaintZoomed() {
  auto* bitmap = dynamic_cast<TBitmap*>(picture_->Graphic());
  const TPaintPixels* surface = PaintPixels();
  if (bitmap == nullptr || surface == nullptr || bitmap->Image().DIB.dsBmih.biBitCount != 24 ||
      bitmap->ScanLineForReading(0) == nullptr) {
    return false;
  }
  // Reduced by 2^level, the copy shows no fewer pixels than the view needs.
  int level = 0;
  const Reduced* source = nullptr;
  while ((zoom_.P() << (level + 1)) <= zoom_.Q()) {
    const Reduced* smaller = ReducedCopy(level + 1);
    if (smaller == nullptr) break;
    source = smaller;
    ++level;
  }
  const std::int32_t width = source != nullptr ? source->Width : bitmap->Width();
  const std::int32_t height = source != nullptr ? source->Height : bitmap->Height();
  const TRect& area = surface->Area;
  const std::int32_t left = std::max<std::int32_t>(area.Left, 0);
  const std::int32_t right = std::min<std::int32_t>(area.Right, Width());
  const std::int32_t top = std::max<std::int32_t>(area.Top, 0);
  const std::int32_t bottom = std::min<std::int32_t>(area.Bottom, Height());
  if (left >= right || top >= bottom) return true;
  // Nearest neighbour: device position d shows the pixel that holds picture
  // pixel ⌊d / z⌋.
  auto sourceOf = [&](std::int32_t d, std::int32_t count) {
    const std::int64_t at = zoom_.ToPicture(d) >> level;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(at, 0, count - 1));
  };
  std::vector<std::size_t> columns(static_cast<std::size_t>(right - left));
  for (std::int32_t x = left; x < right; ++x) columns[std::size_t(x - left)] = 3 * std::size_t(sourceOf(x, width));
  // Whole 4-byte loads, except for the columns of the row's last pixel, whose
  // fourth byte may lie past the pixels.
  const std::size_t lastWhole = static_cast<std::size_t>(
      std::lower_bound(columns.begin(), columns.end(), 3 * std::size_t(width) - 3) - columns.begin());
  std::int32_t previousRow = -1;
  std::uint32_t* previousOut = nullptr;
  for (std::int32_t y = top; y < bottom; ++y) {
    std::uint32_t* out = surface->Bits + std::size_t(y - area.Top) * std::size_t(surface->Stride) + (left - area.Left);
    const std::int32_t row = sourceOf(y, height);
    if (row == previousRow) {
      std::memcpy(out, previousOut, columns.size() * sizeof(std::uint32_t));
      continue;
    }
    const std::uint8_t* in = source != nullptr ? source->Pixels.data() + std::size_t(row) * 3 * std::size_t(width)
                                               : bitmap->ScanLineForReading(row);
    if (in == nullptr) return false;
    for (std::size_t i = 0; i < lastWhole; ++i) {
      std::uint32_t bgr;
      std::memcpy(&bgr, in + columns[i], sizeof bgr);
      out[i] = bgr & 0x00FFFFFF;
    }
    for (std::size_t i = lastWhole; i < columns.size(); ++i) {
      const std::uint8_t* p = in + columns[i];
      out[i] = std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16);
    }
    previousRow = row;
    previousOut = out;
  }
  return true;
}

namespace {

// The device lines of a frame: columns Left and Right, rows Top and Bottom.
struct FrameLines {
  std::int64_t left, right, top, bottom;
  std::int64_t MinColumn() const { return std::min(left, right); }
  std::int64_t MaxColumn() const { return std::max(left, right); }
  std::int64_t MinRow() const { return std::min(top, bottom); }
  std::int64_t MaxRow() const { return std::max(top, bottom); }
};

FrameLines LinesOf(const TRect& frame, TZoom zoom) {
  return {zoom.ToDevice(frame.Left), zoom.ToDevice(frame.Right), zoom.ToDevice(frame.Top),
          zoom.ToDevice(frame.Bottom)};
}

}  // namespace

void TImage::InvertFrame() {
  const TPaintPixels* surface = PaintPixels();
  // The outline of a point covers no pixel, as one drawn into the picture.
  if (surface == nullptr || (frame_->Left == frame_->Right && frame_->Top == frame_->Bottom)) return;
  GdiFlush();
  const FrameLines lines = LinesOf(*frame_, zoom_);
  const TRect& area = surface->Area;
  const std::int64_t clipLeft = std::max<std::int64_t>(area.Left, 0);
  const std::int64_t clipRight = std::min<std::int64_t>(area.Right, Width());
  const std::int64_t clipTop = std::max<std::int64_t>(area.Top, 0);
  const std::int64_t clipBottom = std::min<std::int64_t>(area.Bottom, Height());
  auto invert = [&](std::int64_t x0, std::int64_t x1, std::int64_t y0, std::int64_t y1) {  // inclusive
    x0 = std::max(x0, clipLeft);
    x1 = std::min(x1, clipRight - 1);
    y0 = std::max(y0, clipTop);
    y1 = std::min(y1, clipBottom - 1);
    for (std::int64_t y = y0; y <= y1; ++y) {
      std::uint32_t* row = surface->Bits + (y - area.Top) * surface->Stride - area.Left;
      for (std::int64_t x = x0; x <= x1; ++x) row[x] ^= 0x00FFFFFF;
    }
  };
  // Every pixel of the frame is inverted once, also where its lines meet or
  // where it collapses to a single line.
  invert(lines.MinColumn(), lines.MaxColumn(), lines.top, lines.top);
  if (lines.bottom != lines.top) invert(lines.MinColumn(), lines.MaxColumn(), lines.bottom, lines.bottom);
  invert(lines.left, lines.left, lines.MinRow() + 1, lines.MaxRow() - 1);
  if (lines.right != lines.left) invert(lines.right, lines.right, lines.MinRow() + 1, lines.MaxRow() - 1);
}

void TImage::InvalidateFrame(const TRect& frame) {
  const FrameLines lines = LinesOf(frame, zoom_);
  auto strip = [&](std::int64_t x0, std::int64_t x1, std::int64_t y0, std::int64_t y1) {  // inclusive
    const std::int64_t limit = TZoom::kMaxExtent + 1;
    auto fit = [&](std::int64_t v) { return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, -1, limit)); };
    InvalidateArea(Rect(fit(x0), fit(y0), fit(x1 + 1), fit(y1 + 1)));
  };
  strip(lines.MinColumn(), lines.MaxColumn(), lines.top, lines.top);
  strip(lines.MinColumn(), lines.MaxColumn(), lines.bottom, lines.bottom);
  strip(lines.left, lines.left, lines.MinRow(), lines.MaxRow());
  strip(lines.right, lines.right, lines.MinRow(), lines.MaxRow());
}

void TImage::SetFrame(std::optional<TRect> value) {
  if (value == frame_) return;
  if (frame_) InvalidateFrame(*frame_);
  frame_ = value;
  if (frame_) InvalidateFrame(*frame_);
}

HPALETTE TImage::PaletteQuery() {
  TGraphic* graphic = picture_->Graphic();
  return graphic != nullptr ? graphic->ColorPalette() : nullptr;
}

void TImage::Progress(TObject* sender, TProgressStage stage, std::uint8_t percentDone, bool redrawNow,
                      const TRect& r, const std::string& msg) {
  // A picture that decodes while the view paints it reports from inside that
  // paint, which shows the result anyway; asking for a paint there would nest.
  if (redrawNow && incrementalDisplay_ && !drawing_) {
    // The control's canvas draws only inside a paint, so painting now means
    // asking the framework for one.
    if (ApplyPaletteChange()) {
      Update();
    } else {
      Repaint();
    }
  }
  if (OnProgress) OnProgress(sender, stage, percentDone, redrawNow, r, msg);
}
