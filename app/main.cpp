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
#include "layers/GuiLayers.h"
#include "resources/MainIcon.h"

namespace {

TIconImage MainIcon() {
  TIconImage icon;
  icon.Width = resources::kMainIconSize;
  icon.Height = resources::kMainIconSize;
  icon.Palette = resources::kMainIconPalette;
  icon.Rows = resources::kMainIconRows;
  return icon;
}

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
    const layers::UiLayers started;
    RunApplication(line.file);
  } catch (const std::exception& e) {
    // A layer could not start: there is no window to report it in.
    std::fprintf(stderr, "kiritori: %s\n", e.what());
  } catch (...) {
    std::fputs("kiritori: start-up failed\n", stderr);
  }
  return 0;
}
