// Scoped owners and selection guards for platform objects, so that every
// device context is freed and every selection undone on every path, failures
// included.
#pragma once

#include <type_traits>
#include <utility>

#include "graphics/PixelFormat.h"
#include "platform/Windows.h"

namespace graphics {

// The screen's device context, released at scope end. Raises the graphics
// error when the platform gives none.
class [[nodiscard]] TScreenContext {
 public:
  TScreenContext() : dc_(GraphicsCheck(GetDC(nullptr))) {}
  ~TScreenContext() { ReleaseDC(nullptr, dc_); }
  TScreenContext(const TScreenContext&) = delete;
  TScreenContext& operator=(const TScreenContext&) = delete;
  HDC Get() const noexcept { return dc_; }
  int BitsPerPixel() const { return GetDeviceCaps(dc_, BITSPIXEL) * GetDeviceCaps(dc_, PLANES); }

 private:
  HDC dc_;
};

// A memory device context compatible with `reference` (null: the screen),
// deleted at scope end. Raises the graphics error when none can be made.
class [[nodiscard]] TMemoryContext {
 public:
  explicit TMemoryContext(HDC reference = nullptr) : dc_(GraphicsCheck(CreateCompatibleDC(reference))) {}
  ~TMemoryContext() {
    if (dc_ != nullptr) DeleteDC(dc_);
  }
  TMemoryContext(const TMemoryContext&) = delete;
  TMemoryContext& operator=(const TMemoryContext&) = delete;
  HDC Get() const noexcept { return dc_; }
  // Hands the context to the caller, who deletes it.
  HDC Release() noexcept { return std::exchange(dc_, nullptr); }

 private:
  HDC dc_;
};

// Selects a bitmap (or pen, brush, font) into a context and selects back what
// it displaced at scope end. With `checked`, a refused selection raises the
// graphics error.
class [[nodiscard]] TSelection {
 public:
  TSelection(HDC dc, HGDIOBJ object, bool checked = true) : dc_(dc), old_(SelectObject(dc, object)) {
    if (checked && old_ == nullptr) RaiseGraphicsError();
  }
  ~TSelection() {
    if (old_ != nullptr) SelectObject(dc_, old_);
  }
  TSelection(const TSelection&) = delete;
  TSelection& operator=(const TSelection&) = delete;
  bool Selected() const noexcept { return old_ != nullptr; }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Selects a palette (when non-null) and realises it; selects the previous
// palette back as a background palette at scope end.
class [[nodiscard]] TPaletteSelection {
 public:
  TPaletteSelection(HDC dc, HPALETTE palette, bool background) : dc_(dc) {
    if (palette == nullptr) return;
    old_ = SelectPalette(dc, palette, background ? TRUE : FALSE);
    RealizePalette(dc);
  }
  ~TPaletteSelection() {
    if (old_ != nullptr) SelectPalette(dc_, old_, TRUE);
  }
  TPaletteSelection(const TPaletteSelection&) = delete;
  TPaletteSelection& operator=(const TPaletteSelection&) = delete;

 private:
  HDC dc_;
  HPALETTE old_ = nullptr;
};

// Owns a bitmap or palette handle until Release; deletes it at scope end. The
// system 16-colour palette is never deleted.
template <class Handle>
class [[nodiscard]] TOwnedObject {
 public:
  explicit TOwnedObject(Handle handle = nullptr) noexcept : handle_(handle) {}
  ~TOwnedObject() { Reset(); }
  TOwnedObject(const TOwnedObject&) = delete;
  TOwnedObject& operator=(const TOwnedObject&) = delete;
  Handle Get() const noexcept { return handle_; }
  Handle Release() noexcept { return std::exchange(handle_, nullptr); }
  void Reset(Handle handle = nullptr) noexcept {
    Handle old = std::exchange(handle_, handle);
    if (old == nullptr) return;
    if constexpr (std::is_same_v<Handle, HPALETTE>) {
      if (old == SystemPalette16()) return;
    }
    DeleteObject(old);
  }

 private:
  Handle handle_;
};

using TOwnedBitmap = TOwnedObject<HBITMAP>;
using TOwnedPalette = TOwnedObject<HPALETTE>;

}  // namespace graphics
