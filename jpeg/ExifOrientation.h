// The orientation a camera records in a JPEG's Exif block: how the stored rows
// must be turned to show the picture upright. A phone held upright stores its
// landscape sensor rows and the value 6 ("turn a quarter clockwise").
#pragma once

#include <cstdint>
#include <span>

class TJPEGImage;
class TPicture;

namespace jpeg {

// The orientation, 1 to 8 as Exif numbers them, from tag 0x0112 of the first
// IFD of the first "Exif" APP1 segment, the TIFF block in either byte order
// and the value a SHORT or a LONG. 1 ("as stored") when anything is missing,
// unknown or damaged; never reads outside bytes and never fails.
int ReadExifOrientation(std::span<const std::uint8_t> bytes) noexcept;

// The orientation the image's kept file bytes carry; 1 without bytes.
int OrientationOf(TJPEGImage& image) noexcept;

// When picture holds a JPEG image whose orientation is not 1, replaces it by
// a bitmap of the decoded picture turned upright (OnChange fires); any other
// picture stays as it is. A JPEG that cannot be decoded raises EJPEG and
// stays in place, so that a preview shows no picture for it.
void MakeUpright(TPicture& picture);

}  // namespace jpeg
