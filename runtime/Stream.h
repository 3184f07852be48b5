// Streams of bytes: the common base of file and memory streams.
#pragma once

#include <cstdint>

enum class TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
 public:
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;
  virtual ~TStream() = default;

  // Reads up to count bytes into buffer at the position and advances it;
  // returns the number read (0 at the end, or for count <= 0).
  virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
  // Writes up to count bytes from buffer at the position and advances it;
  // returns the number written, which may be fewer than count.
  virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
  // Moves the position and returns the new one. Raises EStreamError for a
  // position before the start.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  // Makes the stream size bytes long; the position stays unless it was beyond
  // the new end. Raises EStreamError when size is negative or refused.
  virtual void SetSize(std::int64_t size) = 0;

  std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
  void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }
  // The stream's length in bytes; the position is unchanged.
  virtual std::int64_t Size();

  // Reads exactly count bytes or raises EReadError (the position then stands
  // after the bytes that could be read). Negative count raises EReadError.
  void ReadBuffer(void* buffer, std::int64_t count);
  // Writes exactly count bytes or raises EWriteError.
  void WriteBuffer(const void* buffer, std::int64_t count);
  // Copies count bytes from source's position into this stream; count 0
  // copies all of source from its start. Returns the count copied. Raises
  // EReadError when source is short and EWriteError when this stream is.
  std::int64_t CopyFrom(TStream& source, std::int64_t count);
};
