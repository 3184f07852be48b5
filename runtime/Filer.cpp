#include "runtime/Filer.h"

#include <limits>

#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/MemoryStream.h"
#include "runtime/Persistent.h"
#include "runtime/Strings.h"

namespace {
constexpr std::size_t kMaxPropertyName = 255;
constexpr std::int64_t kMaxPropertyData = std::numeric_limits<std::int32_t>::max();

void WriteLength(TStream& stream, std::uint32_t value) {
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                                 static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
  stream.WriteBuffer(bytes, 4);
}

std::uint32_t ReadLength(TStream& stream) {
  std::uint8_t bytes[4];
  stream.ReadBuffer(bytes, 4);
  return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
         (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}
}  // namespace

TPropertyWriter::TPropertyWriter(TStream& stream, TPersistent* ancestor) : TFiler(ancestor), stream_(stream) {}

void TPropertyWriter::WriteProperties(TPersistent& instance) {
  instance.DefineProperties(*this);
  const std::uint8_t end = 0;
  stream_.WriteBuffer(&end, 1);
}

void TPropertyWriter::DefineBinaryProperty(std::string_view name, const TStreamProc&, const TStreamProc& writeData,
                                           bool hasData) {
  if (!hasData || !writeData) return;
  if (name.empty() || name.size() > kMaxPropertyName) {
    throw EPropertyError(Format(strings::PropertyTooLarge, name));
  }
  // The byte count precedes the bytes, so they are collected first.
  TMemoryStream data;
  writeData(data);
  if (data.Size() > kMaxPropertyData) throw EPropertyError(Format(strings::PropertyTooLarge, name));
  const auto nameLength = static_cast<std::uint8_t>(name.size());
  stream_.WriteBuffer(&nameLength, 1);
  stream_.WriteBuffer(name.data(), static_cast<std::int64_t>(name.size()));
  WriteLength(stream_, static_cast<std::uint32_t>(data.Size()));
  data.SaveToStream(stream_);
}

TPropertyReader::TPropertyReader(TStream& stream) : TFiler(nullptr), stream_(stream) {}

void TPropertyReader::ReadProperties(TPersistent& instance) {
  for (;;) {
    std::uint8_t nameLength = 0;
    stream_.ReadBuffer(&nameLength, 1);
    if (nameLength == 0) return;
    std::string name(nameLength, '\0');
    stream_.ReadBuffer(name.data(), nameLength);
    const std::uint32_t length = ReadLength(stream_);
    // Never allocate more than the stream can still deliver.
    if (length > kMaxPropertyData || static_cast<std::int64_t>(length) > stream_.Size() - stream_.Position()) {
      throw EPropertyError(Format(strings::PropertyTooLarge, name));
    }
    TMemoryStream data;
    data.SetSize(length);
    stream_.ReadBuffer(data.Memory(), length);
    pendingName_ = name;
    pendingData_ = &data;
    consumed_ = false;
    struct ClearPending {
      TPropertyReader& reader;
      ~ClearPending() { reader.pendingData_ = nullptr; }
    } clear{*this};
    instance.DefineProperties(*this);
    if (!consumed_) throw EPropertyError(Format(strings::UnknownProperty, name));
  }
}

void TPropertyReader::DefineBinaryProperty(std::string_view name, const TStreamProc& readData, const TStreamProc&,
                                           bool) {
  if (pendingData_ == nullptr || consumed_ || name != pendingName_ || !readData) return;
  consumed_ = true;
  pendingData_->SetPosition(0);
  readData(*pendingData_);
}
