#include "framework/Control.h"

#include <QCoreApplication>
#include <QFont>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <algorithm>
#include <cmath>

#include "framework/detail/ControlImpl.h"
#include "graphics/Color.h"

namespace framework::detail {

QColor ToQColor(TColor color) {
  // System colours follow the platform's scheme, like everything it draws.
  const COLORREF rgb = ResolveColor(color);
  return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

TVirtualKey VirtualKeyOf(const QKeyEvent& event) {
  const int key = event.key();
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<TVirtualKey>('A' + (key - Qt::Key_A));
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<TVirtualKey>('0' + (key - Qt::Key_0));
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return static_cast<TVirtualKey>(VK_F1 + (key - Qt::Key_F1));
  switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    default: return 0;
  }
}

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  TShiftState state;
  if (modifiers & Qt::ShiftModifier) state = state | ssShift;
  if (modifiers & Qt::AltModifier) state = state | ssAlt;
  if (modifiers & Qt::ControlModifier) state = state | ssCtrl;
  if (buttons & Qt::LeftButton) state = state | ssLeft;
  if (buttons & Qt::RightButton) state = state | ssRight;
  if (buttons & Qt::MiddleButton) state = state | ssMiddle;
  return state;
}

namespace {

// Qt rounds the position it gives a widget's mouse event to whole logical
// pixels; the position in the window keeps the fraction that tells which
// device pixel is under the pointer.
QPointF PrecisePosition(const QWidget& widget, const QMouseEvent& mouse) {
  const QPointF rounded = mouse.position();
  const QPointF precise = mouse.scenePosition() - QPointF(widget.mapTo(widget.window(), QPoint(0, 0)));
  // An event that came through another window (the pointer grabbed by a
  // popup) holds a position in that window instead.
  const QPointF apart = precise - rounded;
  return std::abs(apart.x()) < 1 && std::abs(apart.y()) < 1 ? precise : rounded;
}

}  // namespace

bool MouseBridge::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
      type != QEvent::MouseMove && type != QEvent::MouseButtonRelease) {
    return QObject::eventFilter(watched, event);
  }
  const auto* mouse = static_cast<QMouseEvent*>(event);
  // A handler may destroy its own control; Qt must then not deliver further.
  const QPointer<QObject> alive(watched);
  // A position between logical pixels names the device pixel under the
  // pointer, which graphic controls count in.
  const QPointF at = PrecisePosition(*static_cast<QWidget*>(watched), *mouse);
  const framework::PixelMapping pixels = control_.Pixels();
  const int x = pixels.DeviceAt(at.x());
  const int y = pixels.DeviceAt(at.y());
  TShiftState shift = ShiftStateOf(mouse->modifiers(), mouse->buttons());
  TMouseButton button = mbLeft;
  if (mouse->button() == Qt::RightButton) button = mbRight;
  if (mouse->button() == Qt::MiddleButton) button = mbMiddle;
  const bool known = mouse->button() == Qt::LeftButton || mouse->button() == Qt::RightButton ||
                     mouse->button() == Qt::MiddleButton;
  switch (type) {
    case QEvent::MouseButtonDblClick:
      if (mouse->button() == Qt::LeftButton) Guarded([&] { control_.DblClick(); });
      if (alive.isNull()) return true;
      shift = shift | ssDouble;
      [[fallthrough]];
    case QEvent::MouseButtonPress:
      if (known) Guarded([&] { control_.MouseDown(button, shift, x, y); });
      break;
    case QEvent::MouseMove:
      Guarded([&] { control_.MouseMove(shift, x, y); });
      break;
    default:
      if (known) Guarded([&] { control_.MouseUp(button, shift, x, y); });
      break;
  }
  return alive.isNull();
}

ControlImpl::ControlImpl(QWidget* widget) : widget_(widget) {
  // Our controls are drawn by Qt into their window; none needs a window of its
  // own on the display server.
  widget->setAttribute(Qt::WA_NativeWindow, false);
}

ControlImpl::~ControlImpl() {
  if (mouse_ && input_ != nullptr) input_->removeEventFilter(mouse_.get());
  delete widget_.data();
}

