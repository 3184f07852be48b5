#include "platform/MemoryBudget.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <iterator>
#include <string>

namespace platform {

namespace {

bool gHostileChecks = true;

constexpr std::int64_t kNoLimit = std::numeric_limits<std::int64_t>::max();

// The first number in a file such as memory.current; false for "max" or none.
bool ReadNumber(const std::string& path, std::int64_t& value) {
  std::ifstream file(path);
  long long number = 0;
  if (!(file >> number)) return false;
  value = number;
  return true;
}

std::int64_t MemAvailableBytes() {
  std::ifstream file("/proc/meminfo");
  std::string key;
  long long kb = 0;
  std::string unit;
  while (file >> key >> kb) {
    std::getline(file, unit);
    if (key == "MemAvailable:") return static_cast<std::int64_t>(kb) * 1024;
  }
  return kNoLimit;
}

// The tightest room left by the cgroup v2 limits on the way to the root.
std::int64_t CgroupRoomBytes() {
  std::ifstream file("/proc/self/cgroup");
  std::string line, path;
  while (std::getline(file, line)) {
    if (line.rfind("0::", 0) == 0) path = line.substr(3);
  }
  if (path.empty()) return kNoLimit;
  std::int64_t room = kNoLimit;
  for (;;) {
    const std::string dir = "/sys/fs/cgroup" + (path == "/" ? std::string() : path);
    std::int64_t limit = 0, current = 0;
    if (ReadNumber(dir + "/memory.max", limit) && ReadNumber(dir + "/memory.current", current))
      room = std::min(room, std::max<std::int64_t>(limit - current, 0));
    if (path == "/" || path.empty()) break;
    const auto slash = path.find_last_of('/');
    path = slash == 0 || slash == std::string::npos ? "/" : path.substr(0, slash);
  }
  return room;
}

}  // namespace

std::int64_t AvailableMemoryBytes() {
  if (const char* seam = std::getenv("KIRITORI_MEMAVAILABLE_KB"); seam != nullptr && *seam != '\0') {
    char* end = nullptr;
    const long long kb = std::strtoll(seam, &end, 10);
    if (end != seam && kb >= 0) return std::min<std::int64_t>(kb, kNoLimit / 1024) * 1024;
  }
  const std::int64_t available = std::min(MemAvailableBytes(), CgroupRoomBytes());
  if (available == kNoLimit) return kNoLimit;
  const std::int64_t reserve = std::max(kMinimumReserveBytes, available / 10);
  return std::max<std::int64_t>(available - reserve, 0);
}

bool HostileChecksEnabled() noexcept { return gHostileChecks; }

void SetHostileChecksEnabled(bool enabled) noexcept { gHostileChecks = enabled; }

std::string FormatByteCount(double bytes) {
  static constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB", "PB", "EB"};
  if (bytes < 1000) return std::to_string(static_cast<long long>(bytes)) + " bytes";
  int unit = -1;
  while (bytes >= 1000 && unit + 1 < static_cast<int>(std::size(kUnits))) {
    bytes /= 1000;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", bytes, kUnits[unit]);
  return text;
}

}  // namespace platform
