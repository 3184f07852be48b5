#include "ui/Image.h"

#include "graphics/Bitmap.h"
#include "graphics/Icon.h"
#include "graphics/Metafile.h"
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
  if (AutoSize() && picture_->Width() > 0 && picture_->Height() > 0) {
    SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
  }
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
  if (align == alNone || align == alLeft || align == alRight) width = picture_->Width();
  if (align == alNone || align == alTop || align == alBottom) height = picture_->Height();
  return true;
}

void TImage::PaintView() {
  FlagRestore painting(drawing_, true);
  if (TGraphic* graphic = picture_->Graphic()) {
    TGraphicControl::Canvas().DrawGraphicStretched(TargetRect(), graphic);
  }
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
