// TClipboard: the process's one way onto the platform clipboard. Accesses are
// counted, so several transfers share one open/close bracket and the clipboard
// is emptied once per outermost bracket, before the first data goes on it.
// Pictures travel as CF_BITMAP (with CF_PALETTE when the bitmap has a palette).
#pragma once

#include <cstdint>

#include "platform/Windows.h"
#include "runtime/Persistent.h"

// A message as the clipboard's private window receives it; Result is the
// answer sent back.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

class TClipboard : public TPersistent {
  KIRITORI_CLASS(TClipboard, TPersistent)

  TClipboard() = default;
  // Closes the clipboard if a bracket is still open.
  ~TClipboard() override;

  // Fills a TPicture (from the first format on the clipboard that a registered
  // graphic class reads), a TBitmap (CF_BITMAP) or a TMetafile
  // (CF_METAFILEPICT). Raises Exception(strings::InvalidClipboardFormat) when
  // no format suits a picture, and passes on the graphic's own failure; dest is
  // then unchanged. Other destinations are refused with ECopyError.
  void CopyTo(TPersistent* dest) override;
  // Puts a TPicture's or TGraphic's clipboard data on the clipboard, emptying
  // it first unless an outer bracket already did. A picture without a graphic
  // leaves the clipboard emptied. Other sources are refused with ECopyError.
  void CopyFrom(TPersistent* source) override;
  void CopyFrom(TPersistent& source) { CopyFrom(&source); }

  // The private window's message handler: answers with DefWindowProc.
  virtual void HandleMessage(TMessage& message);
  // Removes everything from the clipboard, inside a bracket of its own.
  virtual void EmptyAll();
  // Ends one access; the outermost one closes the clipboard. Does nothing when
  // no access is open.
  virtual void EndAccess();
  // Begins one access; the outermost one opens the clipboard. Raises
  // Exception(strings::CannotOpenClipboard) when another owner holds it open;
  // nothing changes then.
  virtual void BeginAccess();

  std::int32_t OpenCount() const noexcept { return openCount_; }
  HWND OwnerWindow() const noexcept { return ownerWindow_; }
  bool OwnsWindow() const noexcept { return ownsWindow_; }
  bool Emptied() const noexcept { return emptied_; }

 private:
  // Empties the clipboard the first time data is added in an open bracket.
  void PrepareToAdd();
  template <class Source>
  void PutClipboardFormat(Source& source);

  std::int32_t openCount_ = 0;
  HWND ownerWindow_ = nullptr;
  bool ownsWindow_ = false;
  bool emptied_ = false;
};

// The process's clipboard object, made on the first call and freed by
// ui::Shutdown.
TClipboard* SharedClipboard();

namespace ui::detail {
void DestroySharedClipboard() noexcept;
}  // namespace ui::detail
