#include "framework/Control.h"

#include <QCoreApplication>
#include <QFont>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
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

namespace {

struct KeyCode {
  int qt;
  TVirtualKey vk;
};

// Keys other than letters, digits and function keys. A shifted digit or
// punctuation key arrives as the character it makes; it is the key it sits
// on that counts, as on a US keyboard.
constexpr KeyCode kKeyCodes[] = {
    {Qt::Key_Backspace, VK_BACK}, {Qt::Key_Tab, VK_TAB}, {Qt::Key_Backtab, VK_TAB},
    {Qt::Key_Clear, VK_CLEAR}, {Qt::Key_Return, VK_RETURN}, {Qt::Key_Enter, VK_RETURN},
    {Qt::Key_Shift, VK_SHIFT}, {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},
    {Qt::Key_AltGr, VK_MENU}, {Qt::Key_Pause, VK_PAUSE}, {Qt::Key_CapsLock, VK_CAPITAL},
    {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_Space, VK_SPACE}, {Qt::Key_PageUp, VK_PRIOR},
    {Qt::Key_PageDown, VK_NEXT}, {Qt::Key_End, VK_END}, {Qt::Key_Home, VK_HOME},
    {Qt::Key_Left, VK_LEFT}, {Qt::Key_Up, VK_UP}, {Qt::Key_Right, VK_RIGHT}, {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Print, VK_SNAPSHOT}, {Qt::Key_Insert, VK_INSERT}, {Qt::Key_Delete, VK_DELETE},
    {Qt::Key_Help, VK_HELP}, {Qt::Key_Meta, VK_LWIN}, {Qt::Key_Super_L, VK_LWIN},
    {Qt::Key_Super_R, VK_LWIN}, {Qt::Key_Menu, VK_APPS}, {Qt::Key_NumLock, VK_NUMLOCK},
    {Qt::Key_ScrollLock, VK_SCROLL},
    // The Japanese input keys.
    {Qt::Key_Zenkaku_Hankaku, VK_KANJI}, {Qt::Key_Zenkaku, VK_KANJI}, {Qt::Key_Hankaku, VK_KANJI},
    {Qt::Key_Kanji, VK_KANJI}, {Qt::Key_Henkan, VK_CONVERT}, {Qt::Key_Muhenkan, VK_NONCONVERT},
    {Qt::Key_Hiragana_Katakana, VK_KANA}, {Qt::Key_Hiragana, VK_KANA}, {Qt::Key_Katakana, VK_KANA},
    {Qt::Key_Kana_Lock, VK_KANA}, {Qt::Key_Kana_Shift, VK_KANA}, {Qt::Key_Romaji, VK_KANA},
    {Qt::Key_Eisu_toggle, VK_CAPITAL}, {Qt::Key_Eisu_Shift, VK_CAPITAL},
    // Shifted digits.
    {Qt::Key_Exclam, '1'}, {Qt::Key_At, '2'}, {Qt::Key_NumberSign, '3'}, {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'}, {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'}, {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'}, {Qt::Key_ParenRight, '0'},
    // Punctuation, plain and shifted.
    {Qt::Key_Semicolon, VK_OEM_1}, {Qt::Key_Colon, VK_OEM_1}, {Qt::Key_Equal, VK_OEM_PLUS},
    {Qt::Key_Plus, VK_OEM_PLUS}, {Qt::Key_Comma, VK_OEM_COMMA}, {Qt::Key_Less, VK_OEM_COMMA},
    {Qt::Key_Minus, VK_OEM_MINUS}, {Qt::Key_Underscore, VK_OEM_MINUS}, {Qt::Key_Period, VK_OEM_PERIOD},
    {Qt::Key_Greater, VK_OEM_PERIOD}, {Qt::Key_Slash, VK_OEM_2}, {Qt::Key_Question, VK_OEM_2},
    {Qt::Key_QuoteLeft, VK_OEM_3}, {Qt::Key_AsciiTilde, VK_OEM_3}, {Qt::Key_BracketLeft, VK_OEM_4},
    {Qt::Key_BraceLeft, VK_OEM_4}, {Qt::Key_Backslash, VK_OEM_5}, {Qt::Key_Bar, VK_OEM_5},
    {Qt::Key_yen, VK_OEM_5}, {Qt::Key_BracketRight, VK_OEM_6}, {Qt::Key_BraceRight, VK_OEM_6},
    {Qt::Key_Apostrophe, VK_OEM_7}, {Qt::Key_QuoteDbl, VK_OEM_7},
};

// The keypad's own keys while Num Lock is on; without it the keypad sends
// arrows and the like, which the table above names.
TVirtualKey KeypadKeyOf(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<TVirtualKey>(VK_NUMPAD0 + (key - Qt::Key_0));
  switch (key) {
    case Qt::Key_Asterisk: return VK_MULTIPLY;
    case Qt::Key_Plus: return VK_ADD;
    case Qt::Key_Minus: return VK_SUBTRACT;
    case Qt::Key_Period:
    case Qt::Key_Comma: return VK_DECIMAL;
    case Qt::Key_Slash: return VK_DIVIDE;
    default: return 0;
  }
}

}  // namespace

TVirtualKey VirtualKeyOf(const QKeyEvent& event) {
  const int key = event.key();
  if (key == 0) return 0;
  if ((event.modifiers() & Qt::KeypadModifier) != 0) {
    if (const TVirtualKey code = KeypadKeyOf(key)) return code;
  }
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<TVirtualKey>('A' + (key - Qt::Key_A));
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<TVirtualKey>('0' + (key - Qt::Key_0));
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<TVirtualKey>(VK_F1 + (key - Qt::Key_F1));
  for (const KeyCode& code : kKeyCodes) {
    if (code.qt == key) return code.vk;
  }
  return event.text().isEmpty() && (key < Qt::Key_Space || key > 0xFF) ? VK_NONAME : VK_PACKET;
}

int QtKeyOf(TVirtualKey key) {
  if (key >= 'A' && key <= 'Z') return Qt::Key_A + (key - 'A');
  if (key >= '0' && key <= '9') return Qt::Key_0 + (key - '0');
  if (key >= VK_F1 && key <= VK_F24) return Qt::Key_F1 + (key - VK_F1);
  for (const KeyCode& code : kKeyCodes) {
    if (code.vk == key) return code.qt;
  }
  return 0;
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
  if (type == QEvent::Wheel) {
    auto* wheel = static_cast<QWheelEvent*>(event);
    const framework::PixelMapping pixels = control_.Pixels();
    const QPointF at = wheel->position();
    const TShiftState shift = ShiftStateOf(wheel->modifiers(), wheel->buttons());
    bool handled = false;
    Guarded([&] {
      handled = control_.MouseWheel(shift, wheel->angleDelta().y(), pixels.DeviceAt(at.x()), pixels.DeviceAt(at.y()));
    });
    if (handled) wheel->accept();
    return handled;
  }
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

TPoint TControl::ScreenOrigin() const {
  const QWidget* client = impl_->ClientWidget();
  if (client == nullptr) return {};
  const QPoint origin = client->mapToGlobal(QPoint(0, 0));
  return Point(origin.x(), origin.y());
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

bool TControl::MouseWheel(TShiftState shift, int wheelDelta, int x, int y) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, shift, wheelDelta, x, y, handled);
  return handled;
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
