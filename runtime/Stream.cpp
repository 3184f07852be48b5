#include "runtime/Stream.h"

#include <algorithm>
#include <array>

#include "runtime/Exceptions.h"
#include "runtime/Strings.h"

std::int64_t TStream::Size() {
  const std::int64_t position = Seek(0, TSeekOrigin::soCurrent);
  const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
  Seek(position, TSeekOrigin::soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
  if (count < 0) throw EReadError(strings::ReadError);
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  std::int64_t done = 0;
  // A stream may deliver less than asked before its end (a pipe, a slow file):
  // keep reading until it has nothing more.
  while (done < count) {
    const std::int64_t got = Read(bytes + done, count - done);
    if (got <= 0) throw EReadError(strings::ReadError);
    done += got;
  }
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
  if (count < 0) throw EWriteError(strings::WriteError);
  const auto* bytes = static_cast<const std::uint8_t*>(buffer);
  std::int64_t done = 0;
  while (done < count) {
    const std::int64_t put = Write(bytes + done, count - done);
    if (put <= 0) throw EWriteError(strings::WriteError);
    done += put;
  }
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count < 0) throw EReadError(strings::ReadError);
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  constexpr std::int64_t kChunk = 64 * 1024;
  std::array<std::uint8_t, kChunk> chunk;
  std::int64_t left = count;
  while (left > 0) {
    const std::int64_t n = std::min(left, kChunk);
    source.ReadBuffer(chunk.data(), n);
    WriteBuffer(chunk.data(), n);
    left -= n;
  }
  return count;
}
