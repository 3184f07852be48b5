// Start-up and shutdown of kiritori.
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/DispForm.h"
#include "app/MainForm.h"
#include "framework/Application.h"
#include "framework/Framework.h"
#include "graphics/Graphics.h"
#include "jpeg/Jpeg.h"
#include "platform/Platform.h"
#include "resources/MainIcon.h"
#include "runtime/Runtime.h"
#include "ui/Ui.h"

namespace {

TIconImage MainIcon() {
  TIconImage icon;
  icon.Width = resources::kMainIconSize;
  icon.Height = resources::kMainIconSize;
  icon.Palette = resources::kMainIconPalette;
  icon.Rows = resources::kMainIconRows;
  return icon;
}

// Starts the layers lowest first and shuts down, in reverse, those that started.
class Layers {
 public:
  Layers() {
    runtime::Startup();
    started_ = 1;
    platform::Startup();
    started_ = 2;
    graphics::Startup();
    started_ = 3;
    jpeg::Startup();
    started_ = 4;
    framework::Startup();
    started_ = 5;
    ui::Startup();
    started_ = 6;
  }
  ~Layers() {
    if (started_ >= 6) ui::Shutdown();
    if (started_ >= 5) framework::Shutdown();
    if (started_ >= 4) jpeg::Shutdown();
    if (started_ >= 3) graphics::Shutdown();
    if (started_ >= 2) platform::Shutdown();
    if (started_ >= 1) runtime::Shutdown();
  }
  Layers(const Layers&) = delete;
  Layers& operator=(const Layers&) = delete;

 private:
  int started_ = 0;
};

void RunApplication(const std::string& file) {
  try {
    Application->Initialize();
    Application->SetIcon(MainIcon());
    Application->CreateForm(mainForm);
    Application->CreateForm(dispForm);
    if (!file.empty()) mainForm->OpenPicture(app::FullPath(file));
    Application->Run();
  } catch (...) {
    // Anything that is not one of our exceptions shows as one with an empty
    // message.
    Application->HandleException(std::current_exception());
  }
}

}  // namespace

int main(int argc, char** argv) {
  const app::CommandLine line =
      app::ParseCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
  if (const std::optional<int> code = app::AnswerWithoutWindows(line)) return *code;
  try {
    Layers layers;
    RunApplication(line.file);
  } catch (const std::exception& e) {
    // A layer could not start: there is no window to report it in.
    std::fprintf(stderr, "kiritori: %s\n", e.what());
  } catch (...) {
    std::fputs("kiritori: start-up failed\n", stderr);
  }
  return 0;
}
