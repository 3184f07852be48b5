#include "framework/Panel.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "framework/detail/PaintRouting.h"
#include "framework/detail/PanelImpl.h"

namespace framework::detail {

namespace {

// Draws the caption of its panel above the panel's children: a child that
// paints all of its area (a picture view) would otherwise hide the text, and a
// panel shows a caption exactly when its children have nothing to show.
class CaptionWidget final : public QWidget {
 public:
  explicit CaptionWidget(PanelWidget* owner) : QWidget(owner), owner_(owner) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NativeWindow, false);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    TPanel* panel = owner_->panel;
    if (panel == nullptr || panel->Caption().empty()) return;
    PaintScope scope;
    GuardedPaint(*panel, [&] {
      QPainter painter(this);
      painter.setPen(ToQColor(panel->Font().Color));
      painter.setFont(owner_->font());
      painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, QString::fromStdString(panel->Caption()));
    });
  }

 private:
  PanelWidget* owner_;
};

void DrawBevel(QPainter& painter, QRect& r, TBevelCut cut, int width) {
  if (cut == bvNone) return;
  const QColor light = ToQColor(clBtnHighlight);
  const QColor dark = ToQColor(clBtnShadow);
  for (int i = 0; i < width && r.width() > 0 && r.height() > 0; ++i) {
    if (cut != bvSpace) {
      const QColor topLeft = cut == bvRaised ? light : dark;
      const QColor bottomRight = cut == bvRaised ? dark : light;
      painter.fillRect(QRect(r.left(), r.top(), r.width(), 1), topLeft);
      painter.fillRect(QRect(r.left(), r.top(), 1, r.height()), topLeft);
      painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
      painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
    }
    r.adjust(1, 1, -1, -1);
  }
}

}  // namespace

PanelWidget::PanelWidget() : inner_(new QWidget(this)), caption_(new CaptionWidget(this)) {
  inner_->setAttribute(Qt::WA_NativeWindow, false);
  caption_->raise();
}

void PanelWidget::setInset(int inset) {
  inset_ = std::max(inset, 0);
  layOut();
  update();
}

void PanelWidget::layOut() {
  inner_->setGeometry(rect().adjusted(inset_, inset_, -inset_, -inset_));
  caption_->setGeometry(rect().adjusted(inset_, inset_, -inset_, -inset_));
}

void PanelWidget::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layOut();
}

void PanelWidget::paintEvent(QPaintEvent*) {
  if (panel == nullptr) return;
  PaintScope scope;
  GuardedPaint(*panel, [&] {
    QPainter painter(this);
    QRect r = rect();
    if (panel->BorderStyle() == bsSingle && r.width() > 0 && r.height() > 0) {
      painter.setPen(ToQColor(clWindowFrame));
      painter.drawRect(r.adjusted(0, 0, -1, -1));
      r.adjust(1, 1, -1, -1);
    }
    DrawBevel(painter, r, panel->BevelOuter(), panel->BevelWidth());
    r.adjust(panel->BorderWidth(), panel->BorderWidth(), -panel->BorderWidth(), -panel->BorderWidth());
    DrawBevel(painter, r, panel->BevelInner(), panel->BevelWidth());
  });
}

void HandlePaintFailure(TControl& control) noexcept {
  const std::exception_ptr error = std::current_exception();
  for (TControl* c = &control; c != nullptr; c = c->Parent()) {
    auto* panel = dynamic_cast<TPanel*>(c);
    if (panel == nullptr) continue;
    try {
      if (panel->PaintFailed(error)) return;
    } catch (...) {
      // The panel's own handling failed: that failure is the one to report.
      HandleCurrentException();
      return;
    }
  }
  HandleCurrentException();
}

}  // namespace framework::detail

using framework::detail::PanelImpl;
using framework::detail::PanelWidget;

namespace {
PanelWidget* WidgetOf(const TPanel& panel) { return static_cast<PanelImpl&>(panel.Impl()).Panel(); }
}  // namespace

TPanel::TPanel(TComponent* owner) : TWinControl(owner, std::make_unique<PanelImpl>()) {
  WidgetOf(*this)->panel = this;
  SetBounds(0, 0, 185, 41);
  ApplyFrame();
}

TPanel::~TPanel() {
  if (PanelWidget* widget = WidgetOf(*this)) widget->panel = nullptr;
}

void TPanel::SetCaption(std::string value) {
  if (value == caption_) return;
  caption_ = std::move(value);
  if (PanelWidget* widget = WidgetOf(*this)) widget->caption()->update();
}

void TPanel::SetBevelInner(TBevelCut value) {
  bevelInner_ = value;
  ApplyFrame();
}

void TPanel::SetBevelOuter(TBevelCut value) {
  bevelOuter_ = value;
  ApplyFrame();
}

void TPanel::SetBevelWidth(int value) {
  bevelWidth_ = std::max(value, 1);
  ApplyFrame();
}

void TPanel::SetBorderWidth(int value) {
  borderWidth_ = std::max(value, 0);
  ApplyFrame();
}

void TPanel::SetBorderStyle(TBorderStyle value) {
  borderStyle_ = value;
  ApplyFrame();
}

int TPanel::Inset() const {
  int inset = borderWidth_;
  if (borderStyle_ == bsSingle) inset += 1;
  if (bevelOuter_ != bvNone) inset += bevelWidth_;
  if (bevelInner_ != bvNone) inset += bevelWidth_;
  return inset;
}

int TPanel::ClientWidth() const { return std::max(Width() - 2 * Inset(), 0); }
int TPanel::ClientHeight() const { return std::max(Height() - 2 * Inset(), 0); }

void TPanel::ApplyFrame() {
  if (PanelWidget* widget = WidgetOf(*this)) widget->setInset(Inset());
  Realign();
}

bool TPanel::PaintFailed(const std::exception_ptr&) { return false; }
