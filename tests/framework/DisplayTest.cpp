// Whether a window system answers, asked before Qt starts.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "framework/Framework.h"

namespace {

TEST(Display, AProblemIsNamedOnlyWhenNoWindowSystemQtWouldTryAnswers) {
  // No X server listens on display 60999 on any machine that runs this.
  const std::string none = ":60999";
  struct Case {
    std::map<std::string, std::string> env;
    // A part of the problem's text; empty when there is no problem.
    std::string problem;
  };
  const Case cases[] = {
      {{}, "DISPLAY is not set"},
      {{{"DISPLAY", ""}}, "DISPLAY is not set"},
      {{{"DISPLAY", none}}, "cannot open display " + none},
      {{{"QT_QPA_PLATFORM", "xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}}, "DISPLAY is not set"},
      {{{"QT_QPA_PLATFORM", "wayland"}}, "WAYLAND_DISPLAY is not set"},
      {{{"QT_QPA_PLATFORM", "wayland;xcb"}, {"DISPLAY", none}}, "cannot open display"},
      // Taken on trust: a Wayland display, and platforms without a server.
      {{{"WAYLAND_DISPLAY", "wayland-0"}}, ""},
      {{{"QT_QPA_PLATFORM", "wayland;xcb"}, {"WAYLAND_DISPLAY", "wayland-0"}}, ""},
      {{{"QT_QPA_PLATFORM", "offscreen"}}, ""},
      {{{"QT_QPA_PLATFORM", "offscreen:fontengine=freetype"}, {"DISPLAY", none}}, ""},
      {{{"QT_QPA_PLATFORM", "xcb;minimal"}, {"DISPLAY", none}}, ""},
  };
  for (const Case& c : cases) {
    const std::string problem = framework::DisplayProblem([&](const char* name) -> const char* {
      const auto found = c.env.find(name);
      return found != c.env.end() ? found->second.c_str() : nullptr;
    });
    std::string shown;
    for (const auto& [name, value] : c.env) shown += name + "=" + value + " ";
    if (c.problem.empty()) {
      EXPECT_EQ(problem, "") << shown;
    } else {
      EXPECT_NE(problem.find(c.problem), std::string::npos) << shown << "-> " << problem;
      EXPECT_EQ(problem.find('\n'), std::string::npos) << shown;
    }
  }
}

}  // namespace
