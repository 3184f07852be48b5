#include "framework/Framework.h"

#include <fontconfig/fontconfig.h>

#include <QApplication>
#include <QFont>
#include <QKeyEvent>
#include <QMenuBar>
#include <cstdlib>
#include <memory>

#include "framework/Application.h"
#include "framework/DesktopClipboard.h"
#include "framework/Screen.h"
#include "framework/detail/ControlImpl.h"
#include "framework/detail/FormImpl.h"
#include "graphics/Bitmap.h"
#include "platform/Clipboard.h"
#include "runtime/Strings.h"

namespace {

// The windows name the desktop font "ＭＳ Ｐゴシック"; IPAPGothic has the same
// metrics and covers kana, kanji and Latin.
constexpr const char* kFontAlias =
    "<?xml version=\"1.0\"?><!DOCTYPE fontconfig SYSTEM \"fonts.dtd\"><fontconfig>"
    "<alias binding=\"same\"><family>ＭＳ Ｐゴシック</family><accept><family>IPAPGothic</family></accept></alias>"
    "</fontconfig>";

constexpr int kFontPixels = 12;

// Qt's application object, which also is the one place every event passes:
// forms see keys before their controls here, and no failure leaves here into
// Qt's dispatch.
class FrameworkApplication final : public QApplication {
 public:
  FrameworkApplication(int& argc, char** argv) : QApplication(argc, argv) {}

  bool notify(QObject* receiver, QEvent* event) override {
    // Asked now: handling the event may destroy the receiver (deferred deletes).
    const bool forWidget = receiver->isWidgetType();
    bool handled = false;
    {
      const Nesting nesting(depth_);
      try {
        if (event->type() == QEvent::KeyPress && forWidget &&
            PreviewKey(static_cast<QWidget*>(receiver), static_cast<QKeyEvent*>(event))) {
          handled = true;
        } else {
          handled = QApplication::notify(receiver, event);
        }
      } catch (...) {
        framework::detail::HandleCurrentException();
      }
    }
    // Bitmap canvases hold a platform device context only while they draw: once
    // a control's event is over, those not drawing now give theirs back.
    if (depth_ == 0 && forWidget) framework::detail::Guarded([] { FreeAllCanvasContexts(); });
    return handled;
  }

 private:
  struct Nesting {
    explicit Nesting(int& depth) : count(depth) { ++count; }
    ~Nesting() { --count; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;
    int& count;
  };

  int depth_ = 0;

  // Gives the key to its form first when the form previews keys or the form
  // itself is the receiver. True when the form swallowed the key.
  static bool PreviewKey(QWidget* receiver, QKeyEvent* event) {
    // A menu bar that is walking its menus keeps the arrow keys. After a menu
    // command it may hold the focus without walking them; the keys are the
    // form's then.
    if (auto* bar = qobject_cast<QMenuBar*>(receiver); bar != nullptr && bar->activeAction() != nullptr) return false;
    TCustomForm* form = framework::detail::FormOf(receiver);
    if (form == nullptr) return false;
    auto* window = static_cast<framework::detail::FormWindow*>(receiver->window());
    const bool own = receiver == window || receiver == window->client();
    if (!form->KeyPreview() && !own) return false;
    TVirtualKey key = framework::detail::VirtualKeyOf(*event);
    if (key == 0) return false;
    const TShiftState shift = framework::detail::ShiftStateOf(event->modifiers(), QGuiApplication::mouseButtons());
    framework::detail::Guarded([&] { form->KeyDown(key, shift); });
    if (key != 0) return false;
    event->accept();
    return true;
  }
};

struct FrameworkState {
  int argc = 1;
  char arg0[16] = "kiritori";
  char* argv[2] = {arg0, nullptr};
  std::unique_ptr<FrameworkApplication> qt;
  std::unique_ptr<TApplication> application;
  std::unique_ptr<TScreen> screen;
};

std::unique_ptr<FrameworkState> g_state;

void LoadFontAlias() {
  FcConfig* config = FcConfigGetCurrent();
  if (config == nullptr) return;
  FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kFontAlias), FcTrue);
}

}  // namespace

namespace framework {

void Startup() {
  if (g_state) return;
  // One picture pixel is one device pixel, whatever the monitor's resolution.
  setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
  setenv("QT_SCALE_FACTOR", "1", 1);
  unsetenv("QT_SCREEN_SCALE_FACTORS");
  LoadFontAlias();

  auto state = std::make_unique<FrameworkState>();
  state->qt = std::make_unique<FrameworkApplication>(state->argc, state->argv);
  state->qt->setApplicationName(QStringLiteral("kiritori"));
  QFont font(QString::fromUtf8(strings::WindowFontName));
  font.setPixelSize(kFontPixels);
  QApplication::setFont(font);

  state->screen = std::make_unique<TScreen>();
  state->application = std::make_unique<TApplication>();
  Screen = state->screen.get();
  Application = state->application.get();
  platform::SetClipboardBackend(framework::CreateDesktopClipboard());
  g_state = std::move(state);
}

void Shutdown() {
  if (!g_state) return;
  g_state->application.reset();
  Application = nullptr;
  g_state->screen.reset();
  Screen = nullptr;
  // The desktop keeps what was published last: Qt hands it to a clipboard
  // manager when its application object goes, so nothing is cleared here.
  platform::SetClipboardBackend(nullptr);
  g_state->qt.reset();
  g_state.reset();
}

}  // namespace framework
