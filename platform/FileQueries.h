// The platform's file queries: finding a directory entry by name and reading
// a file's attributes. Paths are UTF-8 with "/" between folders.
#pragma once

#include <cstddef>

#include "platform/Windows.h"

inline constexpr DWORD MAX_PATH = 260;

// 100-nanosecond intervals since 1601-01-01 UTC, split in two halves.
struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  char cFileName[MAX_PATH];
  char cAlternateFileName[14];
};

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr DWORD ERROR_NO_MORE_FILES = 18;

// Finds the first entry that fileName names: a plain path, or a folder
// followed by a last part with "*" and "?" wildcards. Fills data and returns a
// find handle for FindNextFileA, or INVALID_HANDLE_VALUE with
// ERROR_FILE_NOT_FOUND or ERROR_PATH_NOT_FOUND recorded. The handle is the
// caller's until FindClose.
HANDLE FindFirstFileA(LPCSTR fileName, WIN32_FIND_DATAA* data);
// The next matching entry; FALSE with ERROR_NO_MORE_FILES at the end, or
// ERROR_INVALID_HANDLE for a handle that is not a live find handle.
BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data);
// Frees a find handle; FALSE with ERROR_INVALID_HANDLE for anything else.
BOOL FindClose(HANDLE find);
// The attributes of the file or folder, or INVALID_FILE_ATTRIBUTES with the
// reason recorded.
DWORD GetFileAttributesA(LPCSTR fileName);
// Converts a UTC file time to the local time zone's; FALSE for a time outside
// the range the platform can express.
BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);
// Splits a file time into calendar fields; FALSE for a time past year 30827.
BOOL FileTimeToSystemTime(const FILETIME* time, SYSTEMTIME* system);

namespace platform {
// Find handles made and not yet closed; tests prove with it that none leaks.
std::size_t LiveFindHandleCount();
}  // namespace platform
