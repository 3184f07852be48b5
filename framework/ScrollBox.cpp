#include "framework/ScrollBox.h"

#include <QKeyEvent>
#include <QPalette>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

#include "framework/detail/ControlImpl.h"

namespace {

class ScrollArea final : public QScrollArea {
 public:
  ScrollArea() {
    setFocusPolicy(Qt::NoFocus);
    setWidgetResizable(false);
    // The content is only as large as the children; the viewport's colour
    // shows around it.
    auto* content = new QWidget;
    content->setAttribute(Qt::WA_NativeWindow, false);
    content->resize(0, 0);
    setWidget(content);
    viewport()->setAutoFillBackground(true);
  }

 protected:
  // Keys belong to the form (arrow keys move the selection), never to scrolling.
  void keyPressEvent(QKeyEvent* event) override { event->ignore(); }
};

class ScrollBoxImpl final : public framework::detail::ControlImpl {
 public:
  ScrollBoxImpl() : ControlImpl(new ScrollArea) {}
  QScrollArea* Area() const { return static_cast<QScrollArea*>(Widget()); }
  QWidget* ClientWidget() const override {
    QScrollArea* area = Area();
    return area != nullptr ? area->widget() : nullptr;
  }
};

ScrollBoxImpl& ImplOf(const TScrollBox& box) { return static_cast<ScrollBoxImpl&>(box.Impl()); }

}  // namespace

TScrollBox::TScrollBox(TComponent* owner) : TScrollingWinControl(owner, std::make_unique<ScrollBoxImpl>()) {
  SetParentColor(true);
  SetBorderStyle(bsSingle);
  SetBounds(0, 0, 185, 41);
}

TScrollBox::~TScrollBox() = default;

void TScrollBox::SetBorderStyle(TBorderStyle value) {
  borderStyle_ = value;
  if (QScrollArea* area = ImplOf(*this).Area()) {
    area->setFrameShape(value == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
    area->setFrameShadow(QFrame::Sunken);
  }
  Realign();
}

int TScrollBox::ClientWidth() const {
  const QScrollArea* area = ImplOf(*this).Area();
  if (area == nullptr) return Width();
  if (area->isVisible()) return area->viewport()->width();
  return std::max(Width() - 2 * area->frameWidth(), 0);
}

int TScrollBox::ClientHeight() const {
  const QScrollArea* area = ImplOf(*this).Area();
  if (area == nullptr) return Height();
  if (area->isVisible()) return area->viewport()->height();
  return std::max(Height() - 2 * area->frameWidth(), 0);
}

bool TScrollBox::HorzScrollBarShowing() const {
  const QScrollArea* area = ImplOf(*this).Area();
  return area != nullptr && area->horizontalScrollBar()->isVisible();
}

bool TScrollBox::VertScrollBarShowing() const {
  const QScrollArea* area = ImplOf(*this).Area();
  return area != nullptr && area->verticalScrollBar()->isVisible();
}

int TScrollBox::HorzScrollPosition() const {
  const QScrollArea* area = ImplOf(*this).Area();
  return area != nullptr ? area->horizontalScrollBar()->value() : 0;
}

int TScrollBox::VertScrollPosition() const {
  const QScrollArea* area = ImplOf(*this).Area();
  return area != nullptr ? area->verticalScrollBar()->value() : 0;
}

void TScrollBox::SetScrollPosition(int x, int y) {
  if (QScrollArea* area = ImplOf(*this).Area()) {
    area->horizontalScrollBar()->setValue(x);
    area->verticalScrollBar()->setValue(y);
  }
}

void TScrollBox::ChildChanged(TControl* child) {
  TScrollingWinControl::ChildChanged(child);
  UpdateRange();
}

void TScrollBox::UpdateRange() {
  int width = 0;
  int height = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    const TControl* c = Controls(i);
    if (!c->Visible()) continue;
    const TRect r = c->BoundsInParent();
    width = std::max(width, r.Right);
    height = std::max(height, r.Bottom);
  }
  rangeWidth_ = width;
  rangeHeight_ = height;
  if (QWidget* content = ImplOf(*this).ClientWidget()) content->resize(width, height);
}

void TScrollBox::ApplyAppearance() {
  TScrollingWinControl::ApplyAppearance();
  QScrollArea* area = ImplOf(*this).Area();
  if (area == nullptr) return;
  // The viewport is what shows: give it the box's colour.
  QPalette palette = area->viewport()->palette();
  palette.setColor(QPalette::Window, framework::detail::ToQColor(Color()));
  area->viewport()->setPalette(palette);
  area->viewport()->setAutoFillBackground(true);
  area->widget()->setAutoFillBackground(false);
}
