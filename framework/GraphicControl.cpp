#include "framework/GraphicControl.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <cstring>

#include "framework/detail/ControlImpl.h"
#include "framework/detail/PaintRouting.h"
#include "graphics/Color.h"
#include "platform/BitmapLayout.h"
#include "platform/Windows.h"
#include "runtime/Strings.h"

namespace framework::detail {

class GraphicControlImpl final : public ControlImpl {
 public:
  explicit GraphicControlImpl(QWidget* widget) : ControlImpl(widget) {}
  static void Paint(TGraphicControl& control, QWidget& widget, const QRect& exposed);
  static void ScreenChanged(TGraphicControl& control) { control.PlaceAgain(); }
};

namespace {

class GraphicWidget final : public QWidget {
 public:
  TGraphicControl* control = nullptr;

 protected:
  bool event(QEvent* event) override {
    // On a screen of another scale the same device pixels cover other
    // logical ones.
    if (event->type() == QEvent::ScreenChangeInternal && control != nullptr) {
      Guarded([&] { GraphicControlImpl::ScreenChanged(*control); });
    }
    return QWidget::event(event);
  }

  void paintEvent(QPaintEvent* event) override {
    if (control == nullptr) return;
    PaintScope scope;
    // A few separate strips (a selection frame's sides) are painted one by
    // one rather than as the rectangle around them.
    constexpr int kSeparateRects = 8;
    const QRegion& region = event->region();
    if (region.rectCount() > kSeparateRects) {
      GuardedPaint(*control, [&] { GraphicControlImpl::Paint(*control, *this, event->rect()); });
      return;
    }
    for (const QRect& rect : region) {
      if (control == nullptr) return;
      GuardedPaint(*control, [&] { GraphicControlImpl::Paint(*control, *this, rect); });
    }
  }
};

// The platform objects of one paint, given back on every path.
class [[nodiscard]] PaintSurface {
 public:
  PaintSurface(int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down, like Qt's images
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    dc_ = CreateCompatibleDC(nullptr);
    if (bitmap_ == nullptr || bits_ == nullptr || dc_ == nullptr) {
      Free();
      throw EOutOfResources(strings::OutOfResources);
    }
    previous_ = SelectObject(dc_, bitmap_);
  }
  ~PaintSurface() { Free(); }
  PaintSurface(const PaintSurface&) = delete;
  PaintSurface& operator=(const PaintSurface&) = delete;

  HDC Dc() const { return dc_; }
  void* Bits() const { return bits_; }

 private:
  void Free() noexcept {
    if (dc_ != nullptr) {
      if (previous_ != nullptr) SelectObject(dc_, previous_);
      DeleteDC(dc_);
    }
    if (bitmap_ != nullptr) DeleteObject(bitmap_);
    dc_ = nullptr;
    bitmap_ = nullptr;
  }

  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
  void* bits_ = nullptr;
};

// Keeps the canvas on the paint's device context for the paint only.
class [[nodiscard]] CanvasOnSurface {
 public:
  CanvasOnSurface(TCanvas& canvas, HDC dc) : canvas_(canvas) { canvas_.SetDeviceContext(dc); }
  ~CanvasOnSurface() {
    canvas_.ReleaseSelections();
    canvas_.SetDeviceContext(nullptr);
  }
  CanvasOnSurface(const CanvasOnSurface&) = delete;
  CanvasOnSurface& operator=(const CanvasOnSurface&) = delete;

 private:
  TCanvas& canvas_;
};

}  // namespace

void GraphicControlImpl::Paint(TGraphicControl& control, QWidget& widget, const QRect& exposed) {
  const QRect area = exposed & widget.rect();
  if (area.isEmpty()) return;
  // Qt exposes logical pixels; the surface holds the device pixels they cover.
  const framework::PixelMapping pixels = control.Pixels();
  const TRect device =
      pixels.ToDevice(Rect(area.left(), area.top(), area.left() + area.width(), area.top() + area.height()));
  const int width = static_cast<int>(device.Width());
  const int height = static_cast<int>(device.Height());
  PaintSurface surface(width, height);
  // A size that is no whole number of logical pixels leaves device pixels
  // past the control's edge inside its widget; they show the parent too.
  const bool pastEdge = device.Right > control.Width() || device.Bottom > control.Height();
  if (!control.opaque_ || pastEdge) {
    // What shows behind a control that leaves pixels alone is its parent.
    const TColor behind = control.Parent() != nullptr ? control.Parent()->Color() : clBtnFace;
    const COLORREF rgb = ResolveColor(behind);
    const std::uint32_t pixel = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    auto* bits = static_cast<std::uint32_t*>(surface.Bits());
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (std::size_t i = 0; i < count; ++i) bits[i] = pixel;
  }
  // Drawing in client coordinates lands in the exposed part of the surface.
  SetWindowOrgEx(surface.Dc(), device.Left, device.Top, nullptr);
  {
    CanvasOnSurface attached(*control.canvas_, surface.Dc());
    const TGraphicControl::TPaintPixels own{static_cast<std::uint32_t*>(surface.Bits()), width, device};
    const QScopedValueRollback<const TGraphicControl::TPaintPixels*> exposed(control.paintPixels_, &own);
    control.PaintView();
  }
  GdiFlush();
  QImage image(static_cast<const uchar*>(surface.Bits()), width, height,
               static_cast<qsizetype>(platform::DibStride(width, 32)), QImage::Format_RGB32);
  // Each surface pixel lands on one device pixel.
  image.setDevicePixelRatio(pixels.Scale());
  QPainter painter(&widget);
  painter.drawImage(area.topLeft(), image);
}

}  // namespace framework::detail

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner, std::make_unique<framework::detail::GraphicControlImpl>(
                          new framework::detail::GraphicWidget)),
      canvas_(std::make_unique<TCanvas>()) {
  static_cast<framework::detail::GraphicWidget*>(Impl().Widget())->control = this;
  SetParentColor(true);
}

TGraphicControl::~TGraphicControl() {
  if (auto* widget = static_cast<framework::detail::GraphicWidget*>(Impl().Widget())) widget->control = nullptr;
}

void TGraphicControl::SetOpaque(bool value) {
  opaque_ = value;
  if (QWidget* widget = Impl().Widget()) widget->setAttribute(Qt::WA_OpaquePaintEvent, value);
}

framework::PixelMapping TGraphicControl::Pixels() const {
  // Startup makes the desktop's scale a whole number; the screen the widget
  // shows on has the last word.
  const QWidget* widget = Impl().Widget();
  return framework::PixelMapping(widget != nullptr ? qRound(widget->devicePixelRatioF()) : 1);
}

void TGraphicControl::PaintView() {}
