#include "runtime/ReplacementFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "runtime/Exceptions.h"
#include "runtime/FileName.h"
#include "runtime/Format.h"
#include "runtime/OSError.h"
#include "runtime/Strings.h"

namespace {
std::string FollowLink(const std::string& fileName) {
  struct stat info {};
  if (::lstat(fileName.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return fileName;
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(fileName.c_str(), nullptr), &std::free);
  // A dangling link is replaced by the new file, like any other name.
  return real ? std::string(real.get()) : fileName;
}

// A folder that grants writing to nobody is read-only for everybody: the
// superuser, whom the system lets write anywhere, is not let in either.
bool ReadOnlyFolder(const std::string& fileName) {
  const std::string folder = ExtractFilePath(fileName);
  struct stat info {};
  return ::stat(folder.empty() ? "." : folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
         (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}
}  // namespace

TReplacementFile::TReplacementFile(const std::string& fileName) : target_(FollowLink(fileName)) {
  struct stat info {};
  if (::stat(target_.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    throw EFileCreateError(Format(strings::FileCreateError, fileName, SystemErrorMessage(EISDIR)));
  }
  if (ReadOnlyFolder(target_)) {
    throw EFileCreateError(Format(strings::FileCreateError, fileName, SystemErrorMessage(EACCES)));
  }
  file_ = TFileStream::CreateUniqueBeside(target_);
  temporary_ = file_->FileName();
}

TReplacementFile::~TReplacementFile() {
  if (committed_) return;
  file_.reset();
  ::unlink(temporary_.c_str());
}

void TReplacementFile::Commit() {
  struct stat old {};
  if (::stat(target_.c_str(), &old) == 0) {
    // Best effort: a file we may replace but not re-own keeps our default mode.
    (void)::fchmod(file_->Handle(), old.st_mode & 07777);
  }
  file_->Flush();
  file_.reset();
  if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
    throw EFileCreateError(Format(strings::FileReplaceError, target_, SystemErrorMessage(errno)));
  }
  committed_ = true;
}
