#include "graphics/Graphics.h"

#include "graphics/Bitmap.h"
#include "graphics/Canvas.h"
#include "graphics/Font.h"
#include "graphics/Picture.h"
#include "graphics/ResourceManager.h"

namespace graphics {
void Startup() {
  detail::InitDefaultFont();
  detail::CreateToolCaches();
  detail::CreateCanvasGlobals();
  detail::CreateBitmapGlobals();
}

// Every canvas and tool must be gone by now: the caches free what is left and
// delete its platform objects.
void Shutdown() {
  detail::DestroyPictureRegistries();
  detail::DestroyBitmapGlobals();
  detail::DestroyCanvasGlobals();
  detail::DestroyToolCaches();
}
}  // namespace graphics
