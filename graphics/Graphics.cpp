#include "graphics/Graphics.h"

#include "graphics/Canvas.h"
#include "graphics/Font.h"
#include "graphics/ResourceManager.h"

namespace graphics {
void Startup() {
  detail::InitDefaultFont();
  detail::CreateToolCaches();
  detail::CreateCanvasGlobals();
}

// Every canvas and tool must be gone by now: the caches free what is left and
// delete its platform objects.
void Shutdown() {
  detail::DestroyCanvasGlobals();
  detail::DestroyToolCaches();
}
}  // namespace graphics
