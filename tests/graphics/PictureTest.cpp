#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "BitmapTestSupport.h"
#include "graphics/Bitmap.h"
#include "graphics/Font.h"
#include "graphics/Icon.h"
#include "graphics/Metafile.h"
#include "graphics/Picture.h"
#include "runtime/Exceptions.h"
#include "runtime/Filer.h"
#include "runtime/MemoryStream.h"
#include "runtime/Strings.h"

namespace {

using graphicstest::MakePicture24;

// A graphic whose picture is a text. Loading reports progress and its own
// change, as the real kinds do; a text starting with "bad" refuses to load.
class TNoteGraphic : public TGraphic {
  KIRITORI_CLASS(TNoteGraphic, TGraphic)
  std::string text;

  void CopyFrom(TPersistent* source) override {
    if (auto* note = dynamic_cast<TNoteGraphic*>(source)) {
      text = note->text;
      NotifyChanged(this);
    } else {
      TGraphic::CopyFrom(source);
    }
  }
  bool IsEmpty() override { return text.empty(); }
  std::int32_t Height() override { return text.empty() ? 0 : 1; }
  std::int32_t Width() override { return static_cast<std::int32_t>(text.size()); }
  void LoadStream(TStream& stream) override {
    std::string loaded(static_cast<std::size_t>(stream.Size() - stream.Position()), '\0');
    stream.ReadBuffer(loaded.data(), static_cast<std::int64_t>(loaded.size()));
    ReportProgress(this, psRunning, 50, false, TRect{0, 0, 1, 1}, "half");
    if (loaded.starts_with("bad")) throw EInvalidGraphic("bad note");
    text = loaded;
    NotifyChanged(this);
  }
  void SaveStream(TStream& stream) override { stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size())); }
};

class TOtherNoteGraphic : public TNoteGraphic {
  KIRITORI_CLASS(TOtherNoteGraphic, TNoteGraphic)
};

// Knows no copy partner at all.
class TStubbornGraphic : public TGraphic {
  KIRITORI_CLASS(TStubbornGraphic, TGraphic)
  bool IsEmpty() override { return false; }
};

class CountingNotifier : public IChangeNotifier {
 public:
  void Changed() override { ++count; }
  int count = 0;
};

TEST(FileFormats, LookUpsLowerCaseAndTheNewestRegistrationWins) {
  TFileFormatsList list;
  ASSERT_EQ(list.Count(), 4U);  // their order shows in the filter below
  EXPECT_EQ(list.FindByExtension("BMP"), TBitmap::ClassInfo());

  list.AddFormat("JPG", "", TNoteGraphic::ClassInfo());
  EXPECT_EQ(list[4].Extension, "jpg");
  EXPECT_EQ(list.FindByExtension("jPg"), TNoteGraphic::ClassInfo());
  list.AddFormat("jpg", "", TOtherNoteGraphic::ClassInfo());
  EXPECT_EQ(list.FindByExtension("jpg"), TOtherNoteGraphic::ClassInfo());
  EXPECT_EQ(list.FindByExtension("gif"), nullptr);
  EXPECT_EQ(list.FindByClassName("TNoteGraphic"), TNoteGraphic::ClassInfo());
  EXPECT_EQ(list.FindByClassName("tbitmap"), nullptr);
  EXPECT_THROW(list.AddFormat("x", "", TFont::ClassInfo()), EInvalidCast);

  list.RemoveFormatsOf(TNoteGraphic::ClassInfo());  // and its descendants
  EXPECT_EQ(list.FindByExtension("jpg"), nullptr);
  EXPECT_EQ(list.Count(), 4U);
}

