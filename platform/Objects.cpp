#include "platform/Objects.h"

#include <memory>
#include <new>

#include "platform/StockObjects.h"

namespace platform {

namespace {

// A handle's value: bits 0..19 the slot number plus one (so no handle is 0),
// bits 20..23 the kind, bits 24..31 the slot's generation. A value with
// anything above bit 31 is no handle of ours.
constexpr std::uint32_t kSlotBits = 20;
constexpr std::uint32_t kSlotMask = (1u << kSlotBits) - 1;

std::uintptr_t Encode(std::uint32_t slot, ObjectKind kind, std::uint8_t generation) {
  return (std::uintptr_t{generation} << 24) | (std::uintptr_t{static_cast<std::uint8_t>(kind)} << kSlotBits) |
         (slot + 1);
}

std::unique_ptr<ObjectTable> gTable;

// Each table starts its slots' generations where the previous table left off,
// so a handle kept across Shutdown and Startup does not name a new object.
std::uint8_t gNextEpoch = 1;

}  // namespace

ObjectTable::ObjectTable() : epoch_(gNextEpoch) {
  gNextEpoch = static_cast<std::uint8_t>(gNextEpoch == 255 ? 1 : gNextEpoch + 1);
}

ObjectTable::~ObjectTable() {
  // Objects refer to each other only by handle, so the order of destruction
  // does not matter; clearing the slots first keeps Find from seeing a half-
  // destroyed table.
  std::vector<Slot> slots = std::move(slots_);
  slots_.clear();
}

HGDIOBJ ObjectTable::Insert(std::unique_ptr<GdiObject> object) {
  if (!object) return nullptr;
  std::uint32_t slot;
  if (!freeSlots_.empty()) {
    slot = freeSlots_.back();
    freeSlots_.pop_back();
  } else {
    if (slots_.size() >= kMaxLiveObjects) return nullptr;
    try {
      slots_.push_back(Slot{nullptr, epoch_});
    } catch (const std::bad_alloc&) {
      return nullptr;
    }
    slot = static_cast<std::uint32_t>(slots_.size() - 1);
  }
  Slot& s = slots_[slot];
  const ObjectKind kind = object->kind();
  object->handle_ = reinterpret_cast<HGDIOBJ>(Encode(slot, kind, s.generation));
  if (!object->stock) ++counts_[static_cast<int>(kind)];
  s.object = std::move(object);
  return s.object->handle_;
}

GdiObject* ObjectTable::Find(HGDIOBJ handle) const {
  const auto value = reinterpret_cast<std::uintptr_t>(handle);
  if (value == 0 || value > 0xFFFFFFFFu) return nullptr;
  const std::uint32_t index = static_cast<std::uint32_t>(value) & kSlotMask;
  if (index == 0 || index > slots_.size()) return nullptr;
  const Slot& s = slots_[index - 1];
  if (!s.object || s.object->handle_ != handle) return nullptr;
  return s.object.get();
}

std::unique_ptr<GdiObject> ObjectTable::Remove(HGDIOBJ handle) {
  if (Find(handle) == nullptr) return nullptr;
  const std::uint32_t slot = (static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(handle)) & kSlotMask) - 1;
  Slot& s = slots_[slot];
  std::unique_ptr<GdiObject> object = std::move(s.object);
  if (!object->stock) --counts_[static_cast<int>(object->kind())];
  // Generation 0 is skipped so that a slot's handles never repeat within 255
  // reuses and never equal a zeroed value.
  s.generation = static_cast<std::uint8_t>(s.generation == 255 ? 1 : s.generation + 1);
  try {
    freeSlots_.push_back(slot);
  } catch (const std::bad_alloc&) {
    // The slot is simply not reused.
  }
  return object;
}

std::size_t ObjectTable::Count(ObjectKind kind) const { return counts_[static_cast<int>(kind)]; }

ObjectTable* Objects() { return gTable.get(); }

void CreateObjectTable() { gTable = std::make_unique<ObjectTable>(); }

void DestroyObjectTable() { gTable.reset(); }

std::size_t LiveObjectCount(ObjectKind kind) { return gTable ? gTable->Count(kind) : 0; }

HGDIOBJ AddObject(std::unique_ptr<GdiObject> object) {
  HGDIOBJ handle = gTable ? gTable->Insert(std::move(object)) : nullptr;
  if (handle == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return handle;
}

}  // namespace platform

using platform::GdiObject;
using platform::ObjectKind;

HGDIOBJ GetStockObject(int index) {
  HGDIOBJ object = platform::StockObject(index);
  if (object == nullptr) SetLastError(ERROR_INVALID_PARAMETER);
  return object;
}

BOOL DeleteObject(HGDIOBJ handle) {
  platform::ObjectTable* table = platform::Objects();
  GdiObject* object = table ? table->Find(handle) : nullptr;
  if (object == nullptr || object->kind() == ObjectKind::DeviceContext) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (object->stock) return TRUE;
  if (object->selections > 0) {
    SetLastError(ERROR_BUSY);
    return FALSE;
  }
  table->Remove(handle);
  return TRUE;
}

int GetObjectA(HGDIOBJ handle, int size, LPVOID buffer) {
  platform::ObjectTable* table = platform::Objects();
  GdiObject* object = table ? table->Find(handle) : nullptr;
  if (object == nullptr || object->kind() == ObjectKind::DeviceContext) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (size < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const int written = object->Describe(size, buffer);
  if (written == 0) SetLastError(ERROR_INVALID_PARAMETER);
  return written;
}
