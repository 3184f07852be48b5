// A BITMAPINFO with room for masks and a full colour table, for tests.
#pragma once

#include <cstring>

#include "platform/Windows.h"

struct DibInfo {
  BITMAPINFOHEADER header{};
  RGBQUAD colors[259]{};  // three masks and 256 entries

  DibInfo(int width, int height, int bitCount, DWORD compression = BI_RGB) {
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);
    header.biCompression = compression;
  }
  BITMAPINFO* info() { return reinterpret_cast<BITMAPINFO*>(this); }
  void SetMasks(DWORD r, DWORD g, DWORD b) {
    const DWORD masks[3] = {r, g, b};
    std::memcpy(colors, masks, sizeof masks);
  }
  // The colour table, which follows the masks of a BI_BITFIELDS header.
  RGBQUAD* table() { return header.biCompression == BI_BITFIELDS ? colors + 3 : colors; }
};