void ControlImpl::BindMouse(TControl& control) {
  mouse_ = std::make_unique<MouseBridge>(control);
  input_ = ClientWidget();
  input_->setMouseTracking(true);
  input_->installEventFilter(mouse_.get());
}

}  // namespace framework::detail

using framework::detail::ControlImpl;

TControl::TControl(TComponent* owner, std::unique_ptr<ControlImpl> impl)
    : TComponent(owner), impl_(std::move(impl)) {
  impl_->BindMouse(*this);
}

TControl::~TControl() {
  if (parent_ != nullptr) parent_->RemoveControl(this);
  parent_ = nullptr;
}

void TControl::SetBounds(int left, int top, int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  StoreBounds(left, top, width, height);
  ApplyBounds();
  if (auto* self = dynamic_cast<TWinControl*>(this)) self->Realign();
  if (parent_ != nullptr) parent_->ChildChanged(this);
}

void TControl::StoreBounds(int left, int top, int width, int height) {
  left_ = left;
  top_ = top;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
}

void TControl::StoreBoundsInParent(const TRect& logical) {
  const TRect own = Pixels().ToDevice(logical);
  StoreBounds(own.Left, own.Top, static_cast<int>(own.Width()), static_cast<int>(own.Height()));
}

namespace {

QRect GeometryOf(const TControl& control) {
  const TRect r = control.BoundsInParent();
  return QRect(r.Left, r.Top, static_cast<int>(r.Width()), static_cast<int>(r.Height()));
}

}  // namespace

void TControl::ApplyBounds() {
  if (QWidget* w = impl_->Widget()) w->setGeometry(GeometryOf(*this));
}

void TControl::PlaceAgain() {
  ApplyBounds();
  if (parent_ != nullptr) parent_->ChildChanged(this);
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  TWinControl* old = parent_;
  if (old != nullptr) old->RemoveControl(this);
  parent_ = parent;
  QWidget* w = impl_->Widget();
  if (parent != nullptr) {
    parent->InsertControl(this);
    if (w != nullptr) {
      w->setParent(parent->Impl().ClientWidget());
      w->setGeometry(GeometryOf(*this));
    }
  } else if (w != nullptr) {
    w->setParent(nullptr);
  }
  ApplyAppearance();
  if (w != nullptr && parent != nullptr) w->setVisible(visible_);
  if (old != nullptr) old->ChildChanged(this);
  if (parent != nullptr) parent->ChildChanged(this);
}

void TControl::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  if (parent_ == nullptr) return;
  if (QWidget* w = impl_->Widget()) w->setVisible(value);
  parent_->ChildChanged(this);
}

bool TControl::Showing() const {
  const QWidget* w = impl_->Widget();
  return w != nullptr && w->isVisible();
}

void TControl::SetAlign(TAlign value) {
  if (value == align_) return;
  align_ = value;
  if (parent_ != nullptr) parent_->ChildChanged(this);
}

void TControl::SetAutoSize(bool value) {
  if (value == autoSize_) return;
  autoSize_ = value;
  AdjustSize();
}

void TControl::AdjustSize() {
  // A definition being loaded sets AutoSize before the content it sizes to.
  if (!autoSize_ || IsLoading()) return;
  int width = width_;
  int height = height_;
  if (ProposeAutoSize(width, height)) SetBounds(left_, top_, width, height);
}

bool TControl::ProposeAutoSize(int&, int&) { return false; }

TColor TControl::Color() const {
  if (parentColor_ && parent_ != nullptr) return parent_->Color();
  return color_;
}

void TControl::SetColor(TColor value) {
  color_ = value;
  parentColor_ = false;
  ApplyAppearance();
}

void TControl::SetParentColor(bool value) {
  if (value == parentColor_) return;
  parentColor_ = value;
  ApplyAppearance();
}

void TControl::SetFont(const TControlFont& font) {
  font_ = font;
  ApplyAppearance();
}

