#include "graphics/ResourceManager.h"

#include <cassert>

#include "graphics/GraphicsObject.h"
#include "graphics/Brush.h"
#include "graphics/Font.h"
#include "graphics/Pen.h"
#include "graphics/Types.h"

std::uint16_t ToolHash(std::span<const std::byte> bytes) noexcept {
  std::uint16_t h = 0;
  for (std::byte b : bytes) {
    h = static_cast<std::uint16_t>((h << 5) | (h >> 11));
    h ^= static_cast<std::uint16_t>(b);
  }
  return h;
}

TResourceManager::TResourceManager(std::size_t dataSize) : dataSize_(dataSize) {
  assert(dataSize <= kMaxToolDataSize && dataSize >= sizeof(HGDIOBJ) + sizeof(TColor));
}

TResourceManager::~TResourceManager() {
  // Unlink one by one: a long chain of owning pointers would otherwise be
  // destroyed recursively.
  while (head_) {
    std::unique_ptr<ToolResource> record = std::move(head_);
    head_ = std::move(record->Next);
    if (HGDIOBJ handle = record->Handle.load()) DeleteObject(handle);
  }
}

ToolResource* TResourceManager::FindOrAddResource(const void* attributes) {
  const std::uint16_t hash =
      ToolHash({static_cast<const std::byte*>(attributes), dataSize_});
  TCriticalSectionGuard guard(lock_);
  ToolResource* found = nullptr;
  for (ToolResource* r = head_.get(); r != nullptr; r = r->Next.get()) {
    if (r->Hash == hash && std::memcmp(r->Data, attributes, dataSize_) == 0) {
      found = r;
      break;
    }
  }
  if (found == nullptr) {
    auto record = std::make_unique<ToolResource>();
    HGDIOBJ handle;
    std::memcpy(&handle, attributes, sizeof handle);
    record->Handle.store(handle, std::memory_order_relaxed);
    record->Hash = hash;
    std::memcpy(record->Data, attributes, dataSize_);
    record->Next = std::move(head_);
    head_ = std::move(record);
    found = head_.get();
  }
  ++found->RefCount;
  return found;
}

void TResourceManager::ReleaseResource(ToolResource* record) {
  if (record == nullptr) return;
  std::unique_ptr<ToolResource> unlinked;
  {
    TCriticalSectionGuard guard(lock_);
    if (--record->RefCount > 0) return;
    for (std::unique_ptr<ToolResource>* link = &head_; *link; link = &(*link)->Next) {
      if (link->get() == record) {
        unlinked = std::move(*link);
        *link = std::move(unlinked->Next);
        break;
      }
    }
  }
  // Deleting the platform object outside the lock keeps other tools' lookups
  // from waiting on the platform.
  if (unlinked) {
    if (HGDIOBJ handle = unlinked->Handle.load()) DeleteObject(handle);
  }
}

namespace {
// Releases a tool's former record when the replacement is done, also when the
// tool's change notification fails, so the record's count stays true.
class [[nodiscard]] ReleaseOnExit {
 public:
  ReleaseOnExit(TResourceManager& cache, ToolResource* record) : cache_(cache), record_(record) {}
  ~ReleaseOnExit() { cache_.ReleaseResource(record_); }
  ReleaseOnExit(const ReleaseOnExit&) = delete;
  ReleaseOnExit& operator=(const ReleaseOnExit&) = delete;

 private:
  TResourceManager& cache_;
  ToolResource* record_;
};
}  // namespace

void TResourceManager::ReplaceResource(TGraphicsObject& tool, const void* attributes) {
  TCriticalSectionGuard guard(lock_);
  ToolResource* old = tool.Resource;
  ToolResource* replacement = FindOrAddResource(attributes);
  tool.Resource = replacement;
  ReleaseOnExit release(*this, old);
  if (replacement != old) tool.Changed();
}

void TResourceManager::ShareResource(TGraphicsObject& tool, ToolResource* record) {
  TCriticalSectionGuard guard(lock_);
  ToolResource* old = tool.Resource;
  if (old == record) return;
  ++record->RefCount;
  tool.Resource = record;
  ReleaseOnExit release(*this, old);
  tool.Changed();
}

void TResourceManager::ForgetSystemColorHandles() {
  TCriticalSectionGuard guard(lock_);
  for (ToolResource* r = head_.get(); r != nullptr; r = r->Next.get()) {
    TColor color;
    std::memcpy(&color, r->Data + sizeof(HGDIOBJ), sizeof color);
    HGDIOBJ handle = r->Handle.load(std::memory_order_relaxed);
    if (color < 0 && handle != nullptr) {
      DeleteObject(handle);
      r->Handle.store(nullptr, std::memory_order_release);
    }
  }
}

ToolResource* TResourceManager::FindByHandle(HGDIOBJ handle) const {
  if (handle == nullptr) return nullptr;
  TCriticalSectionGuard guard(lock_);
  for (ToolResource* r = head_.get(); r != nullptr; r = r->Next.get()) {
    if (r->Handle.load(std::memory_order_relaxed) == handle) return r;
  }
  return nullptr;
}

std::size_t TResourceManager::RecordCount() const {
  TCriticalSectionGuard guard(lock_);
  std::size_t n = 0;
  for (const ToolResource* r = head_.get(); r != nullptr; r = r->Next.get()) ++n;
  return n;
}

namespace {
std::unique_ptr<TResourceManager> fontCache;
std::unique_ptr<TResourceManager> penCache;
std::unique_ptr<TResourceManager> brushCache;
}  // namespace

TResourceManager& FontCache() { return *fontCache; }
TResourceManager& PenCache() { return *penCache; }
TResourceManager& BrushCache() { return *brushCache; }

namespace graphics::detail {
void CreateToolCaches() {
  fontCache = std::make_unique<TResourceManager>(sizeof(TFontData));
  penCache = std::make_unique<TResourceManager>(sizeof(TPenData));
  brushCache = std::make_unique<TResourceManager>(sizeof(TBrushData));
}

void DestroyToolCaches() {
  brushCache.reset();
  penCache.reset();
  fontCache.reset();
}
}  // namespace graphics::detail
