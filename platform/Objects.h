// The platform's object table: every bitmap, palette, pen, brush, font and
// device context lives here and is known to callers only by a handle, a checked
// cookie that names a slot, the kind of object and the slot's generation. A
// stale, foreign or wrongly typed handle is refused, never dereferenced. Like
// the GUI thread that uses it, the table is single-threaded; only the last
// error is kept per thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/Windows.h"

namespace platform {

enum class ObjectKind : std::uint8_t { Bitmap = 1, Palette, Pen, Brush, Font, DeviceContext };

// Number of live objects of a kind that a caller made and has not yet deleted
// (stock objects are not counted). Tests compare it before and after an
// operation to prove that nothing leaks. 0 before Startup and after Shutdown.
std::size_t LiveObjectCount(ObjectKind kind);

// ---------------------------------------------------------------------------
// For the platform's own files.
// ---------------------------------------------------------------------------

// Most objects that may live at once; creating one more fails like a failed
// allocation.
inline constexpr std::uint32_t kMaxLiveObjects = (1u << 20) - 2;

class GdiObject {
 public:
  explicit GdiObject(ObjectKind kind) : kind_(kind) {}
  virtual ~GdiObject() = default;
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  ObjectKind kind() const { return kind_; }
  HGDIOBJ handle() const { return handle_; }
  // Stock objects are never deleted: DeleteObject on them succeeds and does nothing.
  bool stock = false;
  // How many device contexts hold this object selected; a selected object
  // cannot be deleted.
  int selections = 0;

  // Writes the object's description as GetObject does (at most `size` bytes;
  // with a null buffer only the size it would write) and returns the byte
  // count, or 0 when the buffer is too small for the description.
  virtual int Describe(int size, void* buffer) const = 0;

 private:
  friend class ObjectTable;
  ObjectKind kind_;
  HGDIOBJ handle_ = nullptr;
};

class ObjectTable {
 public:
  ObjectTable();
  ~ObjectTable();
  ObjectTable(const ObjectTable&) = delete;
  ObjectTable& operator=(const ObjectTable&) = delete;

  // Takes the object over and returns its new handle, or null (the object is
  // then destroyed) when the table is full.
  HGDIOBJ Insert(std::unique_ptr<GdiObject> object);
  // The live object a handle names, or null for a handle that names none.
  GdiObject* Find(HGDIOBJ handle) const;
  // Takes the object out of the table; the handle is dead from then on.
  std::unique_ptr<GdiObject> Remove(HGDIOBJ handle);
  std::size_t Count(ObjectKind kind) const;

 private:
  struct Slot {
    std::unique_ptr<GdiObject> object;
    std::uint8_t generation = 1;
  };
  std::vector<Slot> slots_;
  std::vector<std::uint32_t> freeSlots_;
  std::size_t counts_[8] = {};
  std::uint8_t epoch_;
};

// The process's table between Startup and Shutdown, else null.
ObjectTable* Objects();
void CreateObjectTable();
void DestroyObjectTable();

// Inserts an object and records ERROR_NOT_ENOUGH_MEMORY when it cannot.
HGDIOBJ AddObject(std::unique_ptr<GdiObject> object);

// The live object of type T (which names its kind as T::kKind) behind a handle,
// or null with ERROR_INVALID_HANDLE recorded.
template <class T>
T* Lookup(HGDIOBJ handle) {
  ObjectTable* table = Objects();
  GdiObject* object = table ? table->Find(handle) : nullptr;
  if (object == nullptr || object->kind() != T::kKind) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return static_cast<T*>(object);
}

// Convenience for the platform's returns of a typed handle.
template <class H>
H As(HGDIOBJ handle) {
  return static_cast<H>(handle);
}

}  // namespace platform
