#include "app/WindowFont.h"

#include "platform/Windows.h"
#include "runtime/Strings.h"

namespace app {

TControlFont WindowFont() {
  TControlFont font;
  font.Name = strings::WindowFontName;
  font.Height = -12;
  font.Color = clWindowText;
  font.Charset = SHIFTJIS_CHARSET;
  font.Style = 0;
  return font;
}

}  // namespace app
