#include "ui/Clipboard.h"

#include <exception>
#include <memory>

#include "framework/Application.h"
#include "graphics/Bitmap.h"
#include "graphics/Graphic.h"
#include "graphics/Metafile.h"
#include "graphics/Picture.h"
#include "platform/Clipboard.h"
#include "runtime/Strings.h"

namespace {

std::unique_ptr<TClipboard> g_shared;

// Ends one access on every path out of a transfer.
class [[nodiscard]] AccessGuard {
 public:
  explicit AccessGuard(TClipboard& clipboard) : clipboard_(clipboard) { clipboard_.BeginAccess(); }
  ~AccessGuard() { clipboard_.EndAccess(); }
  AccessGuard(const AccessGuard&) = delete;
  AccessGuard& operator=(const AccessGuard&) = delete;

 private:
  TClipboard& clipboard_;
};

// A handle made for the clipboard: it belongs to the clipboard once
// SetClipboardData took it, and is deleted here when the clipboard refused it.
class [[nodiscard]] PendingData {
 public:
  PendingData(UINT format, HANDLE data) : format_(format), data_(data) {}
  ~PendingData() {
    if (data_ == nullptr) return;
    if (format_ == CF_BITMAP || format_ == CF_PALETTE) {
      DeleteObject(data_);
    } else {
      GlobalFree(static_cast<HGLOBAL>(data_));
    }
  }
  PendingData(const PendingData&) = delete;
  PendingData& operator=(const PendingData&) = delete;

  void Hand() {
    if (data_ != nullptr && SetClipboardData(format_, data_) != nullptr) data_ = nullptr;
  }

 private:
  UINT format_;
  HANDLE data_;
};

HPALETTE ClipboardPalette() { return static_cast<HPALETTE>(GetClipboardData(CF_PALETTE)); }

}  // namespace

TClipboard::~TClipboard() {
  if (openCount_ > 0) {
    openCount_ = 1;
    EndAccess();
  }
}

void TClipboard::CopyTo(TPersistent* dest) {
  if (auto* picture = dynamic_cast<TPicture*>(dest)) {
    AccessGuard access(*this);
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
      if (format > 0xFFFF || !TPicture::CanLoadClipboardFormat(static_cast<WORD>(format))) continue;
      picture->LoadClipboardFormat(static_cast<WORD>(format), GetClipboardData(format), ClipboardPalette());
      return;
    }
    throw Exception(strings::InvalidClipboardFormat);
  }
  if (auto* bitmap = dynamic_cast<TBitmap*>(dest)) {
    AccessGuard access(*this);
    bitmap->LoadClipboardFormat(CF_BITMAP, GetClipboardData(CF_BITMAP), ClipboardPalette());
    return;
  }
  if (auto* metafile = dynamic_cast<TMetafile*>(dest)) {
    AccessGuard access(*this);
    metafile->LoadClipboardFormat(CF_METAFILEPICT, GetClipboardData(CF_METAFILEPICT), ClipboardPalette());
    return;
  }
  TPersistent::CopyTo(dest);
}

void TClipboard::CopyFrom(TPersistent* source) {
  if (auto* picture = dynamic_cast<TPicture*>(source)) {
    PutClipboardFormat(*picture);
  } else if (auto* graphic = dynamic_cast<TGraphic*>(source)) {
    PutClipboardFormat(*graphic);
  } else {
    TPersistent::CopyFrom(source);
  }
}

template <class Source>
void TClipboard::PutClipboardFormat(Source& source) {
  AccessGuard access(*this);
  PrepareToAdd();
  // A picture without a graphic writes none of these: it then puts nothing on
  // the clipboard it has just emptied.
  WORD format = 0;
  HANDLE data = nullptr;
  HPALETTE palette = nullptr;
  source.SaveClipboardFormat(format, data, palette);
  PendingData pendingData(format, data);
  PendingData pendingPalette(CF_PALETTE, palette);
  if (format != 0) pendingData.Hand();
  pendingPalette.Hand();
}

void TClipboard::HandleMessage(TMessage& message) {
  message.Result = DefWindowProc(ownerWindow_, message.Msg, message.WParam, message.LParam);
}

void TClipboard::EmptyAll() {
  AccessGuard access(*this);
  EmptyClipboard();
}

void TClipboard::EndAccess() {
  if (openCount_ == 0) return;
  --openCount_;
  if (openCount_ != 0) return;
  CloseClipboard();
  if (ownsWindow_) {
    // The window's own messages may fail; the clipboard is closed either way.
    try {
      DestroyWindow(ownerWindow_);
    } catch (...) {
    }
    ownsWindow_ = false;
  }
  ownerWindow_ = nullptr;
}

void TClipboard::BeginAccess() {
  if (openCount_ == 0) {
    // The application object has no platform window of its own here, so the
    // clipboard always opens for a private one.
    HWND window = CreateMessageWindow([this](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
      TMessage message{msg, wParam, lParam, 0};
      try {
        HandleMessage(message);
      } catch (...) {
        if (Application == nullptr) throw;
        Application->HandleException(std::current_exception());
      }
      return message.Result;
    });
    if (window == nullptr || !OpenClipboard(window)) {
      if (window != nullptr) DestroyWindow(window);
      throw Exception(strings::CannotOpenClipboard);
    }
    ownerWindow_ = window;
    ownsWindow_ = true;
    emptied_ = false;
  }
  ++openCount_;
}

void TClipboard::PrepareToAdd() {
  if (openCount_ != 0 && !emptied_) {
    EmptyAll();
    emptied_ = true;
  }
}

TClipboard* SharedClipboard() {
  if (!g_shared) g_shared = std::make_unique<TClipboard>();
  return g_shared.get();
}

namespace ui::detail {
void DestroySharedClipboard() noexcept { g_shared.reset(); }
}  // namespace ui::detail
