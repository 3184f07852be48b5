// Turning a bitmap upright from the orientation a camera recorded, numbered 1
// to 8 as TIFF and Exif number them.
#pragma once

class TBitmap;

// Turns bitmap so that a picture stored in `orientation` shows upright:
// 2 mirrors it left to right, 3 turns it half round, 4 mirrors it top to
// bottom, 5 mirrors it about the diagonal from its top-left corner, 6 turns it
// a quarter clockwise, 7 mirrors it about the other diagonal and 8 turns it a
// quarter anticlockwise; 5 to 8 swap width and height. 1, any other value and
// an empty bitmap are left as they are.
//
// The depth and colours stay. 2 to 4 turn a private DIB section in place;
// otherwise the turned picture is a new DIB section (the platform's normal
// pixel allocation) that replaces the bitmap's image, and the old image, when
// shared, stays with its other users. Fires the bitmap's change event. Raises
// EOutOfResources when no new section can be made; the bitmap then stays as it
// was.
void TurnUpright(TBitmap& bitmap, int orientation);
