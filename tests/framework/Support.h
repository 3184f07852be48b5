// Helpers shared by the framework's tests: a fresh application object per test
// and a message-box catcher.
#pragma once

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Screen.h"

// Makes a fresh application object the process-wide one for a test's lifetime,
// so the first form a test makes is that test's main form.
class ScopedApplication {
 public:
  ScopedApplication() : own_(std::make_unique<TApplication>()), previous_(Application) {
    Application = own_.get();
    Application->Initialize();
  }
  ~ScopedApplication() {
    own_.reset();
    Application = previous_;
  }
  ScopedApplication(const ScopedApplication&) = delete;
  ScopedApplication& operator=(const ScopedApplication&) = delete;
  TApplication& operator*() const { return *own_; }
  TApplication* operator->() const { return own_.get(); }

 private:
  std::unique_ptr<TApplication> own_;
  TApplication* previous_;
};

// The HiDpi.* tests need a desktop scaled by 2: each test binary's .hidpi
// test in CTest runs them so; everywhere else they skip.
inline bool DesktopScaled() { return std::getenv("QT_SCALE_FACTOR") != nullptr; }
inline constexpr const char* kNeedsScaledDesktop = "needs a desktop scaled by 2 (the .hidpi tests run it)";

// The monitors Qt describes instead of the single 800 x 600 one of the test
// binaries, while it lives. The .hidpi tests describe a second monitor of
// another size.
class RealMonitors {
 public:
  RealMonitors() { framework::SetScreenWorkAreaForTesting(std::nullopt); }
  ~RealMonitors() { framework::SetScreenWorkAreaForTesting(Rect(0, 0, 800, 600)); }
  RealMonitors(const RealMonitors&) = delete;
  RealMonitors& operator=(const RealMonitors&) = delete;
  // The whole monitors, the primary one first.
  std::vector<TRect> all = framework::Monitors();
};

struct ShownBox {
  std::string text;
  std::string caption;
  unsigned flags;
};

// Catches every message box while it lives.
class BoxCatcher {
 public:
  BoxCatcher() {
    previous_ = framework::SetMessageBoxHook([this](const std::string& text, const std::string& caption,
                                                    unsigned flags) {
      boxes.push_back({text, caption, flags});
      return framework::IDOK;
    });
  }
  ~BoxCatcher() { framework::SetMessageBoxHook(std::move(previous_)); }
  BoxCatcher(const BoxCatcher&) = delete;
  BoxCatcher& operator=(const BoxCatcher&) = delete;

  std::vector<ShownBox> boxes;

 private:
  framework::TMessageBoxHook previous_;
};
