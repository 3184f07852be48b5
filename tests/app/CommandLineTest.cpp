// The arguments, read before any window system is touched.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace {

using Action = app::CommandLine::Action;

TEST(CommandLine, ArgumentsChooseWhatTheProgramDoes) {
  struct Case {
    std::vector<std::string> arguments;
    Action action;
    std::string file;
  };
  const Case cases[] = {
      {{}, Action::Run, ""},
      {{"photo.jpg"}, Action::Run, "photo.jpg"},
      {{"/pics/a b.JPEG"}, Action::Run, "/pics/a b.JPEG"},
      // A lone "-" names a file; after "--" even an option's spelling does.
      {{"-"}, Action::Run, "-"},
      {{"--", "--help"}, Action::Run, "--help"},
      {{"--help"}, Action::Help, ""},
      {{"-h", "photo.jpg"}, Action::Help, ""},
      {{"--version", "--help"}, Action::Help, ""},
      {{"photo.jpg", "--version"}, Action::Version, ""},
      {{"--bogus"}, Action::Misuse, ""},
      {{"--help", "-x"}, Action::Misuse, ""},
      {{"--help="}, Action::Misuse, ""},
      {{"a.jpg", "b.jpg"}, Action::Misuse, ""},
      {{""}, Action::Misuse, ""},
  };
  for (const Case& c : cases) {
    const app::CommandLine line = app::ParseCommandLine(c.arguments);
    std::string shown;
    for (const std::string& a : c.arguments) shown += "[" + a + "]";
    EXPECT_EQ(line.action, c.action) << shown;
    EXPECT_EQ(line.file, c.file) << shown;
    // A misuse says why in one line; anything else has nothing to say.
    EXPECT_EQ(line.problem.empty(), c.action != Action::Misuse) << shown;
    EXPECT_EQ(line.problem.find('\n'), std::string::npos) << shown;
  }
  EXPECT_NE(app::ParseCommandLine({"--bogus"}).problem.find("--bogus"), std::string::npos);
}

TEST(CommandLine, ARelativeNameIsTakenFromTheWorkingFolder) {
  const std::string full = app::FullPath("sub/../photo.jpg");
  ASSERT_FALSE(full.empty());
  EXPECT_EQ(full.front(), '/');
  EXPECT_TRUE(full.ends_with("/photo.jpg")) << full;
  EXPECT_EQ(full.find(".."), std::string::npos) << full;
  EXPECT_EQ(app::FullPath("/a/b.bmp"), "/a/b.bmp");
}

}  // namespace
