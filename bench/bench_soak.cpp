// links: kiritori_app
// A long session in the offscreen program: 500 rounds of open -> select -> cut
// -> save -> to clipboard over a mix of good and hostile files, driven through
// the windows' own commands and file dialogs. After the first pass over the mix
// (warm-up) the live platform objects of every kind and the resident memory
// are noted; after the last round, at the same place in the mix, the objects
// must be back at those counts and the memory within 10 MB of it. Once both
// windows are gone, the objects must be back where they were before the
// windows existed. Prints the figures; exits 1 when a limit is broken.
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/DispForm.h"
#include "app/MainForm.h"
#include "framework/Application.h"
#include "framework/Screen.h"
#include "framework/Testing.h"
#include "graphics/Bitmap.h"
#include "jpeg/JpegImage.h"
#include "platform/Clipboard.h"
#include "platform/Objects.h"
#include "layers/GuiLayers.h"
#include "tests/graphics/BmpTestFiles.h"

namespace {

namespace testing = framework::testing;
using platform::ObjectKind;

constexpr int kRounds = 500;
constexpr std::int64_t kMemorySlack = 10 << 20;
constexpr std::array kKinds = {ObjectKind::Bitmap, ObjectKind::Palette, ObjectKind::Pen,
                               ObjectKind::Brush,  ObjectKind::Font,    ObjectKind::DeviceContext};
constexpr std::array kKindNames = {"bitmaps", "palettes", "pens", "brushes", "fonts", "device contexts"};

using Counts = std::array<std::size_t, kKinds.size()>;

Counts LiveObjects() {
  Counts counts{};
  for (std::size_t i = 0; i < kKinds.size(); ++i) counts[i] = platform::LiveObjectCount(kKinds[i]);
  return counts;
}

std::int64_t ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  std::int64_t size = 0, resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A 24-bit picture of gentle gradients.
void Paint(TBitmap& bitmap, int width, int height) {
  bitmap.SetBitDepth(bd24Bit);
  bitmap.SetWidth(width);
  bitmap.SetHeight(height);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = bitmap.ScanLineAddress(y);
    for (int x = 0; x < width; ++x) {
      row[3 * x] = static_cast<std::uint8_t>(x + y);
      row[3 * x + 1] = static_cast<std::uint8_t>(y * 2);
      row[3 * x + 2] = static_cast<std::uint8_t>(x * 3);
    }
  }
}

// The mix: pictures of each kind a user opens, and files that must fail cleanly.
std::vector<std::string> WriteMix(const std::filesystem::path& dir) {
  std::vector<std::string> files;
  auto add = [&](const std::string& name) {
    files.push_back((dir / name).string());
    return files.back();
  };
  TBitmap photo;
  Paint(photo, 640, 480);
  photo.SaveFile(add("photo.bmp"));
  TJPEGImage jpeg;
  jpeg.CopyFrom(&photo);
  jpeg.SaveFile(add("photo.jpg"));
  const std::string jpegBytes = ReadBytes(files.back());
  TJPEGImage grey;
  grey.SetGrayscale(true);
  grey.SetEncodeProgressive(true);
  grey.CopyFrom(&photo);
  grey.SaveFile(add("grey-progressive.jpg"));
  TBitmap eight;
  Paint(eight, 300, 200);
  eight.SetBitDepth(bd8Bit);
  eight.SaveFile(add("eight.bmp"));
  // Hostile: cut short in the frame header and in the scan, a header that
  // claims 60000 x 60000 pixels over 16 bytes, a colour table of 70000 entries,
  // nothing at all, and words.
  WriteBytes(add("cut-in-header.jpg"), jpegBytes.substr(0, jpegBytes.find("\xFF\xC0") + 6));
  WriteBytes(add("cut-in-scan.jpg"), jpegBytes.substr(0, jpegBytes.size() / 2));
  auto header = [](std::int32_t w, std::int32_t h, std::uint16_t bits, std::uint32_t colours) {
    bmptest::BmpFile file;
    file.width = w;
    file.height = h;
    file.bitCount = bits;
    file.clrUsed = colours;
    file.pixels = bmptest::Bytes(64, 0x5A);
    const bmptest::Bytes bytes = file.Build();
    return std::string(bytes.begin(), bytes.end());
  };
  WriteBytes(add("lying-size.bmp"), header(60000, 60000, 24, 0));
  WriteBytes(add("lying-palette.bmp"), header(8, 8, 8, 70000));
  WriteBytes(add("empty.jpg"), "");
  WriteBytes(add("words.bmp"), std::string(2000, 'w'));
  return files;
}

void WithDialog(const std::string& name, const std::function<void()>& command) {
  testing::RunLater([name] { testing::AcceptFileDialog(name); });
  command();
  testing::ProcessEvents();
}