TEST(FileFormats, FilterListsNewestFirstWithAnAllFilesPairForMoreThanOne) {
  TFileFormatsList list;
  list.AddFormat("jpeg", strings::JPEGDescription, TNoteGraphic::ClassInfo());
  list.AddFormat("jpg", strings::JPEGDescription, TNoteGraphic::ClassInfo());
  list.AddFormat("", "no mask", TBitmap::ClassInfo());
  std::string filter, masks;

  list.BuildFilter(TGraphic::ClassInfo(), filter, masks);
  EXPECT_EQ(masks, "*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf");
  EXPECT_EQ(filter,
            "すべてのファイル (*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf)|*.jpg;*.jpeg;*.bmp;*.ico;*.emf;*.wmf|"
            "JPEG イメージファイル (*.jpg)|*.jpg|JPEG イメージファイル (*.jpeg)|*.jpeg|"
            "ビットマップ (*.bmp)|*.bmp|アイコン (*.ico)|*.ico|"
            "エンハンス メタファイル (*.emf)|*.emf|メタファイル (*.wmf)|*.wmf");

  list.BuildFilter(TBitmap::ClassInfo(), filter, masks);
  EXPECT_EQ(filter, "ビットマップ (*.bmp)|*.bmp");
  EXPECT_EQ(masks, "*.bmp");
  list.BuildFilter(TStubbornGraphic::ClassInfo(), filter, masks);
  EXPECT_EQ(filter, "");
  EXPECT_EQ(masks, "");

  EXPECT_EQ(
      FilterForClass(TMetafile::ClassInfo()),
      "すべてのファイル (*.emf;*.wmf)|*.emf;*.wmf|エンハンス メタファイル (*.emf)|*.emf|メタファイル (*.wmf)|*.wmf");
}

TEST(ClipboardFormats, BuiltInsAndRemovalKeepThePairsTogether) {
  TClipboardFormats formats;
  EXPECT_EQ(formats.FindClassForFormat(3), TMetafile::ClassInfo());
  EXPECT_EQ(formats.FindClassForFormat(14), TMetafile::ClassInfo());
  EXPECT_EQ(formats.FindClassForFormat(2), TBitmap::ClassInfo());
  EXPECT_EQ(formats.FindClassForFormat(8), nullptr);
  formats.AddClipboardFormat(2, TNoteGraphic::ClassInfo());
  EXPECT_EQ(formats.FindClassForFormat(2), TNoteGraphic::ClassInfo());
  formats.RemoveClipboardFormatsOf(TMetafile::ClassInfo());
  EXPECT_EQ(formats.FindClassForFormat(14), nullptr);
  formats.RemoveClipboardFormatsOf(TNoteGraphic::ClassInfo());
  EXPECT_EQ(formats.FindClassForFormat(2), TBitmap::ClassInfo());
  EXPECT_EQ(formats.Count(), 1U);
}

class PictureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("kiritori-picture-" + std::to_string(::getpid()) + "-" +
                                                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    TPicture::RegisterFormat("note", "Note", TNoteGraphic::ClassInfo());
    picture_.OnChange = [this](TObject* sender) {
      ++changes_;
      EXPECT_EQ(sender, &picture_);
    };
  }
  void TearDown() override {
    TPicture::UnregisterFormatsOf(TNoteGraphic::ClassInfo());
    std::filesystem::remove_all(dir_);
  }

  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  // Makes the picture hold a note without counting the change.
  TNoteGraphic& HoldNote(const std::string& text) {
    TNoteGraphic note;
    note.text = text;
    picture_.SetGraphic(&note);
    changes_ = 0;
    return dynamic_cast<TNoteGraphic&>(*picture_.Graphic());
  }
  static std::string ExpectInvalidGraphic(const std::function<void()>& action) {
    try {
      action();
    } catch (const EInvalidGraphic& e) {
      return e.Message();
    }
    ADD_FAILURE() << "no EInvalidGraphic";
    return {};
  }

  std::filesystem::path dir_;
  TPicture picture_;
  int changes_ = 0;
};

