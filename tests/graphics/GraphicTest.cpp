#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Graphic.h"
#include "runtime/Exceptions.h"
#include "runtime/FileStream.h"
#include "runtime/Filer.h"
#include "runtime/MemoryStream.h"

namespace {

// A graphic whose picture is a text; SaveStream can be told to fail part-way.
class TTextGraphic : public TGraphic {
  KIRITORI_CLASS(TTextGraphic, TGraphic)
  TTextGraphic() = default;
  explicit TTextGraphic(std::string t) : text(std::move(t)) {}

  std::string text;
  // SaveStream raises after writing this many bytes; negative: never.
  int failAfter = -1;

  bool IsEmpty() override { return text.empty(); }
  std::int32_t Width() override { return static_cast<std::int32_t>(text.size()); }
  std::int32_t Height() override { return text.empty() ? 0 : 1; }
  void LoadStream(TStream& stream) override {
    std::string loaded(static_cast<std::size_t>(stream.Size() - stream.Position()), '\0');
    stream.ReadBuffer(loaded.data(), static_cast<std::int64_t>(loaded.size()));
    if (loaded.rfind("bad", 0) == 0) throw EInvalidGraphic("bad text");
    text = loaded;
    NotifyChanged(this);
  }
  void SaveStream(TStream& stream) override {
    if (failAfter >= 0 && static_cast<std::size_t>(failAfter) < text.size()) {
      stream.WriteBuffer(text.data(), failAfter);
      throw EInvalidGraphic("encoder failed");
    }
    stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  }
};

// Same bytes, another class.
class TOtherTextGraphic : public TTextGraphic {
  KIRITORI_CLASS(TOtherTextGraphic, TTextGraphic)
  using TTextGraphic::TTextGraphic;
};

// Fills nothing but IsEmpty: every other abstract slot must refuse.
class TBareGraphic : public TGraphic {
  KIRITORI_CLASS(TBareGraphic, TGraphic)
  bool IsEmpty() override { return true; }
};

class TNotAGraphic : public TPersistent {
  KIRITORI_CLASS(TNotAGraphic, TPersistent)
};

class GraphicFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("kiritori-graphic-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }
  static void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  std::size_t EntriesInFolder() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir_), {}));
  }

  std::filesystem::path dir_;
};

TEST(Graphic, SameContentCompares) {
  TTextGraphic empty, alsoEmpty;
  TOtherTextGraphic otherEmpty;
  TTextGraphic a("abc"), sameAsA("abc"), b("abd");
  TOtherTextGraphic otherA("abc");
  TBareGraphic bare;
  EXPECT_TRUE(empty.SameContent(otherEmpty));  // empty: class does not matter
  EXPECT_TRUE(empty.SameContent(bare));
  EXPECT_TRUE(empty.SameContent(alsoEmpty));
  EXPECT_FALSE(empty.SameContent(a));
  EXPECT_FALSE(a.SameContent(empty));
  EXPECT_TRUE(a.SameContent(sameAsA));
  EXPECT_TRUE(a.SameContent(a));
  EXPECT_FALSE(a.SameContent(b));
  EXPECT_FALSE(a.SameContent(otherA));  // same bytes, other class
  TTextGraphic longer("abcd");
  EXPECT_FALSE(a.SameContent(longer));
}

TEST(Graphic, TransparentNotifiesOnlyOnChange) {
  TTextGraphic g("x");
  int changes = 0;
  TObject* sender = nullptr;
  g.OnChange = [&](TObject* s) {
    ++changes;
    sender = s;
  };
  EXPECT_FALSE(g.Transparent());
  g.SetTransparent(false);
  EXPECT_EQ(changes, 0);
  EXPECT_FALSE(g.IsModified());
  g.SetTransparent(true);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(sender, &g);
  EXPECT_TRUE(g.Transparent());
  EXPECT_TRUE(g.IsModified());
  g.SetTransparent(true);
  EXPECT_EQ(changes, 1);
}

TEST(Graphic, ReportProgressPassesItsArgumentsOn) {
  TTextGraphic g;
  g.ReportProgress(&g, psStarting, 0, false, Rect(0, 0, 1, 1), "");  // no handler: nothing happens
  std::vector<std::string> seen;
  g.OnProgress = [&](TObject* s, TProgressStage stage, std::uint8_t percent, bool redraw, const TRect& r,
                     const std::string& msg) {
    EXPECT_EQ(s, &g);
    seen.push_back(std::to_string(stage) + "/" + std::to_string(percent) + "/" + (redraw ? "r" : "-") + "/" +
                   std::to_string(r.Right) + "/" + msg);
  };
  g.ReportProgress(&g, psRunning, 42, true, Rect(0, 0, 640, 10), "decoding");
  g.ReportProgress(&g, psEnding, 100, false, Rect(0, 0, 640, 480), "");
  EXPECT_EQ(seen, (std::vector<std::string>{"1/42/r/640/decoding", "2/100/-/640/"}));
}

TEST(Graphic, UnfilledAbstractSlotsRaiseTheAbstractCallError) {
  TBareGraphic g;
  TMemoryStream s;
  WORD format = 0;
  HANDLE data = nullptr;
  HPALETTE palette = nullptr;
  EXPECT_THROW(g.Width(), EAbstractError);
  EXPECT_THROW(g.Height(), EAbstractError);
  EXPECT_THROW(g.SetWidth(1), EAbstractError);
  EXPECT_THROW(g.SetHeight(1), EAbstractError);
  EXPECT_THROW(g.LoadStream(s), EAbstractError);
  EXPECT_THROW(g.SaveStream(s), EAbstractError);
  EXPECT_THROW(g.WritePropertyData(s), EAbstractError);
  EXPECT_THROW(g.LoadClipboardFormat(2, nullptr, nullptr), EAbstractError);
  EXPECT_THROW(g.SaveClipboardFormat(format, data, palette), EAbstractError);
  // The concrete defaults.
  EXPECT_EQ(g.ColorPalette(), nullptr);
  g.SetColorPalette(reinterpret_cast<HPALETTE>(1));
  EXPECT_EQ(g.ColorPalette(), nullptr);
  EXPECT_FALSE(g.PaletteDirty());
}

