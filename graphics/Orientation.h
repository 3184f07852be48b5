// Turning a bitmap upright from the orientation a camera recorded, numbered 1
// to 8 as TIFF and Exif number them.
#pragma once

#include <cstdint>
#include <memory>

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

namespace graphics {

// Turns a picture upright while its stored rows are being made, so that a
// decoder needs no second picture: it asks where each stored row goes, top
// first, writes the row there, and says when it is written. upright is the
// bitmap sized for the upright picture (width and height swapped for 5 to 8),
// with whole-byte pixels, bytesPerPixel each. 1 and 4 place each row straight
// where it belongs; 2 and 3 mirror it there from a spare row; 5 to 8 gather
// rows in a band of at most 1 MB and turn the band into upright columns when
// it is full, or at Flush.
class UprightRows {
 public:
  UprightRows(TBitmap& upright, int orientation, int bytesPerPixel);
  ~UprightRows();
  UprightRows(const UprightRows&) = delete;
  UprightRows& operator=(const UprightRows&) = delete;

  // Reads the bitmap's rows again, after it got a new image (a palette).
  void Refresh();
  // Where stored row y (0 = top) is to be written. Raises
  // EInvalidGraphicOperation for a row the stored picture does not have.
  std::uint8_t* Row(std::int64_t y);
  // Stored row y, written where Row said, is done.
  void Written(std::int64_t y);
  // Turns the rows of a band that is not full yet: a pass that ended early.
  void Flush();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace graphics
