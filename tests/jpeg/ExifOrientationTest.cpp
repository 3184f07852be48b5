#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "jpeg/ExifOrientation.h"
#include "tests/jpeg/ExifTestSupport.h"

namespace {

using exiftest::Bytes;
using exiftest::Entry;
using exiftest::ExifSegment;
using exiftest::Inserted;
using exiftest::kLong;
using exiftest::kOrientation;
using exiftest::kShort;
using exiftest::Segment;
using exiftest::Tiff;

// The frame of a file: SOI, a table, a scan, EOI. Segments go after the SOI.
const Bytes kFile = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x04, 0x00, 0x00, 0xFF, 0xDA, 0x00, 0x02, 0x12, 0x34, 0xFF, 0xD9};

Bytes WithExif(const Bytes& tiff) { return Inserted(kFile, ExifSegment(tiff)); }

Bytes OrientationTiff(bool bigEndian, std::uint16_t type, std::uint32_t value, std::uint32_t count = 1) {
  return Tiff(bigEndian, {{0x0100, kLong, 1, 640}, {kOrientation, type, count, value}});
}

// A TIFF block whose first IFD offset (bytes 4 to 7, little-endian) is replaced.
Bytes WithIfdOffset(std::uint32_t offset) {
  Bytes tiff = OrientationTiff(false, kShort, 6);
  for (int i = 0; i < 4; ++i) tiff[4 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
  return tiff;
}

Bytes Concat(std::vector<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

struct Case {
  const char* what;
  Bytes bytes;
  int orientation;
};

TEST(ExifOrientationTest, ReadsTheTagWhereverCamerasPutItAndOneForAnythingElse) {
  const Bytes xmp = Segment(0xE1, {'h', 't', 't', 'p', ':', '/', '/', 'n', 's', 0});
  const Bytes jfif = Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
  Bytes badMagic = OrientationTiff(false, kShort, 6);
  badMagic[2] = 43;
  Bytes mixedOrder = OrientationTiff(false, kShort, 6);
  mixedOrder[1] = 'M';
  Bytes manyEntries = OrientationTiff(false, kShort, 6);
  manyEntries[8] = 0xFF, manyEntries[9] = 0xFF;  // the directory claims 65535 entries

  const std::vector<Case> cases = {
      {"little-endian SHORT", WithExif(OrientationTiff(false, kShort, 6)), 6},
      {"big-endian SHORT", WithExif(OrientationTiff(true, kShort, 8)), 8},
      {"little-endian LONG", WithExif(OrientationTiff(false, kLong, 3)), 3},
      {"big-endian LONG", WithExif(OrientationTiff(true, kLong, 5)), 5},
      {"a phone's block", exiftest::WithOrientation(kFile, 7), 7},
      {"a phone's block, big-endian", exiftest::WithOrientation(kFile, 2, true), 2},
      {"after JFIF and XMP", Inserted(kFile, Concat({jfif, xmp, ExifSegment(OrientationTiff(false, kShort, 4))})), 4},
      {"fill bytes before the marker", Inserted(kFile, Concat({{0xFF, 0xFF}, ExifSegment(OrientationTiff(true, kShort, 6))})), 6},
      {"the segment claims more than there is", Concat({{0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xF0, 'E', 'x', 'i', 'f', 0, 0},
                                                        OrientationTiff(false, kShort, 6)}), 6},
      {"a directory claiming more entries than there are", WithExif(manyEntries), 6},
      {"value 0", WithExif(OrientationTiff(false, kShort, 0)), 1},
      {"value 9", WithExif(OrientationTiff(true, kShort, 9)), 1},
      {"a LONG beyond 16 bits", WithExif(OrientationTiff(false, kLong, 0x10006)), 1},
      {"stored as ASCII", WithExif(OrientationTiff(false, exiftest::kAscii, 6)), 1},
      {"two values", WithExif(OrientationTiff(false, kShort, 6, 2)), 1},
      {"no orientation tag", WithExif(Tiff(false, {{0x0100, kLong, 1, 640}, {0x0101, kLong, 1, 480}})), 1},
      {"an empty directory", WithExif(Tiff(true, {})), 1},
      {"no Exif block", Inserted(kFile, Concat({jfif, xmp})), 1},
      {"no file", {}, 1},
      {"not a JPEG", Concat({{0x00, 0xD8}, ExifSegment(OrientationTiff(false, kShort, 6))}), 1},
      {"after the scan", Concat({Bytes(kFile.begin(), kFile.end() - 2), ExifSegment(OrientationTiff(false, kShort, 6))}), 1},
      {"the signature without its zeros", Inserted(kFile, Segment(0xE1, Concat({{'E', 'x', 'i', 'f', 1, 0}, OrientationTiff(false, kShort, 6)}))), 1},
      {"a segment length below 2", Concat({{0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01}, ExifSegment(OrientationTiff(false, kShort, 6))}), 1},
      {"no marker where one must be", Inserted(kFile, Concat({{0x00}, ExifSegment(OrientationTiff(false, kShort, 6))})), 1},
      {"a wrong TIFF magic", WithExif(badMagic), 1},
      {"mixed byte-order marks", WithExif(mixedOrder), 1},
      {"the first IFD inside the header", WithExif(WithIfdOffset(4)), 1},
      {"the first IFD past the end", WithExif(WithIfdOffset(4000)), 1},
      {"the first IFD at the last byte", WithExif(WithIfdOffset(37)), 1},
      {"the first IFD at 4 GB", WithExif(WithIfdOffset(0xFFFFFFFF)), 1},
  };
  for (const Case& c : cases) {
    // A buffer of exactly the file's size, so that a read past it shows.
    const Bytes exact(c.bytes);
    EXPECT_EQ(jpeg::ReadExifOrientation(exact), c.orientation) << c.what;
  }
}

TEST(ExifOrientationTest, AFileCutOrDamagedAnywhereGivesItsOrientationOrOne) {
  for (bool bigEndian : {false, true}) {
    const Bytes file = exiftest::WithOrientation(kFile, 6, bigEndian);
    // The orientation is the third entry of the first IFD: SOI, marker,
    // length and signature come first (12 bytes), then the TIFF header (8),
    // the entry count (2) and two entries before it.
    const std::size_t entryEnd = 12 + 8 + 2 + 3 * 12;
    for (std::size_t size = 0; size <= file.size(); ++size) {
      const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size));
      EXPECT_EQ(jpeg::ReadExifOrientation(cut), size >= entryEnd ? 6 : 1) << size << (bigEndian ? " MM" : " II");
    }
    for (std::size_t at = 2; at < file.size(); ++at) {
      for (std::uint8_t value : {0x00, 0xFF}) {
        Bytes damaged = file;
        damaged[at] = value;
        const int orientation = jpeg::ReadExifOrientation(damaged);
        EXPECT_TRUE(orientation == 1 || orientation == 6) << at << " " << orientation;
      }
    }
  }
}

}  // namespace
