#include "runtime/FileStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/OSError.h"
#include "runtime/Strings.h"

namespace {
// One system call moves at most this much, whatever the caller asks for.
constexpr std::int64_t kMaxTransfer = std::int64_t{1} << 30;
// Names tried before a unique file name is given up.
constexpr int kUniqueNameAttempts = 100;

int OpenFlags(std::uint16_t mode) {
  switch (mode & 0x3) {
    case fmOpenWrite: return O_WRONLY;
    case fmOpenReadWrite: return O_RDWR;
    default: return O_RDONLY;
  }
}

std::string FolderOf(const std::string& fileName) {
  const std::size_t slash = fileName.rfind('/');
  return slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1);
}
}  // namespace

TFileStream::TFileStream(const std::string& fileName, std::uint16_t mode) : fileName_(fileName) {
  if (mode == fmCreate) {
    fd_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0) throw EFileCreateError(Format(strings::FileCreateError, fileName, SystemErrorMessage(errno)));
  } else {
    fd_ = ::open(fileName.c_str(), OpenFlags(mode) | O_CLOEXEC);
    if (fd_ < 0) throw EFileOpenError(Format(strings::FileOpenError, fileName, SystemErrorMessage(errno)));
    struct stat info {};
    // A folder opens for reading on this platform but is no file.
    if (::fstat(fd_, &info) == 0 && S_ISDIR(info.st_mode)) {
      ::close(fd_);
      fd_ = -1;
      throw EFileOpenError(Format(strings::FileOpenError, fileName, SystemErrorMessage(EISDIR)));
    }
  }
}

TFileStream::TFileStream(AdoptDescriptor, std::string fileName, int fd) : fileName_(std::move(fileName)), fd_(fd) {}

TFileStream::~TFileStream() {
  if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<TFileStream> TFileStream::CreateUniqueBeside(const std::string& fileName) {
  static std::atomic<unsigned> counter{0};
  const std::string folder = FolderOf(fileName);
  const auto seed = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  int lastError = EEXIST;
  for (int attempt = 0; attempt < kUniqueNameAttempts; ++attempt) {
    // A leading dot keeps the half-written file out of ordinary folder views.
    const std::string name = folder + ".kiritori-" + std::to_string(::getpid()) + "-" +
                             std::to_string(seed % 1000000007ULL) + "-" + std::to_string(counter++) + ".tmp";
    const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) return std::unique_ptr<TFileStream>(new TFileStream(AdoptDescriptor{}, name, fd));
    lastError = errno;
    if (lastError != EEXIST) break;
  }
  throw EFileCreateError(Format(strings::FileCreateError, fileName, SystemErrorMessage(lastError)));
}

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, static_cast<std::size_t>(std::min(count, kMaxTransfer)));
    if (n >= 0) return n;
    if (errno != EINTR) return 0;
  }
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
  if (count <= 0) return 0;
  for (;;) {
    const ssize_t n = ::write(fd_, buffer, static_cast<std::size_t>(std::min(count, kMaxTransfer)));
    if (n >= 0) return n;
    if (errno != EINTR) return 0;
  }
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  int whence = SEEK_SET;
  if (origin == TSeekOrigin::soCurrent) whence = SEEK_CUR;
  if (origin == TSeekOrigin::soEnd) whence = SEEK_END;
  const off_t result = ::lseek(fd_, static_cast<off_t>(offset), whence);
  if (result < 0) throw EStreamError(Format(strings::SeekError, offset));
  return result;
}

void TFileStream::SetSize(std::int64_t size) {
  if (size < 0) throw EStreamError(Format(strings::StreamSize, size));
  const std::int64_t position = Position();
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) throw EStreamError(Format(strings::StreamSize, size));
  if (position > size) Seek(size, TSeekOrigin::soBeginning);
}

void TFileStream::Flush() {
  if (::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) throw EWriteError(strings::WriteError);
}