TEST_F(PictureTest, LoadFileChoosesTheClassByExtensionWhateverItsCase) {
  TPicture::RegisterFormat("jpg", "", TNoteGraphic::ClassInfo());
  picture_.LoadFile(Write("a.JPG", "from a.JPG"));
  auto* note = dynamic_cast<TNoteGraphic*>(picture_.Graphic());
  ASSERT_NE(note, nullptr);
  EXPECT_EQ(note->text, "from a.JPG");
  EXPECT_EQ(changes_, 1);

  TBitmap source;
  MakePicture24(source, 5, 3);
  source.SaveFile((dir_ / "b.BMP").string());
  picture_.LoadFile((dir_ / "b.BMP").string());
  ASSERT_NE(dynamic_cast<TBitmap*>(picture_.Graphic()), nullptr);
  EXPECT_EQ(picture_.Width(), 5);
  EXPECT_EQ(picture_.Height(), 3);
  EXPECT_EQ(changes_, 2);
}

TEST_F(PictureTest, FailedLoadsKeepTheGraphicAndFireNothing) {
  TNoteGraphic& held = HoldNote("kept");
  EXPECT_EQ(ExpectInvalidGraphic([&] { picture_.LoadFile(Write("a.gif", "GIF89a")); }),
            "拡張子 .gif の画像形式は処理できません");
  EXPECT_EQ(ExpectInvalidGraphic([&] { picture_.LoadFile(Write("noext", "x")); }),
            "拡張子 . の画像形式は処理できません");
  EXPECT_EQ(ExpectInvalidGraphic([&] { picture_.LoadFile(Write("a.note", "bad note")); }), "bad note");
  EXPECT_ANY_THROW(picture_.LoadFile(Write("c.bmp", "BM cut short")));
  EXPECT_EQ(ExpectInvalidGraphic([&] { picture_.LoadFile(Write("d.ico", "icon")); }), strings::UnknownFormat);
  EXPECT_EQ(ExpectInvalidGraphic([&] { picture_.LoadClipboardFormat(99, nullptr, nullptr); }),
            strings::UnknownClipboardFormat);
  EXPECT_EQ(ExpectInvalidGraphic([&] { picture_.LoadClipboardFormat(3, nullptr, nullptr); }),
            strings::UnknownClipboardFormat);
  EXPECT_EQ(picture_.Graphic(), &held);
  EXPECT_EQ(held.text, "kept");
  EXPECT_EQ(changes_, 0);
}

TEST_F(PictureTest, LoadingPassesProgressOnButReportsOnlyTheFinishedGraphic) {
  CountingNotifier notifier;
  picture_.ChangeNotifier = &notifier;
  int progress = 0;
  picture_.OnProgress = [&](TObject* sender, TProgressStage stage, std::uint8_t percent, bool, const TRect&,
                            const std::string& msg) {
    ++progress;
    EXPECT_NE(dynamic_cast<TNoteGraphic*>(sender), nullptr);
    EXPECT_EQ(stage, psRunning);
    EXPECT_EQ(percent, 50);
    EXPECT_EQ(msg, "half");
  };
  picture_.LoadFile(Write("a.note", "text"));
  EXPECT_EQ(progress, 1);
  EXPECT_EQ(changes_, 1);
  EXPECT_EQ(notifier.count, 1);

  // Once installed, the graphic's own changes reach the picture's observers.
  picture_.Graphic()->SetTransparent(true);
  EXPECT_EQ(changes_, 2);
  EXPECT_EQ(notifier.count, 2);
}

TEST_F(PictureTest, AsBitmapReplacesAnotherKindOnceAndKeepsABitmap) {
  HoldNote("content");
  TBitmap& bitmap = picture_.AsBitmap();
  EXPECT_EQ(picture_.Graphic(), &bitmap);
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(changes_, 1);
  EXPECT_EQ(&picture_.AsBitmap(), &bitmap);
  EXPECT_EQ(changes_, 1);
  EXPECT_THROW(picture_.EnsureGraphicClass(TFont::ClassInfo()), EInvalidCast);
  EXPECT_EQ(picture_.Graphic(), &bitmap);
}

