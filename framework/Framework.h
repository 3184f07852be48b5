// Start-up and shutdown of the GUI framework: Qt's application object with the
// program's font and one device pixel per picture pixel, the application
// object and the screen object. Call after runtime, platform and graphics have
// started; shut down before them.
#pragma once

namespace framework {
// Makes Application and Screen. Without a display (and no QT_QPA_PLATFORM
// that needs none) Qt ends the process. Calling it while started does nothing.
void Startup();
// Destroys Application (and with it every form) and Screen, then Qt's
// application object. Calling it while not started does nothing.
void Shutdown();
}  // namespace framework
