#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/Exceptions.h"
#include "runtime/FileStream.h"
#include "runtime/MemoryStream.h"

namespace {

// A stream that accepts or delivers at most `limit` bytes in total, then none.
class LimitedStream : public TMemoryStream {
 public:
  explicit LimitedStream(std::int64_t limit) : limit_(limit) {}
  std::int64_t Read(void* buffer, std::int64_t count) override {
    const std::int64_t n = TMemoryStream::Read(buffer, std::min(count, limit_));
    limit_ -= n;
    return n;
  }
  std::int64_t Write(const void* buffer, std::int64_t count) override {
    const std::int64_t n = TMemoryStream::Write(buffer, std::min(count, limit_));
    limit_ -= n;
    return n;
  }

 private:
  std::int64_t limit_;
};

// A stream that hands out one byte per call, as a pipe may.
class TrickleStream : public TMemoryStream {
 public:
  std::int64_t Read(void* buffer, std::int64_t count) override {
    return TMemoryStream::Read(buffer, std::min<std::int64_t>(count, 1));
  }
};

// Each test works in a folder of its own, removed afterwards.
class FileStreamTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("kiritori-stream-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  const std::filesystem::path& TempDir() const { return dir_; }

 private:
  std::filesystem::path dir_;
};

TEST(MemoryStream, WritesGrowAndReadsReturnCounts) {
  TMemoryStream s;
  EXPECT_EQ(s.Write("abcdef", 6), 6);
  EXPECT_EQ(s.Size(), 6);
  EXPECT_EQ(s.Position(), 6);
  s.SetPosition(2);
  char buf[8] = {};
  EXPECT_EQ(s.Read(buf, 8), 4);  // plain read stops at the end without failing
  EXPECT_EQ(std::string(buf, 4), "cdef");
  EXPECT_EQ(s.Read(buf, 8), 0);
}

TEST(MemoryStream, WritingPastTheEndZeroFillsTheGap) {
  TMemoryStream s;
  s.Write("x", 1);
  s.Seek(5, TSeekOrigin::soCurrent);
  s.Write("y", 1);
  ASSERT_EQ(s.Size(), 7);
  EXPECT_EQ(std::memcmp(s.Memory(), "x\0\0\0\0\0y", 7), 0);
}

TEST(MemoryStream, SizeChangesAndLimits) {
  TMemoryStream s;
  s.WriteBuffer("0123456789", 10);
  s.SetSize(4);
  EXPECT_EQ(s.Position(), 4);  // clamped to the new end
  s.SetSize(6);
  EXPECT_EQ(s.Memory()[5], 0);  // new bytes are zero
  s.TrimCapacity();
  EXPECT_EQ(s.Capacity(), 6);
  EXPECT_THROW(s.SetSize(-1), EStreamError);
  EXPECT_THROW(s.SetSize(kMaxMemoryStreamSize + 1), EStreamError);
  EXPECT_THROW(s.Seek(-1, TSeekOrigin::soBeginning), EStreamError);
  EXPECT_EQ(s.Size(), 6);  // failures leave the stream as it was
  s.Clear();
  EXPECT_EQ(s.Size(), 0);
  EXPECT_EQ(s.Memory(), nullptr);
}

TEST(Stream, ShortReadRaisesReadError) {
  TMemoryStream s;
  s.WriteBuffer("abc", 3);
  s.SetPosition(0);
  char buf[4];
  EXPECT_THROW(s.ReadBuffer(buf, 4), EReadError);
  s.SetPosition(0);
  EXPECT_THROW(s.ReadBuffer(buf, -1), EReadError);
  s.SetPosition(0);
  EXPECT_NO_THROW(s.ReadBuffer(buf, 3));
}

TEST(Stream, ShortWriteRaisesWriteError) {
  LimitedStream s(5);
  EXPECT_NO_THROW(s.WriteBuffer("abc", 3));
  EXPECT_THROW(s.WriteBuffer("defg", 4), EWriteError);
  // The error class is a stream error, and the errors are distinct.
  LimitedStream t(0);
  try {
    t.WriteBuffer("a", 1);
    FAIL();
  } catch (const EStreamError& e) {
    EXPECT_EQ(dynamic_cast<const EReadError*>(&e), nullptr);
  }
}

TEST(Stream, ReadBufferCollectsPartialReads) {
  TrickleStream s;
  s.WriteBuffer("hello", 5);
  s.SetPosition(0);
  char buf[5];
  s.ReadBuffer(buf, 5);
  EXPECT_EQ(std::string(buf, 5), "hello");
}

TEST(Stream, CopyFromCopiesCountOrAllAndRaisesWhenShort) {
  TMemoryStream source;
  std::vector<std::uint8_t> big(200000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  source.WriteBuffer(big.data(), static_cast<std::int64_t>(big.size()));

  TMemoryStream all;
  EXPECT_EQ(all.CopyFrom(source, 0), 200000);  // 0: everything from the start
  ASSERT_EQ(all.Size(), 200000);
  EXPECT_EQ(std::memcmp(all.Memory(), big.data(), big.size()), 0);

  source.SetPosition(199990);
  TMemoryStream part;
  EXPECT_THROW(part.CopyFrom(source, 11), EReadError);
  LimitedStream tight(3);
  source.SetPosition(0);
  EXPECT_THROW(tight.CopyFrom(source, 4), EWriteError);
}

TEST(MemoryStream, LoadFromStreamKeepsOldContentOnFailure) {
  TMemoryStream s;
  s.WriteBuffer("keep", 4);
  // A stream that claims 10 bytes but delivers 3.
  LimitedStream source(3);
  source.WriteBuffer("abc", 3);
  source.SetSize(10);
  EXPECT_THROW(s.LoadFromStream(source), EReadError);
  ASSERT_EQ(s.Size(), 4);
  EXPECT_EQ(std::memcmp(s.Memory(), "keep", 4), 0);
}

TEST_F(FileStreamTest, CreateWriteReopenRead) {
  const auto path = (TempDir() / "plain.bin").string();
  {
    TFileStream f(path, fmCreate);
    f.WriteBuffer("0123456789", 10);
    EXPECT_EQ(f.Size(), 10);
    f.SetSize(4);
  }
  TFileStream f(path, fmOpenRead | fmShareDenyWrite);
  EXPECT_EQ(f.Size(), 4);
  char buf[10];
  EXPECT_THROW(f.ReadBuffer(buf, 5), EReadError);
  f.SetPosition(1);
  f.ReadBuffer(buf, 3);
  EXPECT_EQ(std::string(buf, 3), "123");
  // A read-only file stream refuses writes with a count, not a crash.
  EXPECT_EQ(f.Write("x", 1), 0);
  EXPECT_THROW(f.WriteBuffer("x", 1), EWriteError);
}

TEST_F(FileStreamTest, CreateTruncatesAnExistingFile) {
  const auto path = (TempDir() / "trunc.bin").string();
  { TFileStream(path, fmCreate).WriteBuffer("long content", 12); }
  { TFileStream(path, fmCreate).WriteBuffer("ab", 2); }
  EXPECT_EQ(std::filesystem::file_size(path), 2u);
}

TEST_F(FileStreamTest, OpenAndCreateFailuresNameTheFile) {
  const auto& dir = TempDir();
  const auto missing = (dir / "missing.bin").string();
  try {
    TFileStream f(missing, fmOpenRead);
    FAIL();
  } catch (const EFileOpenError& e) {
    EXPECT_NE(e.Message().find(missing), std::string::npos);
  }
  EXPECT_THROW(TFileStream(dir.string(), fmOpenRead), EFileOpenError);  // a folder is no file
  EXPECT_THROW(TFileStream((dir / "no" / "such" / "x").string(), fmCreate), EFileCreateError);
}

}  // namespace
