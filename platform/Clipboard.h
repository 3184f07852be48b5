// The platform clipboard: one process-wide list of formats, each with the data
// handle the clipboard owns, opened and closed by one owner window at a time.
// Where the data goes beyond this process is a back end's business: the default
// keeps it in memory, the framework installs one that talks to the desktop.
#pragma once

#include <memory>
#include <vector>

#include "platform/GlobalMemory.h"
#include "platform/Window.h"
#include "platform/Windows.h"

// Standard clipboard formats. CF_BITMAP data is an HBITMAP, CF_PALETTE an
// HPALETTE; every other format's data is a memory block (HGLOBAL): CF_TEXT
// holds zero-terminated UTF-8 text on this platform.
inline constexpr UINT CF_TEXT = 1;
inline constexpr UINT CF_BITMAP = 2;
inline constexpr UINT CF_METAFILEPICT = 3;
inline constexpr UINT CF_SYLK = 4;
inline constexpr UINT CF_DIF = 5;
inline constexpr UINT CF_TIFF = 6;
inline constexpr UINT CF_OEMTEXT = 7;
inline constexpr UINT CF_DIB = 8;
inline constexpr UINT CF_PALETTE = 9;
inline constexpr UINT CF_UNICODETEXT = 13;
inline constexpr UINT CF_ENHMETAFILE = 14;

// Opens the clipboard for `owner` (may be null). Fails (ERROR_BUSY) while
// another window holds it open; opening again for the same window succeeds.
// On opening, the back end may replace the contents with what other programs
// put on the clipboard.
BOOL OpenClipboard(HWND owner);
// Closes it; when data was emptied or set while it was open, the back end
// publishes the contents. FALSE with ERROR_CLIPBOARD_NOT_OPEN when not open.
BOOL CloseClipboard();
// Deletes every format's data and makes the opening window the owner.
BOOL EmptyClipboard();
// Puts `data` on the open clipboard as `format`, which then owns it and deletes
// it on the next EmptyClipboard, a replacement of the same format or platform
// shutdown; a replaced format keeps its place in the order. Returns data, or
// null when the clipboard is not open or `data` is not a live object of the
// kind the format needs (the caller then still owns it). Data rendered on
// request (a null handle) is not supported.
HANDLE SetClipboardData(UINT format, HANDLE data);
// The data of `format`, still owned by the clipboard; null when the clipboard
// is not open or does not hold the format.
HANDLE GetClipboardData(UINT format);
// The format after `format` in the order the formats were set (0 starts the
// walk); 0 at the end (ERROR_SUCCESS) or when the clipboard is not open.
UINT EnumClipboardFormats(UINT format);
int CountClipboardFormats();
BOOL IsClipboardFormatAvailable(UINT format);
// The window that has the clipboard open, or null.
HWND GetOpenClipboardWindow();
// The window that last emptied the clipboard, or null.
HWND GetClipboardOwner();

namespace platform {

struct ClipboardEntry {
  UINT format;
  HANDLE data;
};

// Where the clipboard's contents meet the world outside the process. Called on
// the thread that uses the clipboard, never reentered.
class ClipboardBackend {
 public:
  virtual ~ClipboardBackend() = default;
  // Called once in an open bracket, before the first call that reads or adds
  // to the contents; never in a bracket that empties the clipboard first.
  // Returns true and fills `entries` (empty on entry) when the clipboard now
  // holds data from elsewhere, which then replaces the contents; the clipboard
  // takes over every handle put there, even when Import fails. False keeps the
  // contents.
  [[nodiscard]] virtual bool Import(std::vector<ClipboardEntry>& entries) = 0;
  // Called when the clipboard closes after its contents changed. The handles
  // stay the clipboard's.
  virtual void Publish(const std::vector<ClipboardEntry>& entries) = 0;
};

// Installs `backend` (null: the in-memory default, which keeps the contents in
// this process only) and returns the one it replaces. The contents stay.
std::unique_ptr<ClipboardBackend> SetClipboardBackend(std::unique_ptr<ClipboardBackend> backend);

// Deletes every format's data, closes the clipboard and drops the back end
// (platform shutdown).
void ClipboardShutdown() noexcept;

}  // namespace platform
