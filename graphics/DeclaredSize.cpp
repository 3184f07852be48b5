#include "graphics/DeclaredSize.h"

#include "platform/MemoryBudget.h"

namespace graphics {

double JudgedPictureBytes(std::int64_t width, std::int64_t height, double extraBytes) {
  return static_cast<double>(width < 0 ? -width : width) * static_cast<double>(height < 0 ? -height : height) * 3 +
         extraBytes;
}

bool SizeIsJudged(double judgedBytes) {
  return judgedBytes > kUnjudgedPictureBytes && platform::HostileChecksEnabled();
}

std::string DeclaresText(std::int64_t width, std::int64_t height, double judgedBytes, std::int64_t dataBytes) {
  return "declares " + std::to_string(width) + " x " + std::to_string(height) + " (" +
         platform::FormatByteCount(judgedBytes) + ") from " + std::to_string(dataBytes) + " bytes";
}

}  // namespace graphics
