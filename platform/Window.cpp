#include "platform/Window.h"

#include <cstdint>
#include <map>
#include <utility>

namespace {

// Like memory blocks, window cookies are never reused and carry their own tag.
constexpr std::uintptr_t kTag = std::uintptr_t{0x57} << 24;
std::uintptr_t g_next = 1;
std::map<std::uintptr_t, WindowProcedure> g_windows;

std::uintptr_t KeyOf(HWND window) { return reinterpret_cast<std::uintptr_t>(window); }

}  // namespace

HWND CreateMessageWindow(WindowProcedure procedure) {
  if (!procedure) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const std::uintptr_t cookie = kTag | (g_next++ << 32);
  g_windows.emplace(cookie, std::move(procedure));
  return reinterpret_cast<HWND>(cookie);
}

BOOL DestroyWindow(HWND window) {
  const auto it = g_windows.find(KeyOf(window));
  if (it == g_windows.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  // The window is gone before its procedure hears of it, so a procedure that
  // fails or sends more messages cannot keep it alive.
  WindowProcedure procedure = std::move(it->second);
  g_windows.erase(it);
  procedure(window, WM_DESTROY, 0, 0);
  return TRUE;
}

BOOL IsWindow(HWND window) { return g_windows.count(KeyOf(window)) != 0 ? TRUE : FALSE; }

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto it = g_windows.find(KeyOf(window));
  if (it == g_windows.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  // A copy: the procedure may destroy its own window.
  WindowProcedure procedure = it->second;
  return procedure(window, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }

namespace platform {

std::size_t LiveWindowCount() { return g_windows.size(); }

void ForgetAllWindows() noexcept { g_windows.clear(); }

}  // namespace platform
