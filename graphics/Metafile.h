// TMetafile: the vector-picture kind of the platform. kiritori registers it for
// the metafile extensions and clipboard formats so that the registries read as
// the platform's do, but never draws vector pictures: it stays empty and
// refuses every picture it is given.
#pragma once

#include "graphics/Graphic.h"

class TMetafile : public TGraphic {
  KIRITORI_CLASS(TMetafile, TGraphic)

  // From another TMetafile: nothing to copy, as both are empty. Null and other
  // sources as TPersistent does.
  void CopyFrom(TPersistent* source) override;
  // Draws nothing: there is no picture.
  void DrawInto(TCanvas& canvas, const TRect& rect) override;
  // Always true.
  bool IsEmpty() override;
  // Always 0.
  std::int32_t Height() override;
  std::int32_t Width() override;
  // Accepts the zero bytes that an empty metafile writes; anything else raises
  // EInvalidGraphic.
  void ReadPropertyData(TStream& stream) override;
  // Raises EInvalidGraphic ("画像フォーマットが不正です"): metafiles cannot be read.
  void LoadStream(TStream& stream) override;
  // Writes nothing: an empty metafile has no bytes.
  void SaveStream(TStream& stream) override;
  // Raises EInvalidGraphic ("未対応のクリップボード データです").
  void LoadClipboardFormat(WORD format, HANDLE data, HPALETTE palette) override;
  // Raises EInvalidGraphic ("未対応のクリップボード データです"); the outputs are
  // left as they are.
  void SaveClipboardFormat(WORD& format, HANDLE& data, HPALETTE& palette) override;
};
