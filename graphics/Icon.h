// TIcon: the icon kind of the platform. kiritori registers it for ".ico" so
// that the registry reads as the platform's does, but never shows icons from
// files: it stays empty and refuses every picture it is given.
#pragma once

#include "graphics/Graphic.h"

class TIcon : public TGraphic {
  KIRITORI_CLASS(TIcon, TGraphic)

  // From another TIcon: nothing to copy, as both are empty. Null and other
  // sources as TPersistent does.
  void CopyFrom(TPersistent* source) override;
  // Draws nothing: there is no picture.
  void DrawInto(TCanvas& canvas, const TRect& rect) override;
  // Always true.
  bool IsEmpty() override;
  // Always 0.
  std::int32_t Height() override;
  std::int32_t Width() override;
  // Accepts the zero bytes that an empty icon writes; anything else raises
  // EInvalidGraphic.
  void ReadPropertyData(TStream& stream) override;
  // Raises EInvalidGraphic ("画像フォーマットが不正です"): icon files cannot be read.
  void LoadStream(TStream& stream) override;
  // Writes nothing: an empty icon has no bytes.
  void SaveStream(TStream& stream) override;
  // Raises EInvalidGraphic ("未対応のクリップボード データです").
  void LoadClipboardFormat(WORD format, HANDLE data, HPALETTE palette) override;
  // Raises EInvalidGraphic ("クリップボードはアイコンには対応していません"); the
  // outputs are left as they are.
  void SaveClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) override;
};
