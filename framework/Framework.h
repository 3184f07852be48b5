// Start-up and shutdown of the GUI framework: Qt's application object with the
// program's font and the desktop's scale rounded to a whole number, the
// application object and the screen object. Call after runtime, platform and
// graphics have started; shut down before them.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace framework {
// Why no window could be shown, in one line ("cannot open display :5"), or
// empty when the windows have somewhere to go. Asks the environment (through
// getenv, or the given look-up, which returns null for a name not set) which
// window systems Qt would try and whether one of them answers: an X server
// is connected to and left again; a Wayland display, or a platform that needs
// no display server (offscreen and the like), is taken on trust. Safe before
// Startup, which Qt would end the process in.
std::string DisplayProblem();
std::string DisplayProblem(const std::function<const char*(const char*)>& getenv);

// Makes Application and Screen. Without a display (and no QT_QPA_PLATFORM
// that needs none) Qt ends the process. Calling it while started does nothing.
void Startup();
// Destroys Application (and with it every form) and Screen, then Qt's
// application object. Calling it while not started does nothing.
void Shutdown();

// A scale setting (QT_SCALE_FACTOR's "1.5", QT_SCREEN_SCALE_FACTORS's
// "1.25;DP-1=1.5") with every factor rounded as Startup rounds the desktop's
// scale: to the nearest whole number, halves up, at least 1. An entry that
// holds no positive number stays as it is, for Qt to ignore.
std::string WholeScaleFactors(std::string_view setting);
}  // namespace framework
