// Streaming of a persistent object's extra properties inside a form definition.
// Forms are built in code, so only the property layer exists: a writer that
// stores every property an object declares as worth writing, and a reader that
// hands each stored property back to the object that declares it.
//
// Layout of a property block: per property its name (one length byte, then the
// name's bytes), a 32-bit little-endian byte count and that many bytes; a zero
// length byte ends the block.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TPersistent;
class TStream;
class TMemoryStream;

class TFiler {
 public:
  using TStreamProc = std::function<void(TStream& stream)>;

  explicit TFiler(TPersistent* ancestor) : ancestor_(ancestor) {}
  virtual ~TFiler() = default;
  TFiler(const TFiler&) = delete;
  TFiler& operator=(const TFiler&) = delete;

  // The object the streamed one inherits its values from (an inherited form's
  // counterpart), or null. Properties equal to the ancestor's are not written.
  TPersistent* Ancestor() const { return ancestor_; }

  // Declares a property of raw bytes. A writer calls writeData when hasData is
  // true; a reader calls readData with a stream holding exactly the stored bytes
  // when it meets the property's name.
  virtual void DefineBinaryProperty(std::string_view name, const TStreamProc& readData,
                                    const TStreamProc& writeData, bool hasData) = 0;

 private:
  TPersistent* ancestor_;
};

class TPropertyWriter : public TFiler {
 public:
  // Writes to stream at its position; stream must outlive the writer.
  explicit TPropertyWriter(TStream& stream, TPersistent* ancestor = nullptr);

  // Writes the block of instance's properties. Raises EWriteError when the
  // stream takes fewer bytes than offered, EPropertyError for a name longer
  // than 255 bytes or data larger than 2 GiB - 1.
  void WriteProperties(TPersistent& instance);

  void DefineBinaryProperty(std::string_view name, const TStreamProc& readData,
                            const TStreamProc& writeData, bool hasData) override;

 private:
  TStream& stream_;
};

class TPropertyReader : public TFiler {
 public:
  // Reads from stream at its position; stream must outlive the reader.
  explicit TPropertyReader(TStream& stream);

  // Reads one property block into instance. Raises EReadError on a block cut
  // short, EPropertyError for a property that instance does not declare or whose
  // byte count exceeds what the stream holds; whatever the property's reader
  // raises propagates.
  void ReadProperties(TPersistent& instance);

  void DefineBinaryProperty(std::string_view name, const TStreamProc& readData,
                            const TStreamProc& writeData, bool hasData) override;

 private:
  TStream& stream_;
  std::string pendingName_;
  TMemoryStream* pendingData_ = nullptr;
  bool consumed_ = false;
};