TEST(Graphic, CreateEmptyMakesAnEmptyGraphicOfTheSameClass) {
  TOtherTextGraphic full("content");
  std::unique_ptr<TGraphic> made = full.CreateEmpty();
  EXPECT_EQ(made->ClassType(), TOtherTextGraphic::ClassInfo());
  EXPECT_TRUE(made->IsEmpty());
  EXPECT_TRUE(CreateGraphic(TTextGraphic::ClassInfo())->IsEmpty());
  EXPECT_THROW(CreateGraphic(TGraphic::ClassInfo()), EAbstractError);  // the base is abstract
  EXPECT_THROW(CreateGraphic(TNotAGraphic::ClassInfo()), EInvalidCast);
}

TEST_F(GraphicFiles, SaveFileOverALongerFileLeavesExactlyTheNewBytes) {
  const auto path = PathOf("picture.bin");
  WriteFile(path, std::string(1000, 'o'));
  TTextGraphic("new bytes").SaveFile(path);
  EXPECT_EQ(ReadFile(path), "new bytes");
  EXPECT_EQ(EntriesInFolder(), 1u);  // nothing left beside it
}

TEST_F(GraphicFiles, FailingSaveStreamLeavesTheOldFileIntact) {
  const auto path = PathOf("picture.bin");
  WriteFile(path, "the old picture");
  ::chmod(path.c_str(), 0640);
  TTextGraphic failing("replacement that fails");
  failing.failAfter = 5;
  EXPECT_THROW(failing.SaveFile(path), EInvalidGraphic);
  EXPECT_EQ(ReadFile(path), "the old picture");
  EXPECT_EQ(EntriesInFolder(), 1u);  // the half-written file is gone

  // A new name that fails leaves no file at all.
  EXPECT_THROW(failing.SaveFile(PathOf("never.bin")), EInvalidGraphic);
  EXPECT_EQ(EntriesInFolder(), 1u);

  // A successful save keeps the permissions of the file it replaces.
  TTextGraphic("ok").SaveFile(path);
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST_F(GraphicFiles, SaveFileThroughALinkReplacesTheLinkedFile) {
  const auto real = PathOf("real.bin");
  const auto link = PathOf("link.bin");
  WriteFile(real, "old");
  std::filesystem::create_symlink(real, link);
  TTextGraphic("new").SaveFile(link);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFile(real), "new");
}

TEST_F(GraphicFiles, SaveFileFailuresToCreate) {
  EXPECT_THROW(TTextGraphic("x").SaveFile(PathOf("missing/folder/a.bin")), EFileCreateError);
  EXPECT_THROW(TTextGraphic("x").SaveFile(dir_.string()), EFileCreateError);  // a folder
  EXPECT_TRUE(std::filesystem::is_directory(dir_));
  // A read-only folder stays empty, whoever runs the test.
  ::chmod(dir_.c_str(), 0555);
  EXPECT_THROW(TTextGraphic("x").SaveFile(PathOf("a.bin")), EFileCreateError);
  ::chmod(dir_.c_str(), 0755);
  EXPECT_EQ(EntriesInFolder(), 0u);
}

TEST_F(GraphicFiles, LoadFileReadsAndPropagatesFailures) {
  const auto path = PathOf("in.bin");
  WriteFile(path, "loaded text");
  TTextGraphic g;
  g.LoadFile(path);
  EXPECT_EQ(g.text, "loaded text");
  EXPECT_THROW(g.LoadFile(PathOf("absent.bin")), EFileOpenError);
  WriteFile(path, "bad data");
  EXPECT_THROW(g.LoadFile(path), EInvalidGraphic);
  EXPECT_EQ(g.text, "loaded text");
  // The file was closed on the failing path: it can be replaced and read again.
  TTextGraphic("again").SaveFile(path);
  g.LoadFile(path);
  EXPECT_EQ(g.text, "again");
}

// The "Data" property through the form-definition property layer.
std::int64_t WrittenSize(TGraphic& g, TPersistent* ancestor) {
  TMemoryStream s;
  TPropertyWriter(s, ancestor).WriteProperties(g);
  return s.Size();
}

TEST(GraphicData, WrittenOnlyWhenTheAncestorRuleSaysSo) {
  constexpr std::int64_t kNothing = 1;  // the end marker alone
  TTextGraphic empty, full("abc"), same("abc"), different("xyz");
  TNotAGraphic stranger;
  EXPECT_EQ(WrittenSize(empty, nullptr), kNothing);
  EXPECT_GT(WrittenSize(full, nullptr), kNothing);
  EXPECT_EQ(WrittenSize(full, &same), kNothing);
  EXPECT_GT(WrittenSize(full, &different), kNothing);
  EXPECT_GT(WrittenSize(empty, &stranger), kNothing);  // not a graphic: always written
  EXPECT_EQ(WrittenSize(empty, &empty), kNothing);
}

TEST(GraphicData, RoundTripsThroughReadAndWritePropertyData) {
  TTextGraphic source("pixels");
  TMemoryStream s;
  TPropertyWriter(s).WriteProperties(source);
  s.SetPosition(0);
  TTextGraphic target;
  TPropertyReader(s).ReadProperties(target);
  EXPECT_EQ(target.text, "pixels");
  EXPECT_TRUE(target.IsModified());
}

}  // namespace
