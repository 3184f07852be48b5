#include "platform/PixelMemory.h"

#include "platform/MemoryBudget.h"
#include "platform/Windows.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace platform {

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// Under AddressSanitizer every buffer comes from the checked heap, whose red
// zones catch a write one byte past a picture; a mapping would hide it.
constexpr bool kMapLargeBuffers = !kSanitized;

std::uint8_t* MapAligned(std::size_t bytes, std::size_t& mapped) {
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const std::size_t length = (bytes + page - 1) / page * page;
  // Over-ask by one huge page less a page, then trim both ends: what is left
  // starts on a huge-page boundary, where the system can back it with huge pages.
  const std::size_t span = length + kHugePageBytes - page;
  void* raw = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto base = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t start = (base + kHugePageBytes - 1) & ~(std::uintptr_t{kHugePageBytes} - 1);
  const std::uintptr_t end = start + length;
  if (start > base) munmap(raw, start - base);
  auto* memory = static_cast<std::uint8_t*>(raw) + (start - base);
  if (base + span > end) munmap(memory + length, base + span - end);
#ifdef MADV_HUGEPAGE
  // A refusal costs speed only: the pages still come, zeroed, one by one.
  madvise(memory, length, MADV_HUGEPAGE);
#endif
  mapped = length;
  return memory;
}

}  // namespace

void PixelMemoryDeleter::operator()(std::uint8_t* p) const noexcept {
  if (p == nullptr) return;
  if (mappedBytes != 0)
    munmap(p, mappedBytes);
  else
    std::free(p);
}

PixelMemory AllocatePixels(const BitmapLayout& layout) {
  const std::size_t bytes = std::max<std::size_t>(layout.byteSize, 1);
  const auto refuse = [bytes](const std::string& available) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    SetLastErrorDetail("needs " + FormatByteCount(static_cast<double>(bytes)) + " of pixel memory, " + available);
    return PixelMemory();
  };
  // Pages are handed out lazily, so the system would grant far more than it
  // can back; the picture must fit what the machine really has.
  if (HostileChecksEnabled() && static_cast<std::int64_t>(bytes) >= kUnjudgedAllocationBytes) {
    const std::int64_t available = AvailableMemoryBytes();
    if (static_cast<std::uint64_t>(bytes) > static_cast<std::uint64_t>(available))
      return refuse(FormatByteCount(static_cast<double>(available)) + " available");
  }
  PixelMemory memory;
  if (kMapLargeBuffers && bytes >= kHugePageBytes) {
    // New anonymous pages read as zero: nothing to clear.
    std::size_t mapped = 0;
    std::uint8_t* mappedMemory = MapAligned(bytes, mapped);
    if (mappedMemory != nullptr) memory = PixelMemory(mappedMemory, PixelMemoryDeleter{mapped});
  } else {
    // calloc: the system hands out zeroed pages lazily, so a new bitmap costs
    // nothing until it is drawn on.
    memory = PixelMemory(static_cast<std::uint8_t*>(std::calloc(bytes, 1)));
  }
  if (!memory) return refuse("refused by the system");
  return memory;
}

}  // namespace platform
