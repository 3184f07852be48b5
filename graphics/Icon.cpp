#include "graphics/Icon.h"

#include "runtime/Exceptions.h"
#include "runtime/Strings.h"

void TIcon::SaveClipboardFormat(WORD&, HANDLE&, HPALETTE&) { throw EInvalidGraphic(strings::IconToClipboard); }
