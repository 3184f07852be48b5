// A file written beside its target and put in the target's place only when the
// whole content has been written, so that a failure part-way never destroys
// the file that was there.
#pragma once

#include <memory>
#include <string>

#include "runtime/FileStream.h"

class [[nodiscard]] TReplacementFile {
 public:
  // Creates the new file in fileName's folder. A symbolic link as fileName is
  // followed: the file it names is replaced. Raises EFileCreateError when the
  // folder cannot take a new file (also when it grants writing to nobody,
  // whoever asks) or fileName is a folder.
  explicit TReplacementFile(const std::string& fileName);
  // Removes the new file unless Commit succeeded.
  ~TReplacementFile();
  TReplacementFile(const TReplacementFile&) = delete;
  TReplacementFile& operator=(const TReplacementFile&) = delete;

  // The new file, positioned at its start. Valid until Commit.
  TStream& Stream() { return *file_; }
  // Flushes and closes the new file and renames it over the target, keeping an
  // existing target's permissions. Raises EWriteError or EFileCreateError; the
  // target is then untouched.
  void Commit();

 private:
  std::string target_;
  std::string temporary_;
  std::unique_ptr<TFileStream> file_;
  bool committed_ = false;
};
