// The real program in a real X server, driven by a real input tool.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;

bool OnPath(const char* tool) {
  const std::string command = std::string("command -v ") + tool + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

// A child process, killed when the test is done with it.
class Child {
 public:
  // Starts args[0] from the PATH with extra environment entries (NAME=value,
  // overriding inherited ones). fdToChild, when given, is passed on as the
  // child's descriptor childFd.
  Child(const std::vector<std::string>& args, const std::vector<std::string>& extraEnv, int fdToChild = -1,
        int childFd = -1) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
      const std::string entry = *e;
      bool replaced = false;
      for (const std::string& extra : extraEnv) {
        if (entry.substr(0, entry.find('=') + 1) == extra.substr(0, extra.find('=') + 1)) replaced = true;
      }
      if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (fdToChild >= 0) posix_spawn_file_actions_adddup2(&actions, fdToChild, childFd);
    if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t Pid() const { return pid_; }

  // The wait status once the child ended within timeout; nullopt otherwise.
  std::optional<int> Wait(std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (pid_ > 0) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return status;
      }
      if (std::chrono::steady_clock::now() > until) break;
      std::this_thread::sleep_for(20ms);
    }
    return std::nullopt;
  }

 private:
  pid_t pid_ = -1;
};

// Reads what fd delivers until it closes or timeout passes.
std::string ReadAll(int fd, std::chrono::milliseconds timeout, bool stopAtNewline) {
  std::string text;
  const auto until = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < until) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    char buffer[256];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
    if (stopAtNewline && text.find('\n') != std::string::npos) break;
  }
  return text;
}

// Runs a tool to its end (at most timeout) and returns what it printed.
std::optional<std::string> RunTool(const std::vector<std::string>& args, const std::string& display,
                                   std::chrono::milliseconds timeout = 10s) {
  int out[2];
  if (pipe(out) != 0) return std::nullopt;
  Child tool(args, {"DISPLAY=" + display}, out[1], 1);
  close(out[1]);
  std::string printed = ReadAll(out[0], timeout, false);
  close(out[0]);
  const std::optional<int> status = tool.Wait(1s);
  if (!status || !WIFEXITED(*status) || WEXITSTATUS(*status) != 0) return std::nullopt;
  return printed;
}

TEST(Program, ItsCloseCommandEndsItWithExitCodeZero) {
  if (!OnPath("Xvfb") || !OnPath("xdotool")) GTEST_SKIP() << "needs Xvfb and xdotool";
  int displayPipe[2];
  ASSERT_EQ(pipe(displayPipe), 0);
  Child server({"Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp"}, {},
               displayPipe[1], 3);
  close(displayPipe[1]);
  const std::string number = ReadAll(displayPipe[0], 10s, true);
  close(displayPipe[0]);
  ASSERT_FALSE(number.empty()) << "Xvfb did not start";
  const std::string display = ":" + number.substr(0, number.find('\n'));

  Child program({KIRITORI_PROGRAM}, {"DISPLAY=" + display, "QT_QPA_PLATFORM=xcb"});
  ASSERT_GT(program.Pid(), 0);
  const std::optional<std::string> found =
      RunTool({"xdotool", "search", "--sync", "--onlyvisible", "--pid", std::to_string(program.Pid())}, display);
  ASSERT_TRUE(found.has_value()) << "the main window did not appear";
  const std::string window = found->substr(0, found->find('\n'));
  // Only the main window is up.
  EXPECT_EQ(found->find('\n'), found->size() - 1) << *found;

  ASSERT_TRUE(RunTool({"xdotool", "windowfocus", "--sync", window}, display));
  ASSERT_TRUE(RunTool({"xdotool", "key", "alt+f"}, display));
  // The access key opens the popup, a second window of the program; only then
  // does "c" choose its item.
  bool popupOpen = false;
  for (int attempt = 0; attempt < 100 && !popupOpen; ++attempt) {
    const std::optional<std::string> windows =
        RunTool({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(program.Pid())}, display, 2s);
    popupOpen = windows && std::count(windows->begin(), windows->end(), '\n') >= 2;
    if (!popupOpen) std::this_thread::sleep_for(50ms);
  }
  ASSERT_TRUE(popupOpen) << "the file menu did not open";
  ASSERT_TRUE(RunTool({"xdotool", "key", "c"}, display));
  const std::optional<int> status = program.Wait(10s);
  ASSERT_TRUE(status.has_value()) << "the program did not end";
  ASSERT_TRUE(WIFEXITED(*status));
  EXPECT_EQ(WEXITSTATUS(*status), 0);
}

}  // namespace
