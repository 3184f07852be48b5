// Small system services: the tick count, the system colours and string
// comparison.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <iterator>

#include "platform/Windows.h"

DWORD GetTickCount() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  // Wraps after 49.7 days, as callers of a 32-bit tick count expect.
  return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

namespace {

// The classic desktop's colours, by system-colour index.
constexpr COLORREF kSystemColors[] = {
    RGB(192, 192, 192),  //  0 scroll bar
    RGB(0, 128, 128),    //  1 desktop
    RGB(0, 0, 128),      //  2 active caption
    RGB(128, 128, 128),  //  3 inactive caption
    RGB(192, 192, 192),  //  4 menu
    RGB(255, 255, 255),  //  5 window
    RGB(0, 0, 0),        //  6 window frame
    RGB(0, 0, 0),        //  7 menu text
    RGB(0, 0, 0),        //  8 window text
    RGB(255, 255, 255),  //  9 caption text
    RGB(192, 192, 192),  // 10 active border
    RGB(192, 192, 192),  // 11 inactive border
    RGB(128, 128, 128),  // 12 application workspace
    RGB(0, 0, 128),      // 13 highlight
    RGB(255, 255, 255),  // 14 highlight text
    RGB(192, 192, 192),  // 15 button face
    RGB(128, 128, 128),  // 16 button shadow
    RGB(128, 128, 128),  // 17 grey text
    RGB(0, 0, 0),        // 18 button text
    RGB(192, 192, 192),  // 19 inactive caption text
    RGB(255, 255, 255),  // 20 button highlight
    RGB(0, 0, 0),        // 21 3-D dark shadow
    RGB(223, 223, 223),  // 22 3-D light
    RGB(0, 0, 0),        // 23 tooltip text
    RGB(255, 255, 225),  // 24 tooltip background
};

unsigned char Fold(unsigned char c, bool ignoreCase) {
  return (ignoreCase && c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace

DWORD GetSysColor(int index) {
  if (index < 0 || index >= static_cast<int>(std::size(kSystemColors))) return 0;
  return kSystemColors[index];
}

int CompareStringA(DWORD /*locale*/, DWORD flags, LPCSTR a, int countA, LPCSTR b, int countB) {
  if (a == nullptr || b == nullptr || countA < -1 || countB < -1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::size_t lengthA = countA == -1 ? std::strlen(a) : static_cast<std::size_t>(countA);
  const std::size_t lengthB = countB == -1 ? std::strlen(b) : static_cast<std::size_t>(countB);
  const bool ignoreCase = (flags & NORM_IGNORECASE) != 0;
  // Byte order of UTF-8 is code-point order.
  const std::size_t n = std::min(lengthA, lengthB);
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char x = Fold(static_cast<unsigned char>(a[i]), ignoreCase);
    const unsigned char y = Fold(static_cast<unsigned char>(b[i]), ignoreCase);
    if (x != y) return x < y ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
  }
  if (lengthA == lengthB) return CSTR_EQUAL;
  return lengthA < lengthB ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
}
