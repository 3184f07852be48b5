#include "framework/SpeedButton.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QToolButton>

#include "framework/detail/ControlImpl.h"
#include "graphics/Bitmap.h"

namespace {

QToolButton* ButtonOf(const TSpeedButton& button) { return static_cast<QToolButton*>(button.Impl().Widget()); }

// The glyph as a Qt image, its key colour (the bottom-left pixel) see-through.
QImage ImageOf(TBitmap& glyph) {
  const int width = glyph.Width();
  const int height = glyph.Height();
  if (width <= 0 || height <= 0) return QImage();
  TBitmap rows;
  rows.CopyFrom(&glyph);
  rows.SetBitDepth(bd24Bit);
  QImage image(width, height, QImage::Format_ARGB32);
  const std::uint8_t* bottom = rows.ScanLineAddress(height - 1);
  const QRgb key = qRgb(bottom[2], bottom[1], bottom[0]);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = rows.ScanLineAddress(y);
    for (int x = 0; x < width; ++x) {
      const QRgb rgb = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
      image.setPixel(x, y, rgb == key ? qRgba(0, 0, 0, 0) : rgb);
    }
  }
  return image;
}

}  // namespace

TSpeedButton::TSpeedButton(TComponent* owner)
    : TControl(owner, std::make_unique<framework::detail::ControlImpl>(new QToolButton)),
      glyph_(std::make_unique<TBitmap>()) {
  QToolButton* button = ButtonOf(*this);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::NoFocus);
  // A flat button shows the control's colour, which the framework keeps in the
  // window role, not the style's button colour.
  button->setBackgroundRole(QPalette::Window);
  QObject::connect(button, &QToolButton::clicked, button, [this] { framework::detail::Guarded([this] { Click(); }); });
  SetBounds(0, 0, 23, 22);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetGlyph(TBitmap* value) {
  auto glyph = std::make_unique<TBitmap>();
  if (value != nullptr) glyph->CopyFrom(value);
  glyph_ = std::move(glyph);
  ApplyGlyph();
}

void TSpeedButton::ApplyGlyph() {
  QToolButton* button = ButtonOf(*this);
  if (button == nullptr) return;
  const QImage image = ImageOf(*glyph_);
  // Qt greys the icon's disabled state from the same pixels.
  button->setIcon(image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image)));
  if (!image.isNull()) button->setIconSize(image.size());
}

void TSpeedButton::SetEnabled(bool value) {
  enabled_ = value;
  if (QToolButton* button = ButtonOf(*this)) button->setEnabled(value);
}

void TSpeedButton::SetHint(std::string value) {
  hint_ = std::move(value);
  ApplyHint();
}

void TSpeedButton::SetShowHint(bool value) {
  showHint_ = value;
  parentShowHint_ = false;
  ApplyHint();
}

void TSpeedButton::SetParentShowHint(bool value) {
  parentShowHint_ = value;
  ApplyHint();
}

void TSpeedButton::ApplyHint() {
  QToolButton* button = ButtonOf(*this);
  if (button == nullptr) return;
  // No container here carries a ShowHint of its own, so a button that follows
  // its parent shows none.
  const bool show = !parentShowHint_ && showHint_;
  button->setToolTip(show ? QString::fromStdString(hint_) : QString());
}

void TSpeedButton::Click() {
  if (enabled_ && OnClick) OnClick(this);
}
