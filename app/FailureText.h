// The words with which Open and Save tell the user why they failed.
#pragma once

#include <exception>
#include <string>

namespace app {

// The reason for the user: a picture too large for its bytes or for the
// memory there is says so in those words, any other failure by its message.
// Null stands for a picture that turned out empty.
std::string ReasonText(const std::exception_ptr& failure);
// "「NAME」を開けませんでした（REASON）" with NAME the file's name without its folder.
std::string OpenFailedText(const std::string& fileName, const std::string& reason);
// "「NAME」に保存できませんでした（REASON）" with NAME the file's name without its folder.
std::string SaveFailedText(const std::string& fileName, const std::string& reason);

}  // namespace app
