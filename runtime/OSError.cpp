#include "runtime/OSError.h"

#include <cstring>

#include "runtime/Format.h"
#include "runtime/Strings.h"

std::string SystemErrorMessage(int error) {
  char buffer[256] = {};
  // The GNU strerror_r may return a static text instead of filling buffer.
  const char* text = ::strerror_r(error, buffer, sizeof buffer);
  if (text == nullptr || *text == '\0') return Format(strings::UnknownOSError, error);
  return text;
}
