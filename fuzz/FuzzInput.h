// What every fuzz target shares: the layers started as the program starts them,
// under the same available-memory budget however the binary is run, and the
// input as a stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "layers/Layers.h"
#include "runtime/Exceptions.h"
#include "runtime/MemoryStream.h"

namespace fuzzing {

// The memory the layers may think the machine has: half of the fuzzer's 1 GB
// limit, so that a picture the layers accept still leaves room for the
// fuzzer's own bookkeeping and the harness's re-encode.
inline constexpr const char* kMemAvailableKb = "524288";

// Up for the whole run; stopped when the process exits.
inline void StartLayers() {
  setenv("KIRITORI_MEMAVAILABLE_KB", kMemAvailableKb, 1);
  static const layers::JpegLayers started;
}

// The fuzzer's input as a memory stream positioned at its start.
class TDataStream : public TMemoryStream {
 public:
  TDataStream(const std::uint8_t* data, std::size_t size) {
    if (size > 0) WriteBuffer(data, static_cast<std::int64_t>(size));
    SetPosition(0);
  }
};

// Runs one use of the input: the system's own exceptions are the clean
// failures it may end in; anything else escapes and is a finding.
template <class Use>
void Try(Use use) {
  try {
    use();
  } catch (const Exception&) {
  }
}

}  // namespace fuzzing
