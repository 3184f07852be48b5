// Text formatting with %d, %u, %x, %s and %%, with optional argument index
// ("%2:s" is the third argument; later plain references continue after it),
// left alignment "-", width and precision ("%.3d" pads with zeros, "%.2s"
// truncates). Arguments are checked against their references at run time.
#pragma once

#include <array>
#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

using TFormatArg = std::variant<std::int64_t, std::string>;

// Formats fmt with args. Raises EFormatError for an unknown reference, a
// reference past the last argument, or a %s given a number or %d/%u/%x given
// a text.
std::string FormatArgs(std::string_view fmt, std::span<const TFormatArg> args);

namespace runtime {
template <std::integral T>
TFormatArg ToFormatArg(T value) {
  return static_cast<std::int64_t>(value);
}
inline TFormatArg ToFormatArg(std::string_view value) { return std::string(value); }
inline TFormatArg ToFormatArg(const std::string& value) { return value; }
inline TFormatArg ToFormatArg(const char* value) { return std::string(value ? value : ""); }
}  // namespace runtime

template <class... Args>
std::string Format(std::string_view fmt, const Args&... args) {
  const std::array<TFormatArg, sizeof...(Args)> packed{runtime::ToFormatArg(args)...};
  return FormatArgs(fmt, packed);
}