TEST_F(PictureTest, GraphicWriteKeepsACopyIndependentOfTheCallersObject) {
  TBitmap mine;
  MakePicture24(mine, 4, 4);
  int mineChanges = 0;
  mine.OnChange = [&](TObject*) { ++mineChanges; };
  picture_.SetGraphic(&mine);
  ASSERT_NE(picture_.Graphic(), &mine);
  EXPECT_EQ(changes_, 1);

  mine.SetWidth(8);
  EXPECT_EQ(picture_.Width(), 4);
  EXPECT_EQ(changes_, 1);
  picture_.AsBitmap().SetHeight(2);
  EXPECT_EQ(mine.Height(), 4);
  EXPECT_EQ(changes_, 2);
  mineChanges = 0;
  picture_.AsBitmap().SetWidth(3);
  EXPECT_EQ(mineChanges, 0);

  // A graphic that cannot be copied leaves the picture as it was.
  TStubbornGraphic stubborn;
  EXPECT_THROW(picture_.SetGraphic(&stubborn), ECopyError);
  EXPECT_EQ(picture_.Width(), 3);
  picture_.SetGraphic(nullptr);
  EXPECT_EQ(picture_.Graphic(), nullptr);
  EXPECT_EQ(picture_.Width(), 0);
}

TEST_F(PictureTest, AFailingChangeHandlerLeavesTheNewGraphicInPlace) {
  TBitmap mine;
  MakePicture24(mine, 4, 2);
  picture_.OnChange = [](TObject*) { throw EAbort("observer failed"); };
  EXPECT_THROW(picture_.SetGraphic(&mine), EAbort);
  ASSERT_NE(picture_.Graphic(), nullptr);
  EXPECT_EQ(picture_.Width(), 4);
  EXPECT_EQ(picture_.Height(), 2);
}

TEST_F(PictureTest, CopiesWithPicturesAndGraphics) {
  TBitmap mine;
  MakePicture24(mine, 6, 2);
  TPicture other;
  other.CopyFrom(&mine);
  picture_.CopyFrom(&other);
  ASSERT_NE(picture_.Graphic(), other.Graphic());
  EXPECT_EQ(picture_.Width(), 6);

  TBitmap target;
  picture_.CopyTo(&target);
  EXPECT_EQ(target.Width(), 6);
  TNoteGraphic note;
  EXPECT_THROW(picture_.CopyTo(&note), ECopyError);

  picture_.CopyFrom(nullptr);
  EXPECT_EQ(picture_.Graphic(), nullptr);
  EXPECT_THROW(picture_.CopyTo(&target), ECopyError);
}

TEST_F(PictureTest, ClipboardDataGoesThroughTheHeldGraphic) {
  EXPECT_TRUE(TPicture::CanLoadClipboardFormat(2));
  EXPECT_FALSE(TPicture::CanLoadClipboardFormat(99));
  WORD format = 77;
  HANDLE data = nullptr;
  HPALETTE palette = nullptr;
  picture_.SaveClipboardFormat(format, data, palette);  // nothing held: nothing written
  EXPECT_EQ(format, 77);

  MakePicture24(picture_.AsBitmap(), 3, 5);
  picture_.SaveClipboardFormat(format, data, palette);
  ASSERT_EQ(format, 2);
  TPicture other;
  other.LoadClipboardFormat(format, data, palette);
  EXPECT_EQ(other.Width(), 3);
  EXPECT_EQ(other.Height(), 5);
  DeleteObject(data);
  if (palette != nullptr) DeleteObject(palette);
}

