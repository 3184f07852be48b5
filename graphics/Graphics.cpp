#include "graphics/Graphics.h"

namespace graphics {
void Startup() {}
void Shutdown() {}
}  // namespace graphics
