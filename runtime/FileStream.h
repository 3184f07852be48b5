// A stream over a file of this machine's file system.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "runtime/Stream.h"

// Open modes: an access mode or'ed with a sharing mode, or fmCreate.
inline constexpr std::uint16_t fmOpenRead = 0x0000;
inline constexpr std::uint16_t fmOpenWrite = 0x0001;
inline constexpr std::uint16_t fmOpenReadWrite = 0x0002;
inline constexpr std::uint16_t fmShareExclusive = 0x0010;
inline constexpr std::uint16_t fmShareDenyWrite = 0x0020;
inline constexpr std::uint16_t fmShareDenyNone = 0x0040;
// Creates the file, truncating an existing one; opened for reading and writing.
inline constexpr std::uint16_t fmCreate = 0xFFFF;

class TFileStream : public TStream {
 public:
  // Opens fileName with mode. Raises EFileCreateError (fmCreate) or
  // EFileOpenError with the file's name and the system's reason. Sharing modes
  // are accepted; this platform does not enforce them between processes.
  TFileStream(const std::string& fileName, std::uint16_t mode);
  // Closes the file.
  ~TFileStream() override;

  // Creates a new file next to fileName (same folder) under a name no file
  // has, open for reading and writing. Raises EFileCreateError.
  static std::unique_ptr<TFileStream> CreateUniqueBeside(const std::string& fileName);

  // As TStream's; a system call that fails counts as 0 bytes moved, so the
  // exact-count operations report it as their read or write error.
  std::int64_t Read(void* buffer, std::int64_t count) override;
  std::int64_t Write(const void* buffer, std::int64_t count) override;
  // Positions past the end are allowed; raises EStreamError before the start.
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  // Truncates or extends (with zeros) the file. Raises EStreamError.
  void SetSize(std::int64_t size) override;

  const std::string& FileName() const { return fileName_; }
  // Flushes the file's data to the disk. Raises EWriteError.
  void Flush();
  // The file descriptor, for the few system calls streams do not cover.
  int Handle() const { return fd_; }

 private:
  struct AdoptDescriptor {};
  TFileStream(AdoptDescriptor, std::string fileName, int fd);
  std::string fileName_;
  int fd_ = -1;
};
