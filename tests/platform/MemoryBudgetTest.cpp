#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "LeakCheck.h"
#include "platform/MemoryBudget.h"
#include "platform/PixelMemory.h"
#include "platform/Windows.h"

namespace {

std::int64_t MemAvailable() {
  std::ifstream file("/proc/meminfo");
  std::string key;
  long long kb = 0;
  std::string unit;
  while (file >> key >> kb >> unit)
    if (key == "MemAvailable:") return kb * 1024;
  return -1;
}

platform::BitmapLayout Layout(std::size_t bytes) {
  platform::BitmapLayout layout;
  layout.byteSize = bytes;
  return layout;
}

}  // namespace

TEST(MemoryBudget, TheFigureKeepsAReserveOrIsTheSeams) {
  unsetenv("KIRITORI_MEMAVAILABLE_KB");
  const std::int64_t available = MemAvailable();
  ASSERT_GT(available, 0);
  const std::int64_t figure = platform::AvailableMemoryBytes();
  EXPECT_GE(figure, 0);
  EXPECT_LE(figure, std::max<std::int64_t>(available - platform::kMinimumReserveBytes, 0) + (64 << 20));
  setenv("KIRITORI_MEMAVAILABLE_KB", "2048", 1);
  EXPECT_EQ(platform::AvailableMemoryBytes(), 2048 * 1024);
  unsetenv("KIRITORI_MEMAVAILABLE_KB");
}

TEST(MemoryBudget, PixelMemoryPastTheFigureIsRefusedWithItsReason) {
  setenv("KIRITORI_MEMAVAILABLE_KB", "2048", 1);
  struct Case {
    std::size_t bytes;
    bool checks;
    bool granted;
  } cases[] = {
      {2048 * 1024, true, true},       // exactly the figure
      {2048 * 1024 + 1, true, false},  // one byte past it
      {64 << 20, false, true},         // the checks bypassed
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bytes);
    platform::SetHostileChecksEnabled(c.checks);
    SetLastError(ERROR_SUCCESS);
    const platform::PixelMemory memory = platform::AllocatePixels(Layout(c.bytes));
    EXPECT_EQ(memory != nullptr, c.granted);
    if (!c.granted) {
      EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
      EXPECT_EQ(platform::LastErrorDetail(), "needs 2.1 MB of pixel memory, 2.1 MB available");
    }
  }
  platform::SetHostileChecksEnabled(true);
  // Small requests are never judged, however little is left.
  setenv("KIRITORI_MEMAVAILABLE_KB", "0", 1);
  EXPECT_NE(platform::AllocatePixels(Layout(platform::kUnjudgedAllocationBytes - 1)), nullptr);
  EXPECT_EQ(platform::AllocatePixels(Layout(platform::kUnjudgedAllocationBytes)), nullptr);
  unsetenv("KIRITORI_MEMAVAILABLE_KB");
}
