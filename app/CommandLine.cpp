#include "app/CommandLine.h"

#include <cstdio>
#include <filesystem>

#include "framework/Framework.h"

#ifndef KIRITORI_VERSION
#error "the build defines KIRITORI_VERSION"
#endif

namespace app {

namespace {

CommandLine Misuse(std::string problem) {
  CommandLine line;
  line.action = CommandLine::Action::Misuse;
  line.problem = std::move(problem);
  return line;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  bool help = false;
  bool version = false;
  bool optionsEnded = false;
  std::vector<std::string> files;
  for (const std::string& argument : arguments) {
    // A lone "-" is no option; it names a file like any other word.
    const bool option = !optionsEnded && argument.size() > 1 && argument[0] == '-';
    if (!option) {
      files.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--help" || argument == "-h") {
      help = true;
    } else if (argument == "--version") {
      version = true;
    } else {
      return Misuse("unknown option '" + argument + "'");
    }
  }
  CommandLine line;
  if (help) {
    line.action = CommandLine::Action::Help;
  } else if (version) {
    line.action = CommandLine::Action::Version;
  } else if (files.size() > 1) {
    return Misuse("one picture at a time: " + std::to_string(files.size()) + " files given");
  } else if (files.size() == 1) {
    if (files[0].empty()) return Misuse("an empty file name");
    line.file = files[0];
  }
  return line;
}

std::optional<int> AnswerWithoutWindows(const CommandLine& line) {
  switch (line.action) {
    case CommandLine::Action::Help: std::fputs(HelpText().c_str(), stdout); return 0;
    case CommandLine::Action::Version: std::fputs(VersionText().c_str(), stdout); return 0;
    case CommandLine::Action::Misuse:
      std::fprintf(stderr, "kiritori: %s\n%s", line.problem.c_str(), UsageText().c_str());
      return 2;
    case CommandLine::Action::Run: break;
  }
  if (const std::string problem = framework::DisplayProblem(); !problem.empty()) {
    std::fprintf(stderr, "kiritori: %s\n", problem.c_str());
    return 1;
  }
  return std::nullopt;
}

std::string FullPath(const std::string& name) {
  std::error_code error;
  std::filesystem::path full = std::filesystem::absolute(name, error);
  return error ? name : full.lexically_normal().string();
}

std::string HelpText() {
  return "Usage: kiritori [FILE]\n"
         "Cut a rectangular piece out of a JPEG or BMP picture.\n"
         "\n"
         "  FILE        the picture to open at start (.jpg, .jpeg or .bmp)\n"
         "  -h, --help  show this help and exit\n"
         "  --version   show the version and exit\n"
         "\n"
         "See kiritori(1) for the keys and the menus.\n";
}

std::string VersionText() { return std::string("kiritori ") + KIRITORI_VERSION + "\n"; }

std::string UsageText() { return "Usage: kiritori [FILE]   (kiritori --help tells more)\n"; }

}  // namespace app
