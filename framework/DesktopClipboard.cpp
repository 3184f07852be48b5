#include "framework/DesktopClipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPointer>
#include <QString>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/BitmapLayout.h"

namespace {

const QString kPng = QStringLiteral("image/png");
const QString kBmp = QStringLiteral("image/bmp");

// An image offered in two encodings, each made only when a program asks for
// it: a large picture costs nothing to copy until somebody pastes it.
class ImageMimeData final : public QMimeData {
 public:
  explicit ImageMimeData(QImage image) : image_(std::move(image)) {}

  QStringList formats() const override { return {kPng, kBmp}; }
  bool hasFormat(const QString& mimeType) const override { return mimeType == kPng || mimeType == kBmp; }

 protected:
  QVariant retrieveData(const QString& mimeType, QMetaType) const override {
    if (!hasFormat(mimeType)) return {};
    auto cached = encoded_.find(mimeType);
    if (cached == encoded_.end()) {
      QByteArray bytes;
      QBuffer buffer(&bytes);
      buffer.open(QIODevice::WriteOnly);
      if (!image_.save(&buffer, mimeType == kPng ? "PNG" : "BMP")) return {};
      cached = encoded_.emplace(mimeType, bytes).first;
    }
    return cached->second;
  }

 private:
  QImage image_;
  mutable std::map<QString, QByteArray> encoded_;
};

// The pixels of a clipboard bitmap (device-dependent or section, any depth) as
// an opaque 32-bit image; null when the bitmap cannot be read.
QImage ImageOf(HBITMAP bitmap) {
  BITMAP description{};
  if (GetObject(bitmap, sizeof description, &description) < static_cast<int>(sizeof description)) return {};
  const int width = description.bmWidth;
  const int height = std::abs(description.bmHeight);
  if (width <= 0 || height <= 0) return {};
  QImage image(width, height, QImage::Format_RGB32);
  if (image.isNull()) return {};
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  // A 32-bit row is width * 4 bytes both here and in a QImage of this format.
  HDC screen = GetDC(nullptr);
  const int lines = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), image.bits(), &info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  if (lines != height) return {};
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) row[x] |= 0xFF000000u;
  }
  return image;
}

// A screen-format bitmap (32-bit blue-green-red-x, rows top-down) of the
// image's pixels, or null when the platform refuses one that large.
HBITMAP BitmapOf(const QImage& image) {
  const QImage pixels = image.convertToFormat(QImage::Format_RGB32);
  // A refused width has no stride (0), which no row of an image matches.
  if (pixels.isNull() || static_cast<std::size_t>(pixels.bytesPerLine()) != platform::DibStride(pixels.width(), 32)) {
    return nullptr;
  }
  return CreateBitmap(pixels.width(), pixels.height(), 1, 32, pixels.constBits());
}

HGLOBAL TextOf(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  HGLOBAL memory = GlobalAlloc(GHND, static_cast<std::size_t>(bytes.size()) + 1);
  if (memory == nullptr) return nullptr;
  std::memcpy(GlobalLock(memory), bytes.constData(), static_cast<std::size_t>(bytes.size()));
  GlobalUnlock(memory);
  return memory;
}

QString TextIn(HGLOBAL memory) {
  const std::size_t size = GlobalSize(memory);
  const auto* bytes = static_cast<const char*>(GlobalLock(memory));
  if (bytes == nullptr) return {};
  const auto* end = static_cast<const char*>(std::memchr(bytes, 0, size));
  QString text = QString::fromUtf8(bytes, static_cast<qsizetype>(end ? end - bytes : size));
  GlobalUnlock(memory);
  return text;
}

class DesktopClipboard final : public platform::ClipboardBackend {
 public:
  bool Import(std::vector<platform::ClipboardEntry>& entries) override {
    QClipboard* clipboard = QGuiApplication::clipboard();
    // While the desktop shows what we published, ours is the fuller copy (it
    // keeps the palette).
    if (clipboard->ownsClipboard()) return false;
    const QMimeData* offered = clipboard->mimeData(QClipboard::Clipboard);
    if (offered != nullptr && offered == published_.data()) return false;
    published_ = nullptr;
    if (offered == nullptr) return true;
    if (offered->hasImage()) {
      HBITMAP bitmap = BitmapOf(clipboard->image(QClipboard::Clipboard));
      if (bitmap != nullptr) entries.push_back({CF_BITMAP, bitmap});
    }
    if (offered->hasText()) {
      HGLOBAL text = TextOf(offered->text());
      if (text != nullptr) entries.push_back({CF_TEXT, text});
    }
    return true;
  }

  void Publish(const std::vector<platform::ClipboardEntry>& entries) override {
    QMimeData* data = nullptr;
    for (const platform::ClipboardEntry& entry : entries) {
      if (entry.format == CF_BITMAP) {
        QImage image = ImageOf(static_cast<HBITMAP>(entry.data));
        if (!image.isNull()) {
          data = new ImageMimeData(std::move(image));
          break;
        }
      }
    }
    if (data == nullptr) {
      data = new QMimeData;
      for (const platform::ClipboardEntry& entry : entries) {
        if (entry.format == CF_TEXT) data->setText(TextIn(static_cast<HGLOBAL>(entry.data)));
      }
    }
    // Qt owns the data from here on, also at exit, when it hands it to a
    // clipboard manager; it is never cleared on our side.
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
    published_ = data;
  }

 private:
  // Qt deletes it when another program takes the clipboard over.
  QPointer<QMimeData> published_;
};

}  // namespace

namespace framework {

std::unique_ptr<platform::ClipboardBackend> CreateDesktopClipboard() { return std::make_unique<DesktopClipboard>(); }

}  // namespace framework
