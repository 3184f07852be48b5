// TImage: a graphic control that shows one picture at its natural size,
// stretched, proportionally scaled or centred, can take the picture's size,
// and offers the picture's bitmap canvas for drawing. Every change of the
// picture repaints the view; painting costs the visible area only.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/GraphicControl.h"
#include "graphics/Graphic.h"
#include "graphics/Picture.h"
#include "graphics/Types.h"
#include "ui/Zoom.h"

class TImage : public TGraphicControl {
  KIRITORI_CLASS(TImage, TGraphicControl)

  // A 105 × 105 view of an empty picture.
  explicit TImage(TComponent* owner);
  ~TImage() override;

  // The canvas of the picture's bitmap; drawing on it changes the bitmap and
  // repaints the view. An empty picture first becomes a white bitmap of the
  // view's size. Raises EInvalidOperation when the picture holds a graphic
  // other than a bitmap; nothing changes then.
  TCanvas& Canvas();

  // The owned picture; stays the view's.
  TPicture& Picture() const noexcept { return *picture_; }
  // Copies value into the view's picture (CopyFrom); the caller keeps value.
  void SetPicture(TPicture* value);

  // Scale the picture to the client area.
  bool Stretch() const noexcept { return stretch_; }
  void SetStretch(bool value);
  // Centre the placed picture in the client area.
  bool Center() const noexcept { return center_; }
  void SetCenter(bool value);
  // Keep the aspect ratio when scaling, and shrink pictures larger than the
  // client area.
  bool Proportional() const noexcept { return proportional_; }
  void SetProportional(bool value);
  // Handed to the graphic; a transparent picture lets the parent show through.
  bool Transparent() const noexcept { return transparent_; }
  void SetTransparent(bool value);
  // Repaint while the picture reports progress with RedrawNow.
  bool IncrementalDisplay() const noexcept { return incrementalDisplay_; }
  void SetIncrementalDisplay(bool value) { incrementalDisplay_ = value; }
  // Set while the view paints itself.
  bool Drawing() const noexcept { return drawing_; }

  // The rectangle, in client coordinates, that the picture occupies.
  TRect TargetRect() const;

  // Device pixels per picture pixel. At any factor but 1:1 an AutoSize view
  // measures ⌈W·z⌉ × ⌈H·z⌉ device pixels (at least one per side), so that
  // every device pixel shows a pixel of the picture and, enlarged, every
  // picture pixel lies under one; device position d shows picture pixel
  // Zoom().ToPicture(d). Reduced views paint from smaller copies of a 24-bit
  // picture, made when first needed and dropped with the picture.
  TZoom Zoom() const noexcept { return zoom_; }
  void SetZoom(TZoom value);
  // A one-device-pixel outline inverted over the painted picture, through
  // the device columns and rows where picture columns Left and Right and
  // rows Top and Bottom start; nothing for a point. Changing it repaints only
  // the old and the new outline. The picture itself is not touched.
  const std::optional<TRect>& Frame() const noexcept { return frame_; }
  void SetFrame(std::optional<TRect> value);

  // The picture's change handler, also run by the four placement setters:
  // takes the picture's size under AutoSize, hands Transparent to the graphic,
  // recomputes opacity and, unless the view is painting, invalidates it.
  void HandlePictureChange(TObject* sender);
  // Whether the containing form realised a new palette for the picture. This
  // platform's screen has no palette, so a dirty palette is only marked clean.
  bool ApplyPaletteChange();

  // Passed on from the picture.
  TProgressEvent OnProgress;

 protected:
  // The picture's size along the axes the alignment leaves free; always agrees.
  bool ProposeAutoSize(int& width, int& height) override;
  // Takes the new bounds; the view is opaque exactly when the picture covers
  // it at that size.
  void ApplyBounds() override;
  // Draws the picture into TargetRect on the control's paint surface; nothing
  // without a graphic. Drawing is restored also when drawing fails.
  void PaintView() override;
  // The palette the framework would realise: the graphic's, or 0.
  virtual HPALETTE PaletteQuery();
  // The picture's progress handler: repaints now when RedrawNow and
  // IncrementalDisplay are set, then fires OnProgress.
  virtual void Progress(TObject* sender, TProgressStage stage, std::uint8_t percentDone, bool redrawNow,
                        const TRect& r, const std::string& msg);

 private:
  // Under AutoSize, the size the picture takes at the zoom.
  void TakePictureSize();
  // Marks for repainting what the picture's last change covers on screen.
  void InvalidateChange();
  // Opaque while a picture that is not transparent covers the whole view.
  void UpdateOpacity();
  // Paints the exposed part at a zoom other than 1:1; false when the picture
  // is no 24-bit bitmap with pixels, which is then drawn stretched.
  bool PaintZoomed();
  void InvertFrame();
  void InvalidateFrame(const TRect& frame);
  // A copy reduced by 2^level, made now if missing; null when the picture
  // has none that small.
  struct Reduced {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::vector<std::uint8_t> Pixels;  // 24-bit rows, top-down, 3·Width apart
  };
  const Reduced* ReducedCopy(int level);

  std::unique_ptr<TPicture> picture_;
  bool stretch_ = false;
  bool center_ = false;
  bool incrementalDisplay_ = false;
  bool transparent_ = false;
  bool drawing_ = false;
  bool proportional_ = false;
  TZoom zoom_;
  std::optional<TRect> frame_;
  std::vector<Reduced> reduced_;  // level 1, 2, ...
};
