#include "platform/Text.h"

namespace platform {

class TextFont {};

bool TextStartup() { return true; }
void TextShutdown() {}
const TextFont* ResolveFont(const LOGFONTA&) { return nullptr; }
FontDescription DescribeFont(const TextFont*) { return {}; }
SIZE MeasureText(const TextFont*, const char*, std::size_t) { return SIZE{0, 0}; }
bool DrawText(const Surface&, const TextFont*, int, int, UINT, const RECT*, const char*, std::size_t,
              const INT*, const DrawAttributes&) {
  return false;
}

}  // namespace platform
