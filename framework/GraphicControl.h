// Graphic controls: controls that draw themselves through a TCanvas. Only the
// exposed part is painted, into a device context of the platform stand-in
// whose pixels then go to the screen, so painting costs what is visible.
// They count the screen's device pixels, not the desktop's logical ones: their
// bounds, client coordinates, canvas and mouse positions are device pixels,
// so a picture drawn on the canvas at 1:1 shows one of its pixels on each.
#pragma once

#include <cstdint>
#include <memory>

#include "framework/Control.h"
#include "graphics/Canvas.h"

namespace framework::detail {
class GraphicControlImpl;
}  // namespace framework::detail

class TGraphicControl : public TControl {
  KIRITORI_CLASS(TGraphicControl, TControl)

  ~TGraphicControl() override;

  // The surface PaintView draws on, in the control's client coordinates. It
  // has a device context only while the control paints; drawing on it at any
  // other time raises EInvalidOperation.
  TCanvas& Canvas() { return *canvas_; }

  // An opaque control paints every one of its pixels, so its parent's colour
  // is not laid down behind it first.
  bool Opaque() const { return opaque_; }
  void SetOpaque(bool value);

  // Device pixels per logical pixel on the screen the control shows on.
  framework::PixelMapping Pixels() const override;

  // The paint surface's own pixels, for a control that writes them itself:
  // rows of 32-bit 0x00RRGGBB values, top-down, Stride values apart; the
  // first is the device pixel (Area.Left, Area.Top) of the client area.
  struct TPaintPixels {
    std::uint32_t* Bits = nullptr;
    int Stride = 0;
    TRect Area{};
  };

 protected:
  explicit TGraphicControl(TComponent* owner);

  // Draws the control on Canvas. The base draws nothing. A failure is reported
  // by the application once the paint is over.
  virtual void PaintView();
  // The surface PaintView draws on; null outside a paint.
  const TPaintPixels* PaintPixels() const { return paintPixels_; }

 private:
  friend class framework::detail::GraphicControlImpl;

  std::unique_ptr<TCanvas> canvas_;
  bool opaque_ = false;
  const TPaintPixels* paintPixels_ = nullptr;
};
