#include "framework/Label.h"

#include <QLabel>

#include "framework/detail/ControlImpl.h"

namespace {
QLabel* LabelOf(const TLabel& label) { return static_cast<QLabel*>(label.Impl().Widget()); }
}  // namespace

TLabel::TLabel(TComponent* owner) : TControl(owner, std::make_unique<framework::detail::ControlImpl>(new QLabel)) {
  QLabel* label = LabelOf(*this);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  SetBounds(0, 0, 65, 13);
  SetParentColor(true);
  SetAutoSize(true);
}

void TLabel::SetCaption(std::string value) {
  caption_ = std::move(value);
  if (QLabel* label = LabelOf(*this)) label->setText(QString::fromStdString(caption_));
  AdjustSize();
}

bool TLabel::ProposeAutoSize(int& width, int& height) {
  const QLabel* label = LabelOf(*this);
  if (label == nullptr) return false;
  const QSize needed = label->sizeHint();
  const TAlign align = Align();
  if (align == alNone || align == alLeft || align == alRight) width = needed.width();
  if (align == alNone || align == alTop || align == alBottom) height = needed.height();
  return true;
}
