// Where bitmaps' pixel memory comes from and goes back to. Large pictures are
// mapped straight from the system, so that a new 100-megapixel section costs
// a few page faults instead of tens of thousands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/BitmapLayout.h"

namespace platform {

// Buffers of at least this many bytes are mapped at this alignment, with the
// system asked to back them with huge pages.
inline constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

// Gives memory back the way AllocatePixels had it.
struct PixelMemoryDeleter {
  std::size_t mappedBytes = 0;  // 0 for memory from the heap
  void operator()(std::uint8_t* p) const noexcept;
};
using PixelMemory = std::unique_ptr<std::uint8_t, PixelMemoryDeleter>;

// Zeroed pixel memory for `layout` (at least one byte, so an empty bitmap
// still has an address). Null, with ERROR_NOT_ENOUGH_MEMORY as the last error
// and a detail naming the sizes, when the request is above the memory the
// machine has available (AvailableMemoryBytes; requests under
// kUnjudgedAllocationBytes are not judged) or the system refuses it.
PixelMemory AllocatePixels(const BitmapLayout& layout);

}  // namespace platform
