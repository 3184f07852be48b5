// What the program is asked to do by its arguments, read before any window
// system is touched: `kiritori [FILE]`, `--help`, `--version`.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace app {

struct CommandLine {
  enum class Action {
    // Start the windows; open File first when it is not empty.
    Run,
    // Print HelpText to standard output and end with exit code 0.
    Help,
    // Print VersionText to standard output and end with exit code 0.
    Version,
    // Print Problem and UsageText to standard error and end with exit code 2.
    Misuse,
  };
  Action action = Action::Run;
  std::string file;
  // Why the arguments were refused, one line without its end of line.
  std::string problem;
};

// Reads the arguments after the program's name. An option anywhere decides
// (help before version); "--" makes everything after it a file name; more
// than one file, or an option this program does not know, is a misuse.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// Prints what the arguments ask for that needs no window (help, version,
// misuse), or why no window can be shown, and gives the exit code: 0, 2 or 1.
// Nothing when the windows may start.
std::optional<int> AnswerWithoutWindows(const CommandLine& line);

// name as a full path, taken from the working folder when it is relative; as
// it is when the working folder cannot be known.
std::string FullPath(const std::string& name);

// The texts the program prints, each ending with an end of line.
std::string HelpText();
std::string VersionText();
std::string UsageText();

}  // namespace app