void TControl::ApplyAppearance() {
  QWidget* w = impl_->Widget();
  if (w == nullptr) return;
  QPalette palette = w->palette();
  palette.setColor(QPalette::Window, framework::detail::ToQColor(Color()));
  palette.setColor(QPalette::WindowText, framework::detail::ToQColor(font_.Color));
  w->setPalette(palette);
  w->setAutoFillBackground(true);
  if (!font_.Name.empty()) {
    QFont qfont(QString::fromStdString(font_.Name));
    // A negative height is the character height; a positive one the cell height,
    // which for these fonts is near enough to the same pixel size.
    qfont.setPixelSize(std::max(1, std::abs(font_.Height)));
    qfont.setBold((font_.Style & 1) != 0);
    qfont.setItalic((font_.Style & 2) != 0);
    qfont.setUnderline((font_.Style & 4) != 0);
    qfont.setStrikeOut((font_.Style & 8) != 0);
    w->setFont(qfont);
  }
}

void TControl::Invalidate() {
  if (QWidget* w = impl_->Widget()) w->update();
}

void TControl::InvalidateArea(const TRect& area) {
  QWidget* w = impl_->Widget();
  if (w == nullptr || area.Right <= area.Left || area.Bottom <= area.Top) return;
  const TRect cover = Pixels().LogicalCover(area);
  // Qt's rectangles take a width and height; keep them inside int.
  const QRect visible(0, 0, w->width(), w->height());
  const QRect wanted(QPoint(std::max(cover.Left, -1), std::max(cover.Top, -1)),
                     QPoint(std::min(cover.Right, w->width() + 1) - 1, std::min(cover.Bottom, w->height() + 1) - 1));
  const QRect changed = wanted & visible;
  if (!changed.isEmpty()) w->update(changed);
}

void TControl::Update() {
  QWidget* w = impl_->Widget();
  if (w == nullptr) return;
  // Qt keeps the pending repaint of a window as one posted request; handling
  // it now paints everything that was invalidated, this control included.
  QCoreApplication::sendPostedEvents(w->window(), QEvent::UpdateRequest);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

TWinControl::TWinControl(TComponent* owner, std::unique_ptr<ControlImpl> impl)
    : TControl(owner, std::move(impl)) {}

TWinControl::~TWinControl() {
  for (TControl* child : controls_) {
    child->parent_ = nullptr;
    if (QWidget* w = child->Impl().Widget()) w->setParent(nullptr);
  }
  controls_.clear();
}

TControl* TWinControl::Controls(int index) const {
  if (index < 0 || index >= ControlCount()) return nullptr;
  return controls_[static_cast<std::size_t>(index)];
}

void TWinControl::InsertControl(TControl* control) { controls_.push_back(control); }

void TWinControl::RemoveControl(TControl* control) noexcept {
  std::erase(controls_, control);
}

void TWinControl::ChildChanged(TControl*) { Realign(); }

void TWinControl::ApplyAppearance() {
  TControl::ApplyAppearance();
  for (TControl* child : controls_) {
    if (child->ParentColor()) child->ApplyAppearance();
  }
}

void TWinControl::Realign() {
  if (aligning_) return;
  aligning_ = true;
  int left = 0;
  int top = 0;
  int right = ClientWidth();
  int bottom = ClientHeight();
  for (TAlign pass : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TControl* c : controls_) {
      if (!c->visible_ || c->align_ != pass) continue;
      const int width = std::max(right - left, 0);
      const int height = std::max(bottom - top, 0);
      // Laid out in this control's logical pixels, whatever the child counts in.
      const TRect now = c->BoundsInParent();
      const int ownWidth = static_cast<int>(now.Width());
      const int ownHeight = static_cast<int>(now.Height());
      // Docked controls keep their own height or width even when the client
      // area is too small for them; the client-aligned one gets what is left.
      switch (pass) {
        case alTop:
          c->StoreBoundsInParent(Rect(left, top, left + width, top + ownHeight));
          top += ownHeight;
          break;
        case alBottom:
          c->StoreBoundsInParent(Rect(left, bottom - ownHeight, left + width, bottom));
          bottom -= ownHeight;
          break;
        case alLeft:
          c->StoreBoundsInParent(Rect(left, top, left + ownWidth, top + height));
          left += ownWidth;
          break;
        case alRight:
          c->StoreBoundsInParent(Rect(right - ownWidth, top, right, top + height));
          right -= ownWidth;
          break;
        default:
          c->StoreBoundsInParent(Rect(left, top, left + width, top + height));
          break;
      }
      c->ApplyBounds();
      if (auto* inner = dynamic_cast<TWinControl*>(c)) inner->Realign();
    }
  }
  aligning_ = false;
}
