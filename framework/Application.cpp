#include "framework/Application.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "framework/detail/ControlImpl.h"

TApplication* Application = nullptr;

namespace {

framework::TMessageBoxHook g_messageBoxHook;
int g_paintDepth = 0;

// The code point that ends text; U+FFFD when the last bytes are no
// well-formed UTF-8 sequence.
char32_t LastCodePoint(std::string_view text) {
  constexpr char32_t kReplacement = 0xFFFD;
  std::size_t start = text.size() - 1;
  int continuation = 0;
  while (start > 0 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80 && continuation < 3) {
    --start;
    ++continuation;
  }
  const auto lead = static_cast<unsigned char>(text[start]);
  int length = 0;
  char32_t value = 0;
  if (lead < 0x80) {
    length = 1;
    value = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    length = 2;
    value = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    value = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    value = lead & 0x07;
  } else {
    return kReplacement;
  }
  if (static_cast<std::size_t>(length) != text.size() - start) return kReplacement;
  for (std::size_t i = start + 1; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) != 0x80) return kReplacement;
    value = (value << 6) | (byte & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not characters.
  static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    return kReplacement;
  }
  return value;
}

QIcon MakeIcon(const TIconImage& icon) {
  QImage image(std::max(icon.Width, 1), std::max(icon.Height, 1), QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  for (int y = 0; y < icon.Height && static_cast<std::size_t>(y) < icon.Rows.size(); ++y) {
    const char* row = icon.Rows[static_cast<std::size_t>(y)];
    if (row == nullptr) continue;
    const std::size_t length = std::strlen(row);
    for (int x = 0; x < icon.Width && static_cast<std::size_t>(x) < length; ++x) {
      const char c = row[x];
      int index = -1;
      if (c >= '0' && c <= '9') index = c - '0';
      if (c >= 'A' && c <= 'F') index = c - 'A' + 10;
      if (c >= 'a' && c <= 'f') index = c - 'a' + 10;
      if (index < 0 || static_cast<std::size_t>(index) >= icon.Palette.size()) continue;
      image.setPixel(x, y, 0xFF000000u | (icon.Palette[static_cast<std::size_t>(index)] & 0xFFFFFFu));
    }
  }
  return QIcon(QPixmap::fromImage(image));
}

}  // namespace

namespace framework {

std::string ExceptionBoxText(std::string_view message) {
  std::string text(message);
  if (!text.empty() && LastCodePoint(text) > U'.') text += '.';
  return text;
}

TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook) {
  TMessageBoxHook previous = std::move(g_messageBoxHook);
  g_messageBoxHook = std::move(hook);
  return previous;
}

namespace detail {

PaintScope::PaintScope() noexcept { ++g_paintDepth; }
PaintScope::~PaintScope() { --g_paintDepth; }
bool PaintScope::Active() noexcept { return g_paintDepth > 0; }

void HandleCurrentException() noexcept {
  try {
    std::exception_ptr error = std::current_exception();
    if (Application == nullptr) {
      std::fputs("kiritori: a failure reached the message loop after shutdown\n", stderr);
      return;
    }
    if (PaintScope::Active() && QCoreApplication::instance() != nullptr) {
      QTimer::singleShot(0, QCoreApplication::instance(), [error] {
        if (Application != nullptr) Application->HandleException(error);
      });
      return;
    }
    Application->HandleException(error);
  } catch (...) {
    // Reporting failed too (no memory for the box): nothing more can be done
    // here without letting the failure into Qt.
    std::fputs("kiritori: a failure could not be reported\n", stderr);
  }
}

}  // namespace detail
}  // namespace framework

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
  if (QCoreApplication::instance() != nullptr) title_ = QCoreApplication::applicationName().toStdString();
}

TApplication::~TApplication() {
  mainForm_ = nullptr;
  DestroyForms();
}

void TApplication::DestroyForms() noexcept {
  // Forms go while the application object is still whole: a form's destructor
  // may ask for it.
  while (ComponentCount() > 0) runtime::DestroyComponent(Components(ComponentCount() - 1));
}

void TApplication::Initialize() {
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
    // Our main form's close decides when the loop ends, not the last window.
    app->setQuitOnLastWindowClosed(false);
  }
}

void TApplication::FormCreated(TCustomForm* form) {
  if (mainForm_ == nullptr) mainForm_ = form;
}

void TApplication::Run() {
  if (terminated_) return;
  if (mainForm_ != nullptr) mainForm_->Show();
  if (terminated_ || QCoreApplication::instance() == nullptr) return;
  running_ = true;
  struct Over {
    bool& running;
    ~Over() { running = false; }
  } over{running_};
  QCoreApplication::exec();
}

void TApplication::Terminate() {
  terminated_ = true;
  // Outside the loop Qt would remember the request and end the next modal loop
  // (a dialog's) at once; Run does not start once terminated anyway.
  if (running_ && QCoreApplication::instance() != nullptr) QCoreApplication::exit(0);
}

void TApplication::ProcessMessages() {
  if (QCoreApplication::instance() != nullptr) QCoreApplication::processEvents();
}

void TApplication::SetIcon(const TIconImage& icon) {
  if (QCoreApplication::instance() != nullptr) QApplication::setWindowIcon(MakeIcon(icon));
}

void TApplication::HandleException(std::exception_ptr error) {
  if (!error) return;
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
  } catch (const Exception& e) {
    ShowException(e);
  } catch (...) {
    ShowException(Exception(std::string()));
  }
}

void TApplication::ShowException(const Exception& error) {
  MessageBox(framework::ExceptionBoxText(error.Message()), title_, framework::MB_OK | framework::MB_ICONERROR);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
  if (g_messageBoxHook) return g_messageBoxHook(text, caption, flags);
  if (QCoreApplication::instance() == nullptr) {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return framework::IDOK;
  }
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (flags & 0xF0u) {
    case framework::MB_ICONERROR: icon = QMessageBox::Critical; break;
    case framework::MB_ICONWARNING: icon = QMessageBox::Warning; break;
    case framework::MB_ICONINFORMATION: icon = QMessageBox::Information; break;
    default: break;
  }
  QWidget* parent = QApplication::activeWindow();
  QMessageBox box(icon, QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok, parent);
  box.exec();
  return framework::IDOK;
}
