#include "app/FailureText.h"

#include <new>

#include "runtime/Exceptions.h"
#include "runtime/FileName.h"
#include "runtime/Format.h"
#include "runtime/Strings.h"

namespace app {

std::string ReasonText(const std::exception_ptr& failure) {
  if (!failure) return strings::InvalidBitmap;
  try {
    std::rethrow_exception(failure);
  } catch (const std::bad_alloc&) {
    return strings::NotEnoughMemory;
  } catch (const Exception& error) {
    switch (error.Reason().Kind) {
      case TFailureKind::TooLargeForBytes: return strings::PictureTooLarge;
      case TFailureKind::OverAvailableMemory: return strings::NotEnoughMemory;
      case TFailureKind::Other: break;
    }
    if (!error.Message().empty()) return error.Message();
  } catch (const std::exception& error) {
    if (*error.what() != '\0') return error.what();
  } catch (...) {
  }
  return strings::InvalidBitmap;
}

std::string OpenFailedText(const std::string& fileName, const std::string& reason) {
  return Format(strings::OpenFailedStatus, ExtractFileName(fileName), reason);
}

std::string SaveFailedText(const std::string& fileName, const std::string& reason) {
  return Format(strings::SaveFailedMessage, ExtractFileName(fileName), reason);
}

}  // namespace app
