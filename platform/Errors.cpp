// The last error of the calling thread and the platform's own texts for its
// error codes.
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "platform/Windows.h"

namespace {

thread_local DWORD gLastError = ERROR_SUCCESS;
thread_local std::string gLastErrorDetail;

constexpr struct {
  DWORD code;
  std::string_view text;
} kMessages[] = {
    {ERROR_SUCCESS, "The operation completed successfully."},
    {ERROR_FILE_NOT_FOUND, "The file was not found."},
    {ERROR_PATH_NOT_FOUND, "The path was not found."},
    {ERROR_INVALID_HANDLE, "The handle is not valid."},
    {ERROR_NOT_ENOUGH_MEMORY, "There is not enough memory for this operation."},
    {ERROR_INVALID_PARAMETER, "A parameter is not valid."},
    {ERROR_BUSY, "The object is in use."},
    {ERROR_INVALID_BITMAP, "The bitmap is not valid."},
    {ERROR_CLIPBOARD_NOT_OPEN, "The clipboard is not open."},
};

}  // namespace

DWORD GetLastError() { return gLastError; }

void SetLastError(DWORD code) {
  gLastError = code;
  gLastErrorDetail.clear();
}

namespace platform {

const std::string& LastErrorDetail() noexcept { return gLastErrorDetail; }

void SetLastErrorDetail(std::string text) { gLastErrorDetail = std::move(text); }

}  // namespace platform

DWORD FormatMessageA(DWORD flags, LPCVOID /*source*/, DWORD messageId, DWORD /*languageId*/, LPSTR buffer, DWORD size,
                     void* /*arguments*/) {
  if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || buffer == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  for (const auto& m : kMessages) {
    if (m.code != messageId) continue;
    if (m.text.size() + 1 > size) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return 0;
    }
    std::memcpy(buffer, m.text.data(), m.text.size());
    buffer[m.text.size()] = '\0';
    return static_cast<DWORD>(m.text.size());
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return 0;
}
