// TEmptyGraphic: the base of the graphic kinds kiritori registers so that its
// registries read as the platform's do, but never shows (metafiles, icons).
// Such a graphic stays empty and refuses every picture it is given.
#pragma once

#include "graphics/Graphic.h"

class TEmptyGraphic : public TGraphic {
  KIRITORI_CLASS(TEmptyGraphic, TGraphic)

  // From a graphic of the same class: nothing to copy, as both are empty. Null
  // and other sources as TPersistent does.
  void CopyFrom(TPersistent* source) override;
  // Draws nothing: there is no picture.
  void DrawInto(TCanvas& canvas, const TRect& rect) override;
  // Always true.
  bool IsEmpty() override;
  // Always 0.
  std::int32_t Height() override;
  std::int32_t Width() override;
  // Accepts the zero bytes that an empty graphic writes; anything else raises
  // EInvalidGraphic.
  void ReadPropertyData(TStream& stream) override;
  // Raises EInvalidGraphic ("画像フォーマットが不正です"): such files cannot be read.
  void LoadStream(TStream& stream) override;
  // Writes nothing: an empty graphic has no bytes.
  void SaveStream(TStream& stream) override;
  // Raises EInvalidGraphic ("未対応のクリップボード データです").
  void LoadClipboardFormat(WORD format, HANDLE data, HPALETTE palette) override;
  // Raises EInvalidGraphic ("未対応のクリップボード データです"); the outputs are
  // left as they are.
  void SaveClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) override;

 protected:
  TEmptyGraphic() = default;
};
