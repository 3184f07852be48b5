#include "runtime/MemoryStream.h"

#include <cstring>
#include <new>

#include "runtime/Exceptions.h"
#include "runtime/FileStream.h"
#include "runtime/Format.h"
#include "runtime/Strings.h"

namespace {
// Growth granularity: small streams do not reallocate for every few bytes.
constexpr std::int64_t kGrowStep = 8 * 1024;

[[noreturn]] void RaiseSize(std::int64_t size) { throw EStreamError(Format(strings::StreamSize, size)); }
}  // namespace

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0 || position_ >= size_) return 0;
  const std::int64_t n = std::min(count, size_ - position_);
  std::memcpy(buffer, memory_.get() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  if (count > kMaxMemoryStreamSize - position_) RaiseSize(count);
  const std::int64_t end = position_ + count;
  if (end > size_) SetSize(end);
  std::memcpy(memory_.get() + position_, buffer, static_cast<std::size_t>(count));
  position_ = end;
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  std::int64_t base = 0;
  switch (origin) {
    case TSeekOrigin::soBeginning: base = 0; break;
    case TSeekOrigin::soCurrent: base = position_; break;
    case TSeekOrigin::soEnd: base = size_; break;
  }
  // Base and offset both lie within kMaxMemoryStreamSize of 0, so the sum cannot
  // overflow; a position beyond the largest size is refused like one before the
  // start.
  if (offset < -kMaxMemoryStreamSize || offset > kMaxMemoryStreamSize) {
    throw EStreamError(Format(strings::SeekError, offset));
  }
  const std::int64_t target = base + offset;
  if (target < 0 || target > kMaxMemoryStreamSize) throw EStreamError(Format(strings::SeekError, target));
  position_ = target;
  return position_;
}

void TMemoryStream::SetSize(std::int64_t size) {
  if (size < 0 || size > kMaxMemoryStreamSize) RaiseSize(size);
  if (size > capacity_) {
    std::int64_t wanted = size;
    // Grow by a quarter at least, so a stream written piece by piece costs
    // amortised constant time per byte.
    if (capacity_ > 0) wanted = std::max(wanted, std::min(kMaxMemoryStreamSize, capacity_ + capacity_ / 4));
    wanted = std::min(kMaxMemoryStreamSize, (wanted + kGrowStep - 1) / kGrowStep * kGrowStep);
    Reserve(wanted);
  }
  if (size > size_) std::memset(memory_.get() + size_, 0, static_cast<std::size_t>(size - size_));
  size_ = size;
  if (position_ > size_) position_ = size_;
}

void TMemoryStream::Reserve(std::int64_t capacity) {
  void* grown = std::realloc(memory_.get(), static_cast<std::size_t>(capacity));
  if (grown == nullptr) throw std::bad_alloc();
  // realloc freed the old block (or kept it as grown): hand ownership over.
  (void)memory_.release();
  memory_.reset(static_cast<std::uint8_t*>(grown));
  capacity_ = capacity;
}

void TMemoryStream::TrimCapacity() {
  if (capacity_ == size_) return;
  if (size_ == 0) {
    memory_.reset();
    capacity_ = 0;
    return;
  }
  Reserve(size_);
}

void TMemoryStream::Clear() {
  memory_.reset();
  size_ = 0;
  capacity_ = 0;
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
  stream.SetPosition(0);
  const std::int64_t size = stream.Size();
  // Build the new content completely before it replaces the old.
  TMemoryStream loaded;
  loaded.SetSize(size);
  stream.ReadBuffer(loaded.memory_.get(), size);
  std::swap(memory_, loaded.memory_);
  std::swap(size_, loaded.size_);
  std::swap(capacity_, loaded.capacity_);
  position_ = 0;
}

void TMemoryStream::SaveToStream(TStream& stream) {
  if (size_ > 0) stream.WriteBuffer(memory_.get(), size_);
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
  TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, fmCreate);
  SaveToStream(file);
}