TEST_F(PictureTest, StreamsAlwaysLeaveABitmap) {
  MakePicture24(picture_.AsBitmap(), 3, 2);
  TMemoryStream stream;
  picture_.SaveStream(stream);
  TPicture other;
  TNoteGraphic note;
  note.text = "x";
  other.SetGraphic(&note);
  stream.SetPosition(0);
  other.LoadStream(stream);
  EXPECT_EQ(other.Width(), 3);
  EXPECT_EQ(other.Height(), 2);

  TMemoryStream junk;
  junk.WriteBuffer("junk", 4);
  junk.SetPosition(0);
  other.SetGraphic(&note);
  EXPECT_ANY_THROW(other.LoadStream(junk));
  EXPECT_NE(dynamic_cast<TBitmap*>(other.Graphic()), nullptr);
}

class PictureData : public PictureTest {
 protected:
  std::unique_ptr<TMemoryStream> Written(TPicture* ancestor = nullptr) {
    auto stream = std::make_unique<TMemoryStream>();
    TPropertyWriter(*stream, ancestor).WriteProperties(picture_);
    return stream;
  }
  static std::unique_ptr<TMemoryStream> CopyOf(TMemoryStream& stream) {
    auto copy = std::make_unique<TMemoryStream>();
    copy->WriteBuffer(stream.Memory(), stream.Size());
    return copy;
  }
  static void ReadInto(TPicture& target, TMemoryStream& stream) {
    stream.SetPosition(0);
    TPropertyReader(stream).ReadProperties(target);
  }
};

TEST_F(PictureData, RoundTripsTheGraphicByItsClassName) {
  MakePicture24(picture_.AsBitmap(), 3, 2);
  auto stream = Written();
  // "Data", a 32-bit count, then the class name as a short text.
  ASSERT_GT(stream->Size(), 17);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stream->Memory()) + 9, 8), "\7TBitmap");

  TPicture other;
  int otherChanges = 0;
  other.OnChange = [&](TObject*) { ++otherChanges; };
  ReadInto(other, *stream);
  ASSERT_NE(dynamic_cast<TBitmap*>(other.Graphic()), nullptr);
  EXPECT_EQ(other.Width(), 3);
  EXPECT_EQ(other.Height(), 2);
  EXPECT_EQ(otherChanges, 1);

  TIcon icon;
  picture_.SetGraphic(&icon);
  ReadInto(other, *Written());
  EXPECT_NE(dynamic_cast<TIcon*>(other.Graphic()), nullptr);
}

TEST_F(PictureData, IsLeftOutWhenItWouldRepeatTheAncestor) {
  EXPECT_EQ(Written()->Size(), 1);  // no graphic: only the end of the block
  MakePicture24(picture_.AsBitmap(), 2, 2);
  TPicture same;
  same.SetGraphic(picture_.Graphic());
  EXPECT_EQ(Written(&same)->Size(), 1);
  TPicture different;
  MakePicture24(different.AsBitmap(), 2, 3);
  EXPECT_GT(Written(&different)->Size(), 1);
  TPicture empty;
  EXPECT_GT(Written(&empty)->Size(), 1);
}

TEST_F(PictureData, AnUnknownClassEmptiesThePictureAndBadDataKeepsIt) {
  MakePicture24(picture_.AsBitmap(), 2, 2);
  auto good = Written();
  auto unknown = CopyOf(*good);
  unknown->Memory()[10] = 'X';  // "XBitmap" is registered for nothing
  HoldNote("x");
  ReadInto(picture_, *unknown);
  EXPECT_EQ(picture_.Graphic(), nullptr);
  EXPECT_EQ(changes_, 1);

  // After the name comes the bitmap's 32-bit length, then its file.
  auto broken = CopyOf(*good);
  ASSERT_EQ(broken->Memory()[21], 'B');
  broken->Memory()[21] = 'X';
  TNoteGraphic& held = HoldNote("kept");
  EXPECT_ANY_THROW(ReadInto(picture_, *broken));
  EXPECT_EQ(picture_.Graphic(), &held);
  EXPECT_EQ(changes_, 0);
}

}  // namespace
