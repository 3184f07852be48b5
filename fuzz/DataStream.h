// The fuzzer's input as a memory stream positioned at its start.
#pragma once

#include <cstddef>
#include <cstdint>

#include "runtime/MemoryStream.h"

class TDataStream : public TMemoryStream {
 public:
  TDataStream(const std::uint8_t* data, std::size_t size) {
    if (size > 0) WriteBuffer(data, static_cast<std::int64_t>(size));
    SetPosition(0);
  }
};
