#include "framework/GraphicControl.h"

#include <QImage>
#include <QPaintEvent>
#include <QPainter>
#include <cstring>

#include "framework/detail/ControlImpl.h"
#include "framework/detail/PaintRouting.h"
#include "graphics/Color.h"
#include "platform/Windows.h"
#include "runtime/Strings.h"

namespace framework::detail {

class GraphicControlImpl final : public ControlImpl {
 public:
  explicit GraphicControlImpl(QWidget* widget) : ControlImpl(widget) {}
  static void Paint(TGraphicControl& control, QWidget& widget, const QRect& exposed);
};

namespace {

class GraphicWidget final : public QWidget {
 public:
  TGraphicControl* control = nullptr;

 protected:
  void paintEvent(QPaintEvent* event) override {
    if (control == nullptr) return;
    PaintScope scope;
    GuardedPaint(*control, [&] { GraphicControlImpl::Paint(*control, *this, event->rect()); });
  }
};

// The platform objects of one paint, given back on every path.
class PaintSurface {
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
class CanvasOnSurface {
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
  PaintSurface surface(area.width(), area.height());
  if (!control.opaque_) {
    // What shows behind a control that leaves pixels alone is its parent.
    const TColor behind = control.Parent() != nullptr ? control.Parent()->Color() : clBtnFace;
    const COLORREF rgb = ResolveColor(behind);
    const std::uint32_t pixel = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    auto* bits = static_cast<std::uint32_t*>(surface.Bits());
    const std::size_t count = static_cast<std::size_t>(area.width()) * static_cast<std::size_t>(area.height());
    for (std::size_t i = 0; i < count; ++i) bits[i] = pixel;
  }
  // Drawing in client coordinates lands in the exposed part of the surface.
  SetWindowOrgEx(surface.Dc(), area.left(), area.top(), nullptr);
  {
    CanvasOnSurface attached(*control.canvas_, surface.Dc());
    control.PaintView();
  }
  GdiFlush();
  const QImage image(static_cast<const uchar*>(surface.Bits()), area.width(), area.height(), area.width() * 4,
                     QImage::Format_RGB32);
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

void TGraphicControl::PaintView() {}
