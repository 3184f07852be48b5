// Whether a window system answers, asked without Qt: Qt's platform start-up
// ends the process when it cannot connect.
#include <xcb/xcb.h>

#include <cstdlib>
#include <string_view>
#include <vector>

#include "framework/Framework.h"

namespace framework {

namespace {

// The platform names in a QT_QPA_PLATFORM value: fallbacks separated by ";",
// each perhaps followed by ":" and its options.
std::vector<std::string> PlatformNames(std::string_view value) {
  std::vector<std::string> names;
  while (!value.empty()) {
    const std::size_t end = value.find(';');
    const std::string_view entry = value.substr(0, end);
    const std::string name(entry.substr(0, entry.find(':')));
    if (!name.empty()) names.push_back(name);
    if (end == std::string_view::npos) break;
    value.remove_prefix(end + 1);
  }
  return names;
}

bool Set(const char* value) { return value != nullptr && *value != '\0'; }

// Connects to the X server that display names and leaves again.
bool XServerAnswers(const char* display) {
  xcb_connection_t* connection = xcb_connect(display, nullptr);
  const bool answers = connection != nullptr && xcb_connection_has_error(connection) == 0;
  // A failed connection is an object too, and is freed the same way.
  if (connection != nullptr) xcb_disconnect(connection);
  return answers;
}

}  // namespace

std::string DisplayProblem(const std::function<const char*(const char*)>& getenv) {
  const char* platform = getenv("QT_QPA_PLATFORM");
  const char* display = getenv("DISPLAY");
  const char* wayland = getenv("WAYLAND_DISPLAY");
  std::vector<std::string> names = Set(platform) ? PlatformNames(platform) : std::vector<std::string>{};
  if (names.empty()) {
    // Unset, Qt takes a Wayland session's display when there is one, else X.
    if (Set(wayland)) names.emplace_back("wayland");
    names.emplace_back("xcb");
  }
  bool triedX = false;
  for (const std::string& name : names) {
    if (name == "xcb") {
      triedX = true;
      if (Set(display) && XServerAnswers(display)) return {};
    } else if (name.starts_with("wayland")) {
      if (Set(wayland)) return {};
    } else {
      // offscreen, minimal, vnc, linuxfb, eglfs...: no display server to ask.
      return {};
    }
  }
  if (!triedX) return "no Wayland display (WAYLAND_DISPLAY is not set)";
  if (!Set(display)) return "no display (DISPLAY is not set)";
  return "cannot open display " + std::string(display);
}

std::string DisplayProblem() {
  return DisplayProblem([](const char* name) -> const char* { return std::getenv(name); });
}

}  // namespace framework
