// Movable memory blocks, the data of clipboard formats that are not graphics
// objects (text, metafile pictures). A block is known by a checked HGLOBAL
// cookie: a freed or made-up handle fails the call instead of touching memory.
#pragma once

#include <cstddef>

#include "platform/Windows.h"

inline constexpr UINT GMEM_FIXED = 0x0000;
inline constexpr UINT GMEM_MOVEABLE = 0x0002;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;
inline constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// A new block of `bytes` bytes (zeroed with GMEM_ZEROINIT), or null with
// ERROR_NOT_ENOUGH_MEMORY when it cannot be had.
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
// Frees the block; returns null on success and the handle itself (with
// ERROR_INVALID_HANDLE) when it names no live block.
HGLOBAL GlobalFree(HGLOBAL memory);
// The block's bytes, valid until it is freed; null for a dead handle. Locks
// are counted; a block stays where it is while unlocked too.
LPVOID GlobalLock(HGLOBAL memory);
// FALSE once the lock count is back at zero (also for an unlocked block).
BOOL GlobalUnlock(HGLOBAL memory);
// The block's size in bytes, 0 for a dead handle.
std::size_t GlobalSize(HGLOBAL memory);

namespace platform {
// Blocks allocated and not yet freed; tests compare it around an operation.
std::size_t LiveGlobalCount();
// Frees every block still alive (platform shutdown).
void FreeAllGlobals() noexcept;
}  // namespace platform
