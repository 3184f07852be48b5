#include "app/FailureText.h"

#include "imaging/Cimg.h"
#include "runtime/Exceptions.h"
#include "runtime/FileName.h"
#include "runtime/Format.h"
#include "runtime/Strings.h"

namespace app {

std::string ReasonText(const std::exception_ptr& failure) {
  const Cimg::Failure described = Cimg::Describe(failure);
  switch (described.Reason.Kind) {
    case TFailureKind::TooLargeForBytes: return strings::PictureTooLarge;
    case TFailureKind::OverAvailableMemory: return strings::NotEnoughMemory;
    case TFailureKind::Other: break;
  }
  if (!described.Message.empty()) return described.Message;
  return strings::InvalidBitmap;
}

std::string OpenFailedText(const std::string& fileName, const std::string& reason) {
  return Format(strings::OpenFailedStatus, ExtractFileName(fileName), reason);
}

std::string SaveFailedText(const std::string& fileName, const std::string& reason) {
  return Format(strings::SaveFailedMessage, ExtractFileName(fileName), reason);
}

}  // namespace app
