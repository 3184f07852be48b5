// Message windows: windows that are never shown and exist only to own a
// platform resource (the clipboard) and receive messages for it. Each sends its
// messages to the procedure given when it was made.
#pragma once

#include <cstddef>
#include <functional>

#include "platform/Windows.h"

inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_USER = 0x0400;

// The procedure a message window sends its messages to.
using WindowProcedure = std::function<LRESULT(HWND window, UINT message, WPARAM wParam, LPARAM lParam)>;

// A new message window whose messages go to `procedure`; null (with
// ERROR_INVALID_PARAMETER) for an empty procedure.
HWND CreateMessageWindow(WindowProcedure procedure);
// Sends WM_DESTROY to the window's procedure and then destroys the window,
// even when the procedure fails (its failure then propagates). FALSE with
// ERROR_INVALID_HANDLE for a window that does not exist.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
// Hands the message to the window's procedure and returns its answer; 0 with
// ERROR_INVALID_HANDLE for a window that does not exist. A failure of the
// procedure propagates to the caller.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
inline LRESULT SendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(window, message, wParam, lParam);
}
// The default answer to a message: 0 for every message a message window gets.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
inline LRESULT DefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

namespace platform {
// Message windows made and not yet destroyed.
std::size_t LiveWindowCount();
// Forgets every window still alive without calling its procedure (platform
// shutdown).
void ForgetAllWindows() noexcept;
}  // namespace platform
