// Exif blocks as cameras write them, built byte by byte, for the orientation
// tests of the JPEG, imaging and dialog layers.
#pragma once

#include <cstdint>
#include <vector>

namespace exiftest {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t kShort = 3;
constexpr std::uint16_t kLong = 4;
constexpr std::uint16_t kAscii = 2;
constexpr std::uint16_t kRational = 5;
constexpr std::uint16_t kOrientation = 0x0112;

struct Entry {
  std::uint16_t tag;
  std::uint16_t type;
  std::uint32_t count;
  std::uint32_t value;  // a SHORT sits in the field's first two bytes
};

inline void Put(Bytes& out, std::uint32_t value, int size, bool bigEndian) {
  for (int i = 0; i < size; ++i) {
    const int shift = bigEndian ? 8 * (size - 1 - i) : 8 * i;
    out.push_back(static_cast<std::uint8_t>(value >> shift));
  }
}

// A TIFF block with its first IFD at offset 8 holding entries, then a zero
// link to the next IFD and `tail` (data the entries may point to).
inline Bytes Tiff(bool bigEndian, const std::vector<Entry>& entries, const Bytes& tail = {}) {
  Bytes out = bigEndian ? Bytes{'M', 'M'} : Bytes{'I', 'I'};
  Put(out, 42, 2, bigEndian);
  Put(out, 8, 4, bigEndian);
  Put(out, static_cast<std::uint32_t>(entries.size()), 2, bigEndian);
  for (const Entry& e : entries) {
    Put(out, e.tag, 2, bigEndian);
    Put(out, e.type, 2, bigEndian);
    Put(out, e.count, 4, bigEndian);
    if (e.type == kShort) {
      Put(out, e.value, 2, bigEndian);
      Put(out, 0, 2, bigEndian);
    } else {
      Put(out, e.value, 4, bigEndian);
    }
  }
  Put(out, 0, 4, bigEndian);
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

// A marker segment: FF, the marker, the big-endian length, the payload.
inline Bytes Segment(std::uint8_t marker, const Bytes& payload) {
  Bytes out{0xFF, marker};
  Put(out, static_cast<std::uint32_t>(payload.size() + 2), 2, true);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

inline Bytes ExifSegment(const Bytes& tiff) {
  Bytes payload{'E', 'x', 'i', 'f', 0, 0};
  payload.insert(payload.end(), tiff.begin(), tiff.end());
  return Segment(0xE1, payload);
}

// jpeg (a whole file) with segments inserted right after its SOI marker.
inline Bytes Inserted(const Bytes& jpeg, const Bytes& segments) {
  Bytes out(jpeg.begin(), jpeg.begin() + 2);
  out.insert(out.end(), segments.begin(), segments.end());
  out.insert(out.end(), jpeg.begin() + 2, jpeg.end());
  return out;
}

// The block a phone writes: make and model, the orientation, resolutions.
inline Bytes PhoneTiff(int orientation, bool bigEndian) {
  // Offsets from the TIFF header: the IFD's 5 entries end at 8 + 2 + 60 + 4.
  const std::uint32_t data = 8 + 2 + 5 * 12 + 4;
  Bytes tail = {'P', 'h', 'o', 'n', 'e', 0, 'M', 'o', 'd', 'e', 'l', ' ', '1', 0};
  Put(tail, 72, 4, bigEndian);
  Put(tail, 1, 4, bigEndian);
  return Tiff(bigEndian,
              {{0x010F, kAscii, 6, data},
               {0x0110, kAscii, 8, data + 6},
               {kOrientation, kShort, 1, static_cast<std::uint32_t>(orientation)},
               {0x011A, kRational, 1, data + 14},
               {0x011B, kRational, 1, data + 14}},
              tail);
}

inline Bytes WithOrientation(const Bytes& jpeg, int orientation, bool bigEndian = false) {
  return Inserted(jpeg, ExifSegment(PhoneTiff(orientation, bigEndian)));
}

}  // namespace exiftest
