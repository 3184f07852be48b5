// A stream over one block of memory that grows as it is written.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "runtime/Stream.h"

// The largest memory stream: well above any picture file we read or write.
inline constexpr std::int64_t kMaxMemoryStreamSize = std::int64_t{4} << 30;

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override = default;

  // As TStream's: at most the bytes between the position and the end.
  std::int64_t Read(void* buffer, std::int64_t count) override;
  // Grows the stream as needed; writing past the end fills the gap with zeros.
  // Raises EStreamError when the result would exceed kMaxMemoryStreamSize and
  // std::bad_alloc when memory runs out.
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // Positions past the end are allowed; the stream grows when written there.
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  // New bytes are zero. Raises EStreamError for a negative size or one above
  // kMaxMemoryStreamSize, std::bad_alloc when memory runs out; the stream is
  // then unchanged.
  void SetSize(std::int64_t size) override;
  std::int64_t Size() override { return size_; }

  // The stream's bytes (Size() of them), or null while the stream is empty of
  // memory. Valid until the next call that changes the size or capacity.
  std::uint8_t* Memory() { return memory_.get(); }
  const std::uint8_t* Memory() const { return memory_.get(); }
  std::int64_t Capacity() const { return capacity_; }
  // Gives back memory held beyond the size.
  void TrimCapacity();
  // Empties the stream and frees its memory.
  void Clear();

  // Replaces the content with all of stream (from its start); position 0.
  void LoadFromStream(TStream& stream);
  // Writes the whole content to stream at its position.
  void SaveToStream(TStream& stream);
  void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);

 private:
  struct FreeDeleter {
    void operator()(std::uint8_t* p) const noexcept { std::free(p); }
  };
  void Reserve(std::int64_t capacity);

  std::unique_ptr<std::uint8_t, FreeDeleter> memory_;
  std::int64_t size_ = 0;
  std::int64_t capacity_ = 0;
  std::int64_t position_ = 0;
};
