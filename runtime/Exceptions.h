// The run-time library's exception classes. Every failure the system raises is
// one of these, carrying its message (UTF-8) from the string table.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

// What kind of trouble a failure was, beside the message the user may see.
enum class TFailureKind : std::uint8_t {
  Other,
  // The data declares a picture its bytes cannot honestly carry.
  TooLargeForBytes,
  // The picture would need more memory than the machine has available.
  OverAvailableMemory,
};

// Why an operation failed: its kind and a short technical text for the debug
// log ("declares 26754 x 26754 (2.1 GB) from 62 bytes"); the text is empty
// when the message says all there is.
struct TFailureReason {
  TFailureKind Kind = TFailureKind::Other;
  std::string Text;
};

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  const char* what() const noexcept override { return message_.c_str(); }
  const TFailureReason& Reason() const noexcept { return reason_; }
  void SetReason(TFailureReason reason) { reason_ = std::move(reason); }

 private:
  std::string message_;
  TFailureReason reason_;
};

// error with its reason set, for `throw WithReason(EInvalidGraphic(...), ...)`.
template <class E>
E WithReason(E error, TFailureReason reason) {
  error.SetReason(std::move(reason));
  return error;
}
template <class E>
E WithReason(E error, TFailureKind kind, std::string text) {
  return WithReason(std::move(error), TFailureReason{kind, std::move(text)});
}

// Silent failure: the message loop shows nothing for it.
class EAbort : public Exception { using Exception::Exception; };

// Graphics and codecs.
class EOutOfResources : public Exception { using Exception::Exception; };
class EInvalidGraphic : public Exception { using Exception::Exception; };
class EInvalidGraphicOperation : public Exception { using Exception::Exception; };
class EJPEG : public EInvalidGraphic { using EInvalidGraphic::EInvalidGraphic; };
class EInvalidOperation : public Exception { using Exception::Exception; };

// Streams: a short ReadBuffer/WriteBuffer, and files that cannot be opened or
// created. All are stream errors, so a caller may catch them together.
class EStreamError : public Exception { using Exception::Exception; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };
class EFileOpenError : public EStreamError { using EStreamError::EStreamError; };
class EFileCreateError : public EStreamError { using EStreamError::EStreamError; };

// A call into the operating system (or the platform stand-in) failed; the
// message is the system's own text for ErrorCode.
class EOSError : public Exception {
 public:
  EOSError(std::string message, std::uint32_t errorCode)
      : Exception(std::move(message)), errorCode_(errorCode) {}
  std::uint32_t ErrorCode() const noexcept { return errorCode_; }

 private:
  std::uint32_t errorCode_;
};

// An object is not of the class an operation requires of it.
class EInvalidCast : public Exception { using Exception::Exception; };
// An operation that the object's class leaves unimplemented was called, or an
// abstract class was asked for an instance.
class EAbstractError : public Exception { using Exception::Exception; };
// A persistent object was asked to copy from or to a partner it does not know.
class ECopyError : public Exception { using Exception::Exception; };
// A format text does not match its arguments.
class EFormatError : public Exception { using Exception::Exception; };
// A form definition's property stream names something that does not exist.
class EPropertyError : public EStreamError { using EStreamError::EStreamError; };
