#include "platform/Clipboard.h"

#include <algorithm>
#include <utility>

namespace {

// Keeps the contents in this process: nothing comes in, nothing goes out.
class MemoryBackend final : public platform::ClipboardBackend {
 public:
  bool Import(std::vector<platform::ClipboardEntry>&) override { return false; }
  void Publish(const std::vector<platform::ClipboardEntry>&) override {}
};

struct ClipboardState {
  bool open = false;
  HWND openWindow = nullptr;
  HWND owner = nullptr;
  bool changed = false;
  // Opened, and what other programs offer not asked for yet: a bracket that
  // only writes never fetches (and decodes) another program's picture.
  bool importPending = false;
  std::vector<platform::ClipboardEntry> entries;
  std::unique_ptr<platform::ClipboardBackend> backend;
};

ClipboardState& State() {
  static ClipboardState state;
  return state;
}

platform::ClipboardBackend& Backend() {
  ClipboardState& state = State();
  if (!state.backend) state.backend = std::make_unique<MemoryBackend>();
  return *state.backend;
}

bool IsGraphicsFormat(UINT format) { return format == CF_BITMAP || format == CF_PALETTE; }

void DeleteData(const platform::ClipboardEntry& entry) noexcept {
  if (IsGraphicsFormat(entry.format)) {
    DeleteObject(entry.data);
  } else {
    GlobalFree(static_cast<HGLOBAL>(entry.data));
  }
}

void DeleteAll(std::vector<platform::ClipboardEntry>& entries) noexcept {
  for (const platform::ClipboardEntry& entry : entries) DeleteData(entry);
  entries.clear();
}

bool DataFitsFormat(UINT format, HANDLE data) {
  if (data == nullptr) return false;
  if (format == CF_BITMAP) return GetObjectType(data) == OBJ_BITMAP;
  if (format == CF_PALETTE) return GetObjectType(data) == OBJ_PAL;
  SetLastError(ERROR_SUCCESS);
  return GlobalSize(static_cast<HGLOBAL>(data)) != 0 || GetLastError() != ERROR_INVALID_HANDLE;
}

bool RequireOpen() {
  if (State().open) return true;
  SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
  return false;
}

// Takes in what other programs offer, once per bracket, before the first
// call that reads or adds to the contents.
void TakeInPending() {
  ClipboardState& state = State();
  if (!state.importPending) return;
  state.importPending = false;
  std::vector<platform::ClipboardEntry> imported;
  bool replace = false;
  try {
    replace = Backend().Import(imported);
  } catch (...) {
    // What the desktop offered could not be taken in; the contents stay as
    // they were.
    DeleteAll(imported);
  }
  if (replace) {
    DeleteAll(state.entries);
    state.entries = std::move(imported);
    state.owner = nullptr;
  }
}

}  // namespace

BOOL OpenClipboard(HWND owner) {
  ClipboardState& state = State();
  if (state.open) {
    if (state.openWindow == owner) return TRUE;
    SetLastError(ERROR_BUSY);
    return FALSE;
  }
  if (owner != nullptr && !IsWindow(owner)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  state.open = true;
  state.openWindow = owner;
  state.changed = false;
  state.importPending = true;
  return TRUE;
}

BOOL CloseClipboard() {
  if (!RequireOpen()) return FALSE;
  ClipboardState& state = State();
  state.open = false;
  state.openWindow = nullptr;
  state.importPending = false;
  if (state.changed) {
    state.changed = false;
    try {
      Backend().Publish(state.entries);
    } catch (...) {
      // Other programs do not see this change; ours is kept.
    }
  }
  return TRUE;
}

BOOL EmptyClipboard() {
  if (!RequireOpen()) return FALSE;
  ClipboardState& state = State();
  state.importPending = false;
  DeleteAll(state.entries);
  state.owner = state.openWindow;
  state.changed = true;
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  if (!RequireOpen()) return nullptr;
  TakeInPending();
  ClipboardState& state = State();
  if (format == 0 || !DataFitsFormat(format, data)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto same = std::find_if(state.entries.begin(), state.entries.end(),
                           [&](const platform::ClipboardEntry& e) { return e.format == format; });
  const bool heldElsewhere = std::any_of(state.entries.begin(), state.entries.end(), [&](const auto& e) {
    return e.data == data && e.format != format;
  });
  // One handle under two formats would be deleted twice.
  if (heldElsewhere) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (same != state.entries.end()) {
    if (same->data != data) DeleteData(*same);
    same->data = data;
  } else {
    state.entries.push_back({format, data});
  }
  state.changed = true;
  return data;
}

HANDLE GetClipboardData(UINT format) {
  if (!RequireOpen()) return nullptr;
  TakeInPending();
  for (const platform::ClipboardEntry& entry : State().entries) {
    if (entry.format == format) return entry.data;
  }
  return nullptr;
}

UINT EnumClipboardFormats(UINT format) {
  if (!RequireOpen()) return 0;
  TakeInPending();
  const std::vector<platform::ClipboardEntry>& entries = State().entries;
  SetLastError(ERROR_SUCCESS);
  if (format == 0) return entries.empty() ? 0 : entries.front().format;
  for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
    if (entries[i].format == format) return entries[i + 1].format;
  }
  return 0;
}

int CountClipboardFormats() {
  TakeInPending();
  return static_cast<int>(State().entries.size());
}

BOOL IsClipboardFormatAvailable(UINT format) {
  TakeInPending();
  const std::vector<platform::ClipboardEntry>& entries = State().entries;
  return std::any_of(entries.begin(), entries.end(), [&](const auto& e) { return e.format == format; }) ? TRUE
                                                                                                        : FALSE;
}

HWND GetOpenClipboardWindow() { return State().openWindow; }

HWND GetClipboardOwner() { return State().owner; }

namespace platform {

std::unique_ptr<ClipboardBackend> SetClipboardBackend(std::unique_ptr<ClipboardBackend> backend) {
  std::unique_ptr<ClipboardBackend> previous = std::move(State().backend);
  State().backend = std::move(backend);
  return previous;
}

void ClipboardShutdown() noexcept {
  ClipboardState& state = State();
  DeleteAll(state.entries);
  state.open = false;
  state.openWindow = nullptr;
  state.owner = nullptr;
  state.changed = false;
  state.importPending = false;
  state.backend.reset();
}

}  // namespace platform
