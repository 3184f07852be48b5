#include "framework/Framework.h"

#include <QApplication>
#include <QFont>
#include <QKeyEvent>
#include <QMenuBar>
#include <QSettings>
#include <QTemporaryDir>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>

#include "framework/Application.h"
#include "framework/DesktopClipboard.h"
#include "framework/Screen.h"
#include "framework/detail/ControlImpl.h"
#include "framework/detail/FormImpl.h"
#include "graphics/Bitmap.h"
#include "platform/Clipboard.h"
#include "runtime/Strings.h"

namespace {

// Logical pixels: the text grows with the desktop's scale.
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
  struct [[nodiscard]] Nesting {
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
  // Where Qt keeps its settings while the program runs; removed at shutdown.
  std::unique_ptr<QTemporaryDir> settings;
  int argc = 1;
  char arg0[16] = "kiritori";
  char* argv[2] = {arg0, nullptr};
  std::unique_ptr<FrameworkApplication> qt;
  std::unique_ptr<TApplication> application;
  std::unique_ptr<TScreen> screen;
};

std::unique_ptr<FrameworkState> g_state;

// The factor as Qt's Round policy makes it: to the nearest whole number,
// halves up, never below 1. Empty for a text that is no positive number.
std::string WholeFactor(std::string_view text) {
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || !(value > 0) || !std::isfinite(value)) return {};
  return std::to_string(static_cast<long long>(std::max(1.0, std::floor(value + 0.5))));
}

void RoundScaleVariable(const char* name) {
  const char* value = std::getenv(name);
  if (value != nullptr) setenv(name, framework::WholeScaleFactors(value).c_str(), 1);
}

// Windows, menus and text follow the desktop's scale, but only ever by a
// whole number: at 1.5 a device pixel would lie between two logical ones and
// could be neither drawn on alone nor be the corner of a selection. Qt rounds
// the factor it derives from the desktop (Xft.dpi) under the Round policy, not
// the ones the user sets for it, so those are rounded here.
void ChooseWholeScale() {
  unsetenv("QT_SCALE_FACTOR_ROUNDING_POLICY");
  RoundScaleVariable("QT_SCALE_FACTOR");
  RoundScaleVariable("QT_SCREEN_SCALE_FACTORS");
  QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
}

}  // namespace

namespace framework {

std::string WholeScaleFactors(std::string_view setting) {
  std::string rounded;
  std::size_t start = 0;
  while (start <= setting.size()) {
    std::size_t stop = setting.find(';', start);
    if (stop == std::string_view::npos) stop = setting.size();
    const std::string_view entry = setting.substr(start, stop - start);
    // An entry is a factor, or a screen's name, "=" and its factor.
    const std::size_t equals = entry.rfind('=');
    const std::size_t at = equals == std::string_view::npos ? 0 : equals + 1;
    const std::string factor = WholeFactor(entry.substr(at));
    if (start > 0) rounded += ';';
    rounded += factor.empty() ? std::string(entry) : std::string(entry.substr(0, at)) + factor;
    start = stop + 1;
  }
  return rounded;
}

void Startup() {
  if (g_state) return;
  ChooseWholeScale();

  auto state = std::make_unique<FrameworkState>();
  // The program keeps nothing between runs, and Qt's file dialog would keep
  // its folder history in the user's settings for every Qt program to see:
  // Qt's settings live in a private folder of this run instead. The
  // environment stays as it was for any program started from here.
  state->settings = std::make_unique<QTemporaryDir>();
  // Without a temporary folder, one under /dev/null: nothing can be written there.
  const QString settingsPath = state->settings->isValid() ? state->settings->path() : QStringLiteral("/dev/null");
  for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    QSettings::setPath(format, QSettings::UserScope, settingsPath);
    QSettings::setPath(format, QSettings::SystemScope, settingsPath);
  }
  state->qt = std::make_unique<FrameworkApplication>(state->argc, state->argv);
  state->qt->setApplicationName(QStringLiteral("kiritori"));
  // The platform's start-up has taught fontconfig, which Qt asks too, the
  // family that stands in for this name.
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
