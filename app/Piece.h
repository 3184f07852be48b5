// The piece of a picture that a selection rectangle marks, as Cut and To
// clipboard copy it.
#pragma once

#include "graphics/Bitmap.h"
#include "graphics/Canvas.h"
#include "graphics/Types.h"

namespace app {

// The selection as a copy rectangle: Left <= Right and Top <= Bottom, Right
// and Bottom exclusive. The selection itself keeps the order of the drag.
TRect OrderedRect(const TRect& selection) noexcept;

// The ordered rectangle's width and height fit a bitmap's 32-bit sizes.
bool FitsPiece(const TRect& ordered) noexcept;

// Copies ordered (an OrderedRect that FitsPiece) of source one to one into (0, 0, width,
// height) of dest. Where the rectangle reaches past the picture (a drag that
// left the view), dest shows white rather than whatever the canvas held.
void CopyPiece(TCanvas& dest, TBitmap& source, const TRect& ordered);

}  // namespace app
