// The run-time library's exception classes. Every failure the system raises is
// one of these, carrying its message (UTF-8) from the string table.
#pragma once

#include <exception>
#include <string>
#include <utility>

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

// Silent failure: the message loop shows nothing for it.
class EAbort : public Exception { using Exception::Exception; };
class EOutOfResources : public Exception { using Exception::Exception; };
class EInvalidGraphic : public Exception { using Exception::Exception; };
class EInvalidGraphicOperation : public Exception { using Exception::Exception; };
class EJPEG : public EInvalidGraphic { using EInvalidGraphic::EInvalidGraphic; };
class EInvalidOperation : public Exception { using Exception::Exception; };
