#include "platform/BitmapLayout.h"

namespace platform {

bool ComputeBitmapLayout(std::int64_t width, std::int64_t height, int bitsPerPixel, int alignment,
                         BitmapLayout& out) {
  switch (bitsPerPixel) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return false;
  }
  if (alignment != 1 && alignment != 2 && alignment != 4) return false;
  if (height < 0) height = -height;
  if (width < 0 || width > kMaxBitmapDimension || height > kMaxBitmapDimension) return false;
  // Both factors are below 2^24 and the depth at most 32, so nothing here can
  // overflow 64 bits.
  const std::int64_t rowBits = width * bitsPerPixel;
  const std::int64_t alignBits = std::int64_t{alignment} * 8;
  const std::int64_t stride = (rowBits + alignBits - 1) / alignBits * alignment;
  const std::int64_t size = stride * height;
  if (size > kMaxBitmapBytes) return false;
  out.width = static_cast<std::int32_t>(width);
  out.height = static_cast<std::int32_t>(height);
  out.bitsPerPixel = bitsPerPixel;
  out.stride = static_cast<std::size_t>(stride);
  out.byteSize = static_cast<std::size_t>(size);
  return true;
}

std::size_t DibStride(std::int64_t width, int bitsPerPixel) {
  BitmapLayout layout;
  return ComputeBitmapLayout(width, 1, bitsPerPixel, kDibAlignment, layout) ? layout.stride : 0;
}

}  // namespace platform