// One round: open the file, drag a selection that depends on the round, cut,
// save the piece as JPEG or BMP, and put it on the clipboard.
// Answers whether the save wrote the piece, so a session that did nothing
// cannot pass for a clean one.
bool Round(int round, const std::string& file, const std::filesystem::path& dir) {
  WithDialog(file, [] { mainForm->FileMenuOpenClick(nullptr); });
  const int x0 = 10 + round % 37, y0 = 5 + round % 23;
  testing::PressMouse(*mainForm->Image, mbLeft, {}, x0, y0);
  testing::MoveMouse(*mainForm->Image, {}, x0 + 90, y0 + 40);
  testing::MoveMouse(*mainForm->Image, {}, x0 + 150 + round % 50, y0 + 100);
  testing::ReleaseMouse(*mainForm->Image, mbLeft, {}, x0 + 150 + round % 50, y0 + 100);
  testing::PressKey(*mainForm->Image, VK_RIGHT, {});
  mainForm->toolMenuCutClick(nullptr);
  const std::filesystem::path piece = dir / (round % 2 == 0 ? "piece.jpg" : "piece.bmp");
  std::filesystem::remove(piece);
  WithDialog(piece.string(), [] { dispForm->FileMenuSaveClick(nullptr); });
  mainForm->toolMenuClipbdClick(nullptr);
  testing::ProcessEvents();
  return std::filesystem::exists(piece);
}

void Print(const char* when, const Counts& counts, std::int64_t resident) {
  std::printf("%-28s", when);
  for (std::size_t i = 0; i < counts.size(); ++i) std::printf("%s %s %zu", i == 0 ? "" : ",", kKindNames[i], counts[i]);
  if (resident > 0) std::printf(", resident %.1f MB", static_cast<double>(resident) / (1 << 20));
  std::putchar('\n');
}

}  // namespace

int main() {
  layers::PreferOffscreenPlatform();
  const layers::UiLayers started;
  framework::SetScreenWorkAreaForTesting(Rect(0, 0, 1280, 1024));
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kiritori-soak-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::vector<std::string> files = WriteMix(dir);
  const int pass = static_cast<int>(files.size());

  const Counts beforeWindows = LiveObjects();
  Application->Initialize();
  Application->CreateForm(mainForm);
  Application->CreateForm(dispForm);
  mainForm->Show();
  testing::ProcessEvents();

  Counts warm{};
  std::int64_t warmResident = 0;
  std::int64_t peakResident = 0;
  const auto start = std::chrono::steady_clock::now();
  // The last round ends at the same place in the mix as the warm-up pass.
  const int rounds = (kRounds + pass - 1) / pass * pass;
  int saved = 0;
  for (int round = 1; round <= rounds; ++round) {
    if (Round(round, files[static_cast<std::size_t>(round - 1) % files.size()], dir)) ++saved;
    peakResident = std::max(peakResident, ResidentBytes());
    if (round == pass) {
      warm = LiveObjects();
      warmResident = ResidentBytes();
      Print("after warm-up pass:", warm, warmResident);
    }
  }
  const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
  const Counts end = LiveObjects();
  const std::int64_t endResident = ResidentBytes();
  Print("after the last round:", end, endResident);

  {
    // The pieces on the clipboard are no window's; it gives them back when emptied.
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    const std::unique_ptr<TmainForm> main(mainForm);
    const std::unique_ptr<TdispForm> disp(dispForm);
  }
  testing::ProcessEvents();
  const Counts afterWindows = LiveObjects();
  Print("before the windows:", beforeWindows, 0);
  Print("after closing the windows:", afterWindows, ResidentBytes());
  std::filesystem::remove_all(dir);

  const std::int64_t grown = endResident - warmResident;
  std::printf("%d rounds over %d files, %d pieces saved, in %.1f s (%.1f ms a round)\n", rounds, pass, saved,
              spent.count(), 1000 * spent.count() / rounds);
  std::printf("resident memory grew %.2f MB after warm-up (limit %.0f MB), peak %.1f MB\n",
              static_cast<double>(grown) / (1 << 20), static_cast<double>(kMemorySlack) / (1 << 20),
              static_cast<double>(peakResident) / (1 << 20));
  bool ok = true;
  if (saved != rounds) {
    std::puts("FAILED: a round saved no piece");
    ok = false;
  }
  if (end != warm) {
    std::puts("FAILED: live platform objects did not come back to their counts after warm-up");
    ok = false;
  }
  if (afterWindows != beforeWindows) {
    std::puts("FAILED: live platform objects outlived the windows");
    ok = false;
  }
  if (grown > kMemorySlack) {
    std::puts("FAILED: resident memory grew by more than 10 MB");
    ok = false;
  }
  return ok ? 0 : 1;
}
