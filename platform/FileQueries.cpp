#include "platform/FileQueries.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

// Seconds from 1601-01-01 to 1970-01-01, and file-time ticks per second.
constexpr std::int64_t kEpochDifference = 11644473600;
constexpr std::int64_t kTicksPerSecond = 10000000;

// A search in progress: the entries still to report, already matched.
struct FindState {
  std::vector<WIN32_FIND_DATAA> pending;
};

// Find handles are numbers looked up here, never addresses: a stale or
// foreign handle is refused like any other wrong handle.
struct FindTable {
  std::mutex lock;
  std::map<std::uintptr_t, std::unique_ptr<FindState>> states;
  std::uintptr_t next = 0x1000;
};

FindTable& Table() {
  static FindTable table;
  return table;
}

FILETIME ToFileTime(const timespec& time) {
  const std::int64_t ticks =
      (static_cast<std::int64_t>(time.tv_sec) + kEpochDifference) * kTicksPerSecond + time.tv_nsec / 100;
  const auto bits = static_cast<std::uint64_t>(ticks < 0 ? 0 : ticks);
  return FILETIME{static_cast<DWORD>(bits & 0xFFFFFFFFu), static_cast<DWORD>(bits >> 32)};
}

std::int64_t TicksOf(const FILETIME& time) {
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

DWORD AttributesOf(const std::string& name, const struct stat& info) {
  DWORD attributes = 0;
  if (S_ISDIR(info.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if ((info.st_mode & S_IWUSR) == 0) attributes |= FILE_ATTRIBUTE_READONLY;
  if (!name.empty() && name[0] == '.' && name != "." && name != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
  return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

// The entry data of a file known by its last part; false when it vanished.
bool Describe(const std::string& path, const std::string& name, WIN32_FIND_DATAA& data) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return false;
  // A name too long for the record would be cut into another name.
  if (name.size() >= MAX_PATH) return false;
  data = WIN32_FIND_DATAA{};
  data.dwFileAttributes = AttributesOf(name, info);
  data.ftCreationTime = ToFileTime(info.st_ctim);
  data.ftLastAccessTime = ToFileTime(info.st_atim);
  data.ftLastWriteTime = ToFileTime(info.st_mtim);
  const auto size = static_cast<std::uint64_t>(info.st_size);
  data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
  data.nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
  std::memcpy(data.cFileName, name.c_str(), name.size() + 1);
  return true;
}

DWORD NotFoundReason(const std::string& folder) {
  struct stat info {};
  const std::string dir = folder.empty() ? "." : folder;
  return stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

FindState* Lookup(HANDLE find) {
  FindTable& table = Table();
  auto it = table.states.find(reinterpret_cast<std::uintptr_t>(find));
  return it == table.states.end() ? nullptr : it->second.get();
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR fileName, WIN32_FIND_DATAA* data) {
  if (fileName == nullptr || data == nullptr || *fileName == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  const std::string path(fileName);
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
  const std::string last = slash == std::string::npos ? path : path.substr(slash + 1);
  if (last.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto state = std::make_unique<FindState>();
  if (last.find_first_of("*?") == std::string::npos) {
    WIN32_FIND_DATAA entry;
    if (!Describe(path, last, entry)) {
      SetLastError(NotFoundReason(folder));
      return INVALID_HANDLE_VALUE;
    }
    state->pending.push_back(entry);
  } else {
    const std::string dir = slash == std::string::npos ? "." : (folder.empty() ? "/" : folder);
    DIR* stream = opendir(dir.c_str());
    if (stream == nullptr) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    // Names here may hold "*" and "?": a file of exactly the name asked for
    // comes first, before the names the pattern also matches.
    WIN32_FIND_DATAA exact;
    const bool named = Describe(path, last, exact);
    if (named) state->pending.push_back(exact);
    // The platform matches names without regard to case.
    while (const dirent* entry = readdir(stream)) {
      const std::string name(entry->d_name);
      if ((named && name == last) || fnmatch(last.c_str(), name.c_str(), FNM_CASEFOLD) != 0) continue;
      WIN32_FIND_DATAA found;
      if (Describe(std::string(dir).append("/").append(name), name, found)) state->pending.push_back(found);
    }
    closedir(stream);
    if (state->pending.empty()) {
      SetLastError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
  }
  *data = state->pending.front();
  state->pending.erase(state->pending.begin());
  FindTable& table = Table();
  const std::lock_guard guard(table.lock);
  const std::uintptr_t id = table.next++;
  table.states.emplace(id, std::move(state));
  return reinterpret_cast<HANDLE>(id);
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) {
  const std::lock_guard guard(Table().lock);
  FindState* state = Lookup(find);
  if (state == nullptr || data == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (state->pending.empty()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  *data = state->pending.front();
  state->pending.erase(state->pending.begin());
  return TRUE;
}

BOOL FindClose(HANDLE find) {
  FindTable& table = Table();
  const std::lock_guard guard(table.lock);
  if (table.states.erase(reinterpret_cast<std::uintptr_t>(find)) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

DWORD GetFileAttributesA(LPCSTR fileName) {
  if (fileName == nullptr || *fileName == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  const std::string path(fileName);
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    const std::size_t slash = path.rfind('/');
    SetLastError(errno == ENOTDIR ? ERROR_PATH_NOT_FOUND
                                  : NotFoundReason(slash == std::string::npos ? "" : path.substr(0, slash)));
    return INVALID_FILE_ATTRIBUTES;
  }
  const std::size_t slash = path.find_last_not_of('/');
  const std::size_t start = slash == std::string::npos ? 0 : path.rfind('/', slash);
  const std::string name = start == std::string::npos ? path : path.substr(start + 1);
  return AttributesOf(name, info);
}

BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local) {
  if (utc == nullptr || local == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::int64_t ticks = TicksOf(*utc);
  if (ticks < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const time_t seconds = static_cast<time_t>(ticks / kTicksPerSecond - kEpochDifference);
  tm parts{};
  if (localtime_r(&seconds, &parts) == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::int64_t shifted = ticks + static_cast<std::int64_t>(parts.tm_gmtoff) * kTicksPerSecond;
  if (shifted < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const auto bits = static_cast<std::uint64_t>(shifted);
  *local = FILETIME{static_cast<DWORD>(bits & 0xFFFFFFFFu), static_cast<DWORD>(bits >> 32)};
  return TRUE;
}

BOOL FileTimeToSystemTime(const FILETIME* time, SYSTEMTIME* system) {
  if (time == nullptr || system == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::int64_t ticks = TicksOf(*time);
  if (ticks < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const std::int64_t seconds = ticks / kTicksPerSecond;
  std::int64_t days = seconds / 86400;
  const std::int64_t rest = seconds % 86400;
  // 1601-01-01 was a Monday.
  const auto dayOfWeek = static_cast<WORD>((days + 1) % 7);
  // Civil date from a day count (days since 0000-03-01 in the proleptic
  // Gregorian calendar).
  days += 584694;
  const std::int64_t era = days / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const std::int64_t day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const std::int64_t month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  const std::int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  if (year > 30827) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  system->wYear = static_cast<WORD>(year);
  system->wMonth = static_cast<WORD>(month);
  system->wDayOfWeek = dayOfWeek;
  system->wDay = static_cast<WORD>(day);
  system->wHour = static_cast<WORD>(rest / 3600);
  system->wMinute = static_cast<WORD>(rest / 60 % 60);
  system->wSecond = static_cast<WORD>(rest % 60);
  system->wMilliseconds = static_cast<WORD>(ticks / 10000 % 1000);
  return TRUE;
}

namespace platform {

std::size_t LiveFindHandleCount() {
  FindTable& table = Table();
  const std::lock_guard guard(table.lock);
  return table.states.size();
}

}  // namespace platform
