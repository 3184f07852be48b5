#include "platform/GlobalMemory.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <new>

namespace {

struct Block {
  std::unique_ptr<std::byte[]> bytes;
  std::size_t size = 0;
  int locks = 0;
};

// Cookies are never reused, so a stale handle cannot name a later block; the
// tag keeps them apart from graphics-object handles.
constexpr std::uintptr_t kTag = std::uintptr_t{0x47} << 24;
std::uintptr_t g_next = 1;
std::map<std::uintptr_t, Block> g_blocks;

Block* Find(HGLOBAL memory) {
  const auto it = g_blocks.find(reinterpret_cast<std::uintptr_t>(memory));
  if (it == g_blocks.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return &it->second;
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) {
  // A zero-sized block still gets one byte, so its lock returns a real address.
  constexpr std::size_t kLimit = std::size_t{1} << 31;
  if (bytes > kLimit) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Block block;
  block.bytes.reset(new (std::nothrow) std::byte[bytes == 0 ? 1 : bytes]);
  if (!block.bytes) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if ((flags & GMEM_ZEROINIT) != 0) std::fill_n(block.bytes.get(), bytes, std::byte{0});
  block.size = bytes;
  const std::uintptr_t cookie = kTag | (g_next++ << 32);
  try {
    g_blocks.emplace(cookie, std::move(block));
  } catch (const std::bad_alloc&) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return reinterpret_cast<HGLOBAL>(cookie);
}

HGLOBAL GlobalFree(HGLOBAL memory) {
  if (Find(memory) == nullptr) return memory;
  g_blocks.erase(reinterpret_cast<std::uintptr_t>(memory));
  return nullptr;
}

LPVOID GlobalLock(HGLOBAL memory) {
  Block* block = Find(memory);
  if (block == nullptr) return nullptr;
  ++block->locks;
  return block->bytes.get();
}

BOOL GlobalUnlock(HGLOBAL memory) {
  Block* block = Find(memory);
  if (block == nullptr) return FALSE;
  if (block->locks > 0) --block->locks;
  SetLastError(ERROR_SUCCESS);
  return block->locks > 0 ? TRUE : FALSE;
}

std::size_t GlobalSize(HGLOBAL memory) {
  const Block* block = Find(memory);
  return block == nullptr ? 0 : block->size;
}

namespace platform {

std::size_t LiveGlobalCount() { return g_blocks.size(); }

void FreeAllGlobals() noexcept { g_blocks.clear(); }

}  // namespace platform
