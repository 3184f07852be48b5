#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/FileQueries.h"

namespace {

class FileQueriesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("kiritori-find-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_ / "sub");
    std::ofstream(folder_ / "a.jpg") << "abc";
    std::ofstream(folder_ / "b.BMP") << "x";
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string Path(const char* name) const { return (folder_ / name).string(); }

  std::filesystem::path folder_;
};

TEST_F(FileQueriesTest, FindsAFileAndAFolderByNameAndTellsThemApart) {
  const std::size_t live = platform::LiveFindHandleCount();
  WIN32_FIND_DATAA data{};
  HANDLE find = FindFirstFileA(Path("a.jpg").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "a.jpg");
  EXPECT_EQ(data.nFileSizeLow, 3u);
  EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(FindNextFileA(find, &data), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_TRUE(FindClose(find));
  EXPECT_FALSE(FindClose(find));  // a closed handle is refused, not freed twice
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

  find = FindFirstFileA(Path("sub").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  FindClose(find);
  EXPECT_EQ(platform::LiveFindHandleCount(), live);

  EXPECT_EQ(GetFileAttributesA(Path("sub").c_str()) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(GetFileAttributesA(Path("a.jpg").c_str()), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileQueriesTest, MissingNamesFailWithTheirReason) {
  WIN32_FIND_DATAA data{};
  EXPECT_EQ(FindFirstFileA(Path("none.jpg").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(FindFirstFileA(Path("none/a.jpg").c_str(), &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_EQ(GetFileAttributesA(Path("none.jpg").c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(GetFileAttributesA(""), INVALID_FILE_ATTRIBUTES);
}

TEST_F(FileQueriesTest, WildcardsMatchWithoutRegardToCase) {
  WIN32_FIND_DATAA data{};
  HANDLE find = FindFirstFileA(Path("*.bmp").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "b.BMP");
  EXPECT_FALSE(FindNextFileA(find, &data));
  FindClose(find);
}

TEST_F(FileQueriesTest, ANameThatHoldsWildcardsFindsThatFileFirst) {
  // Here "*" may be part of a name; a folder the pattern also matches must not
  // stand in for the file.
  std::filesystem::create_directories(Path("pic-folder.jpg"));
  std::ofstream(Path("pic*.jpg")) << "x";
  WIN32_FIND_DATAA data{};
  HANDLE find = FindFirstFileA(Path("pic*.jpg").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "pic*.jpg");
  EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  ASSERT_TRUE(FindNextFileA(find, &data));
  EXPECT_STREQ(data.cFileName, "pic-folder.jpg");
  EXPECT_FALSE(FindNextFileA(find, &data));
  FindClose(find);
}

TEST(FileTimeTest, ConvertsToCalendarFields) {
  // 2001-09-09 01:46:40.123 UTC is 1000000000.123 seconds after 1970.
  const std::uint64_t ticks = (1000000000ull + 11644473600ull) * 10000000ull + 1230000ull;
  const FILETIME time{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME system{};
  ASSERT_TRUE(FileTimeToSystemTime(&time, &system));
  EXPECT_EQ(system.wYear, 2001);
  EXPECT_EQ(system.wMonth, 9);
  EXPECT_EQ(system.wDay, 9);
  EXPECT_EQ(system.wDayOfWeek, 0);  // a Sunday
  EXPECT_EQ(system.wHour, 1);
  EXPECT_EQ(system.wMinute, 46);
  EXPECT_EQ(system.wSecond, 40);
  EXPECT_EQ(system.wMilliseconds, 123);
  FILETIME local{};
  EXPECT_TRUE(FileTimeToLocalFileTime(&time, &local));
  const FILETIME past{0xFFFFFFFF, 0xFFFFFFFF};
  EXPECT_FALSE(FileTimeToSystemTime(&past, &system));
}

}  // namespace
