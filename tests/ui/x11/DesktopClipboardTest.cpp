// The clipboard against other programs on a real X server, with xclip as the
// other program. X serves a clipboard from its owner's event loop, so while
// xclip talks to us the test keeps handling our events.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "framework/Application.h"
#include "graphics/Bitmap.h"
#include "graphics/Picture.h"
#include "platform/Clipboard.h"
#include "tests/graphics/BitmapTestSupport.h"
#include "ui/Clipboard.h"

extern char** environ;

namespace {

using graphicstest::MakePicture24;
using graphicstest::PixelsOf;
using namespace std::chrono_literals;

constexpr auto kTimeout = 15s;

// A shell command running beside the test; `exec` in front keeps its pid the
// program's own.
class Program {
 public:
  explicit Program(const std::string& command) {
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    if (posix_spawn(&pid_, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
  }
  ~Program() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  // Handles our events until the program ends; its exit status, or -1 when it
  // did not end in time.
  int Finish() {
    const auto deadline = std::chrono::steady_clock::now() + kTimeout;
    while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      Application->ProcessMessages();
      std::this_thread::sleep_for(5ms);
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
};

class DesktopClipboard : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("kiritori-x11-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const char* name) const { return (dir_ / name).string(); }

  // Tries until `condition` holds, handling our events meanwhile.
  template <class F>
  static bool Eventually(F&& condition) {
    const auto deadline = std::chrono::steady_clock::now() + kTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
      if (condition()) return true;
      Application->ProcessMessages();
      std::this_thread::sleep_for(20ms);
    }
    return false;
  }

 private:
  std::filesystem::path dir_;
};

void Paint(TBitmap& bitmap, int width, int height) {
  MakePicture24(bitmap, width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      bitmap.Canvas().SetPixelColor(x, y, static_cast<TColor>((x * 40) | ((y * 70) << 8) | (((x + y) * 25) << 16)));
}

bool OnClipboard(UINT format) {
  if (!OpenClipboard(nullptr)) return false;
  const bool found = IsClipboardFormatAvailable(format) != FALSE;
  CloseClipboard();
  return found;
}

TEST_F(DesktopClipboard, ACopiedPictureIsReadByAnotherProgramWithExactPixelsAsPngAndBmp) {
  TPicture picture;
  Paint(picture.AsBitmap(), 7, 4);
  SharedClipboard()->CopyFrom(picture);

  Program bmp("exec xclip -selection clipboard -t image/bmp -o > " + Path("out.bmp"));
  ASSERT_EQ(bmp.Finish(), 0);
  TBitmap fromBmp;
  fromBmp.LoadFile(Path("out.bmp"));
  EXPECT_EQ(PixelsOf(fromBmp), PixelsOf(picture.AsBitmap()));

  Program png("xclip -selection clipboard -t image/png -o | convert png:- bmp3:" + Path("png.bmp"));
  ASSERT_EQ(png.Finish(), 0);
  TBitmap fromPng;
  fromPng.LoadFile(Path("png.bmp"));
  EXPECT_EQ(PixelsOf(fromPng), PixelsOf(picture.AsBitmap()));
}

TEST_F(DesktopClipboard, AnImageAnotherProgramPutsThereArrivesAsABitmap) {
  TBitmap source;
  Paint(source, 5, 3);
  source.SaveFile(Path("in.bmp"));
  ASSERT_EQ(Program("exec convert " + Path("in.bmp") + " " + Path("in.png")).Finish(), 0);
  SharedClipboard()->EmptyAll();

  Program xclip("exec xclip -quiet -selection clipboard -t image/png -i " + Path("in.png") + " 2>/dev/null");
  ASSERT_TRUE(Eventually([] { return OnClipboard(CF_BITMAP); }));
  TPicture picture;
  SharedClipboard()->CopyTo(&picture);
  EXPECT_EQ(PixelsOf(picture.AsBitmap()), PixelsOf(source));
}

TEST_F(DesktopClipboard, TextFromAnotherProgramIsNoPicture) {
  std::ofstream(Path("text.txt")) << "not a picture";
  Program xclip("exec xclip -quiet -selection clipboard -i " + Path("text.txt") + " 2>/dev/null");
  ASSERT_TRUE(Eventually([] { return OnClipboard(CF_TEXT); }));
  TPicture picture;
  try {
    SharedClipboard()->CopyTo(&picture);
    ADD_FAILURE() << "text was taken for a picture";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), strings::InvalidClipboardFormat);
  }
  EXPECT_EQ(SharedClipboard()->OpenCount(), 0);
}

}  // namespace
