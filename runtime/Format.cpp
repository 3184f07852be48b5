#include "runtime/Format.h"

#include <cstdio>
#include <limits>

#include "runtime/Exceptions.h"
#include "runtime/Strings.h"

namespace {
// Widths and precisions beyond this are refused: no text we format needs them,
// and they would let a format string ask for huge allocations.
constexpr int kMaxWidth = 1024;

[[noreturn]] void Refuse(std::string_view fmt) {
  // Built by hand: formatting the message through FormatArgs could recurse.
  std::string message = strings::FormatError;
  const std::size_t at = message.find("%s");
  if (at != std::string::npos) message.replace(at, 2, std::string(fmt));
  throw EFormatError(message);
}

// Reads a decimal number of at most kMaxWidth at fmt[i]; -1 when there is none.
int ReadNumber(std::string_view fmt, std::size_t& i) {
  if (i >= fmt.size() || fmt[i] < '0' || fmt[i] > '9') return -1;
  int value = 0;
  while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
    value = value * 10 + (fmt[i] - '0');
    if (value > kMaxWidth) Refuse(fmt);
    ++i;
  }
  return value;
}

std::string Digits(std::int64_t value, char conversion) {
  char buffer[32];
  if (conversion == 'd') {
    std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
  } else if (conversion == 'u') {
    std::snprintf(buffer, sizeof buffer, "%llu",
                  static_cast<unsigned long long>(static_cast<std::uint32_t>(value)));
  } else {
    // Hexadecimal shows the value's bits; negatives as their 32-bit pattern
    // when they fit in 32 bits, as the colours and codes we print are 32-bit.
    const auto bits = (value >= std::numeric_limits<std::int32_t>::min() && value < 0)
                          ? static_cast<unsigned long long>(static_cast<std::uint32_t>(value))
                          : static_cast<unsigned long long>(value);
    std::snprintf(buffer, sizeof buffer, "%llX", bits);
  }
  return buffer;
}
}  // namespace

std::string FormatArgs(std::string_view fmt, std::span<const TFormatArg> args) {
  std::string out;
  out.reserve(fmt.size() + 16);
  std::size_t next = 0;
  std::size_t i = 0;
  while (i < fmt.size()) {
    const char c = fmt[i++];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i < fmt.size() && fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // %[index:][-][width][.precision]conversion
    std::size_t index = next;
    std::size_t mark = i;
    const int number = ReadNumber(fmt, i);
    if (number >= 0 && i < fmt.size() && fmt[i] == ':') {
      index = static_cast<std::size_t>(number);
      ++i;
    } else {
      i = mark;
    }
    bool left = false;
    if (i < fmt.size() && fmt[i] == '-') {
      left = true;
      ++i;
    }
    const int width = ReadNumber(fmt, i);
    int precision = -1;
    if (i < fmt.size() && fmt[i] == '.') {
      ++i;
      precision = ReadNumber(fmt, i);
      if (precision < 0) precision = 0;
    }
    if (i >= fmt.size()) Refuse(fmt);
    const char conversion = static_cast<char>(fmt[i++] | 0x20);  // either case
    if (index >= args.size()) Refuse(fmt);
    const TFormatArg& arg = args[index];
    next = index + 1;

    std::string text;
    if (conversion == 's') {
      const auto* s = std::get_if<std::string>(&arg);
      if (s == nullptr) Refuse(fmt);
      text = *s;
      if (precision >= 0 && text.size() > static_cast<std::size_t>(precision)) text.resize(static_cast<std::size_t>(precision));
    } else if (conversion == 'd' || conversion == 'u' || conversion == 'x') {
      const auto* v = std::get_if<std::int64_t>(&arg);
      if (v == nullptr) Refuse(fmt);
      text = Digits(*v, conversion);
      const bool negative = !text.empty() && text[0] == '-';
      const std::size_t digits = text.size() - (negative ? 1 : 0);
      if (precision >= 0 && digits < static_cast<std::size_t>(precision)) {
        text.insert(negative ? 1 : 0, static_cast<std::size_t>(precision) - digits, '0');
      }
    } else {
      Refuse(fmt);
    }
    if (width > 0 && text.size() < static_cast<std::size_t>(width)) {
      const std::string pad(static_cast<std::size_t>(width) - text.size(), ' ');
      if (left) {
        text += pad;
      } else {
        text.insert(0, pad);
      }
    }
    out += text;
  }
  return out;
}
