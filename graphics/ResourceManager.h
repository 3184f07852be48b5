// The process-wide caches of platform pens, brushes and fonts. Every set of tool
// attributes in use has one shared record, and every tool with those attributes
// uses the record's one platform object, made when first needed and deleted with
// the record's last user.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

#include "platform/Windows.h"
#include "runtime/CriticalSection.h"

class TGraphicsObject;

// The 16-bit hash the caches compare before they compare attribute bytes.
std::uint16_t ToolHash(std::span<const std::byte> bytes) noexcept;

// Largest attribute record a cache holds (the font's).
inline constexpr std::size_t kMaxToolDataSize = 48;

// One record per distinct attribute set. The attribute bytes are compared and
// hashed whole, so every byte of them is determined by the tool that made them.
struct ToolResource {
  std::unique_ptr<ToolResource> Next;
  // Tools using the record; changed only under the cache's lock.
  std::int32_t RefCount = 0;
  // The realised platform object, or null until a tool first needs it. Atomic so
  // that a tool can read a made handle without taking the cache's lock.
  std::atomic<HGDIOBJ> Handle{nullptr};
  std::uint16_t Hash = 0;
  alignas(8) std::byte Data[kMaxToolDataSize] = {};

  // The attribute record as its tool's type (T is the tool's attribute struct).
  template <class T>
  T Attributes() const noexcept {
    static_assert(sizeof(T) <= kMaxToolDataSize);
    T value;
    std::memcpy(&value, Data, sizeof(T));
    return value;
  }
};

class TResourceManager {
 public:
  // A cache whose attribute records are dataSize bytes long (at most
  // kMaxToolDataSize).
  explicit TResourceManager(std::size_t dataSize);
  // Frees every record that is still listed and deletes its platform object.
  ~TResourceManager();
  TResourceManager(const TResourceManager&) = delete;
  TResourceManager& operator=(const TResourceManager&) = delete;

  // The record for these attribute bytes (DataSize() of them), with one more
  // user; a new record, whose Handle is the attributes' handle field, when none
  // is equal. Never null.
  ToolResource* FindOrAddResource(const void* attributes);
  // Removes one user; the last user's release unlinks the record, deletes its
  // platform object and frees it. Nothing for null.
  void ReleaseResource(ToolResource* record);
  // Moves the tool to the record for these attributes. When the record differs,
  // the tool's change notification runs before the old record is released, so
  // its owner can deselect the old platform object before it may be deleted.
  void ReplaceResource(TGraphicsObject& tool, const void* attributes);
  // Moves the tool to the given record (another tool's), as ReplaceResource
  // does; nothing when the tool already uses it.
  void ShareResource(TGraphicsObject& tool, ToolResource* record);
  // Deletes and forgets the platform object of every record whose colour (the
  // field after the handle) is a system colour, so that its next use picks up
  // the current system colours. The objects must be selected nowhere.
  void ForgetSystemColorHandles();

  // The record's platform object, made by create (a callable taking the
  // record and answering the new handle, or null when the platform refuses)
  // under the cache's lock when there is none yet. A refused object leaves the
  // record's Handle null and the next call tries again.
  template <class Create>
  HGDIOBJ Realize(ToolResource& record, Create&& create) {
    HGDIOBJ handle = record.Handle.load(std::memory_order_acquire);
    if (handle != nullptr) return handle;
    TCriticalSectionGuard guard(lock_);
    handle = record.Handle.load(std::memory_order_relaxed);
    if (handle == nullptr) {
      handle = create(static_cast<const ToolResource&>(record));
      record.Handle.store(handle, std::memory_order_release);
    }
    return handle;
  }

  // The record whose platform object is handle, or null; adds no user. Hold
  // Lock() while the answer is used.
  ToolResource* FindByHandle(HGDIOBJ handle) const;
  // The cache's (re-entrant) lock, for a caller that must look up and change in
  // one step.
  TCriticalSection& Lock() const noexcept { return lock_; }

  std::size_t DataSize() const noexcept { return dataSize_; }
  // Number of records listed; for tests and diagnostics.
  std::size_t RecordCount() const;

 private:
  std::unique_ptr<ToolResource> head_;
  std::size_t dataSize_;
  mutable TCriticalSection lock_;
};

// The three process-wide caches; they exist between graphics::Startup and
// graphics::Shutdown.
TResourceManager& FontCache();
TResourceManager& PenCache();
TResourceManager& BrushCache();

namespace graphics::detail {
// Called by the graphics layer's start-up and shutdown only.
void CreateToolCaches();
void DestroyToolCaches();
}  // namespace graphics::detail
