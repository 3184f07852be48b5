#include "platform/Rle.h"

#include <algorithm>

namespace platform {

namespace {

// Where the next pixel of the data goes.
class Position {
 public:
  Position(int width, int height) : width_(width), height_(height) {}

  bool Done() const { return y_ >= height_; }
  void EndOfLine() {
    x_ = 0;
    ++y_;
  }
  void Delta(int dx, int dy) {
    // Far beyond the edge is as good as just beyond it; capping keeps the sums
    // small.
    x_ = std::min<std::int64_t>(x_ + dx, width_);
    y_ = std::min<std::int64_t>(y_ + dy, height_);
  }

 protected:
  std::int64_t x_ = 0;
  std::int64_t y_ = 0;  // from the bottom row up
  const int width_;
  const int height_;
};

// Collects one run or literal block and hands the part inside the picture to the
// sink.
class Cursor : public Position {
 public:
  Cursor(int width, int height, RleSink& sink) : Position(width, height), sink_(sink) {}

  // Emits `count` pixels whose indices come from index(i).
  template <class IndexOf>
  void Emit(int count, IndexOf index) {
    int start = 0;
    while (start < count && x_ + start < width_) {
      const int n = static_cast<int>(std::min<std::int64_t>({count - start, width_ - (x_ + start), kChunk}));
      for (int i = 0; i < n; ++i) buffer_[i] = index(start + i);
      if (y_ < height_) sink_.Put(static_cast<int>(x_ + start), static_cast<int>(height_ - 1 - y_), buffer_, n);
      start += n;
    }
    x_ += count;
  }

 private:
  static constexpr int kChunk = 256;
  RleSink& sink_;
  std::uint8_t buffer_[kChunk];
};

// Walks like Cursor but only counts the pixels that would land in the picture.
class Counter : public Position {
 public:
  using Position::Position;

  template <class IndexOf>
  void Emit(int count, IndexOf) {
    if (y_ < height_) written_ += std::clamp<std::int64_t>(width_ - x_, 0, count);
    x_ += count;
  }
  std::int64_t Written() const { return written_; }

 private:
  std::int64_t written_ = 0;
};

template <class Walker>
void Walk(const std::uint8_t* data, std::size_t size, bool four, Walker& cursor) {
  std::size_t pos = 0;
  while (pos + 2 <= size && !cursor.Done()) {
    const std::uint8_t count = data[pos];
    const std::uint8_t value = data[pos + 1];
    pos += 2;
    if (count > 0) {
      if (four) {
        const std::uint8_t hi = value >> 4, lo = value & 0x0F;
        cursor.Emit(count, [&](int i) { return (i & 1) ? lo : hi; });
      } else {
        cursor.Emit(count, [&](int) { return value; });
      }
      continue;
    }
    switch (value) {
      case 0:
        cursor.EndOfLine();
        break;
      case 1:
        return;
      case 2:
        if (pos + 2 > size) return;
        cursor.Delta(data[pos], data[pos + 1]);
        pos += 2;
        break;
      default: {
        // An absolute block: `value` literal pixels, padded to a 16-bit boundary.
        const std::size_t bytes = four ? (value + 1u) / 2 : value;
        const std::size_t available = size - pos;
        const std::size_t present = std::min(bytes, available);
        const int pixels = static_cast<int>(four ? std::min<std::size_t>(value, present * 2) : present);
        const std::uint8_t* literal = data + pos;
        if (four) {
          cursor.Emit(pixels, [&](int i) {
            const std::uint8_t b = literal[i >> 1];
            return static_cast<std::uint8_t>((i & 1) ? (b & 0x0F) : (b >> 4));
          });
        } else {
          cursor.Emit(pixels, [&](int i) { return literal[i]; });
        }
        if (present < bytes) return;
        pos += bytes + (bytes & 1);
        break;
      }
    }
  }
}

}  // namespace

bool DecodeRle(const std::uint8_t* data, std::size_t size, int bitsPerPixel, int width, int height, RleSink& sink) {
  if (bitsPerPixel != 8 && bitsPerPixel != 4) return false;
  if (width <= 0 || height <= 0 || data == nullptr) return true;
  Cursor cursor(width, height, sink);
  Walk(data, size, bitsPerPixel == 4, cursor);
  return true;
}

std::int64_t CountRlePixels(const std::uint8_t* data, std::size_t size, int bitsPerPixel, int width, int height) {
  if ((bitsPerPixel != 8 && bitsPerPixel != 4) || width <= 0 || height <= 0 || data == nullptr) return 0;
  Counter counter(width, height);
  Walk(data, size, bitsPerPixel == 4, counter);
  return counter.Written();
}

}  // namespace platform
