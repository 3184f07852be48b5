// TIcon: the icon kind of the platform. kiritori registers it for ".ico", but
// never shows icons from files: it stays empty and refuses every picture it is
// given.
#pragma once

#include "graphics/EmptyGraphic.h"

class TIcon : public TEmptyGraphic {
  KIRITORI_CLASS(TIcon, TEmptyGraphic)

  // Raises EInvalidGraphic ("クリップボードはアイコンには対応していません"); the
  // outputs are left as they are.
  void SaveClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) override;
};
