// What a picture's data may make the program allocate. A header can declare
// any size in a few bytes; past kUnjudgedPictureBytes a reader believes the
// size only when the data's bytes could honestly carry that many pixels (each
// reader states its own rule and raises its own invalid-picture error).
#pragma once

#include <cstdint>
#include <string>

namespace graphics {

// Pictures judged at no more than this are believed whatever their bytes, so
// that every small damaged or cut-short file that opens today still opens.
inline constexpr double kUnjudgedPictureBytes = 64.0 * 1024 * 1024;

// The size a picture of width x height is judged at: its pixels at 24 bits,
// plus extraBytes (a decoder's own full-size buffers).
double JudgedPictureBytes(std::int64_t width, std::int64_t height, double extraBytes = 0);

// Whether the checks apply: the hostile checks are on and judgedBytes is past
// kUnjudgedPictureBytes.
bool SizeIsJudged(double judgedBytes);

// The reason text of a refusal: "declares 26754 x 26754 (2.1 GB) from 62 bytes".
std::string DeclaresText(std::int64_t width, std::int64_t height, double judgedBytes, std::int64_t dataBytes);

}  // namespace graphics
