// How much memory the machine can give a picture. One figure serves every
// judge: the pixel allocator and the JPEG library's memory limit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// Requests for less pixel memory than this are never judged: they cannot hurt,
// and glyphs and scratch bitmaps must be drawable on a machine close to its end.
inline constexpr std::int64_t kUnjudgedAllocationBytes = std::int64_t{1} << 20;
// Kept back from the machine's available memory: at least this, or a tenth of
// it when that is more.
inline constexpr std::int64_t kMinimumReserveBytes = std::int64_t{256} << 20;

// The bytes a new picture may take: the environment's KIRITORI_MEMAVAILABLE_KB
// when set (tests make the figure deterministic with it); otherwise the smaller
// of MemAvailable in /proc/meminfo and, for the process's cgroup and each of
// its parents that sets memory.max, memory.max - memory.current; less
// max(kMinimumReserveBytes, a tenth of that). Never negative.
std::int64_t AvailableMemoryBytes();

// Whether the checks that keep hostile files cheap are on (the default): the
// available-memory check of the pixel allocator, and the size and work checks
// of the file readers. Benchmarks turn them off to measure what they cost.
bool HostileChecksEnabled() noexcept;
void SetHostileChecksEnabled(bool enabled) noexcept;

// Turns the hostile checks off for its lifetime: benchmarks measure what they
// cost, and tests reach the defences that lie behind them.
class HostileChecksOff {
 public:
  HostileChecksOff() noexcept : was_(HostileChecksEnabled()) { SetHostileChecksEnabled(false); }
  ~HostileChecksOff() { SetHostileChecksEnabled(was_); }
  HostileChecksOff(const HostileChecksOff&) = delete;
  HostileChecksOff& operator=(const HostileChecksOff&) = delete;

 private:
  bool was_;
};

// A byte count as people read it, in units of 1000: "62 bytes", "1.5 MB",
// "2.1 GB".
std::string FormatByteCount(double bytes);

}  // namespace platform
