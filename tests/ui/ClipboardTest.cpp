#include "ui/Clipboard.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "graphics/Bitmap.h"
#include "graphics/Icon.h"
#include "graphics/Metafile.h"
#include "graphics/Pen.h"
#include "graphics/Picture.h"
#include "platform/Clipboard.h"
#include "platform/Objects.h"
#include "tests/graphics/BitmapTestSupport.h"

namespace {

using graphicstest::MakePicture24;
using graphicstest::MakePicture8;
using graphicstest::PixelsOf;
using platform::ObjectKind;

std::vector<UINT> FormatsOnClipboard() {
  std::vector<UINT> formats;
  if (!OpenClipboard(nullptr)) return formats;
  for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f)) formats.push_back(f);
  CloseClipboard();
  return formats;
}

LONG ClipboardBitmapWidth() {
  BITMAP description{};
  if (OpenClipboard(nullptr)) {
    GetObject(GetClipboardData(CF_BITMAP), sizeof description, &description);
    CloseClipboard();
  }
  return description.bmWidth;
}

void PutText(const char* text) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GHND, std::strlen(text) + 1);
  std::memcpy(GlobalLock(memory), text, std::strlen(text) + 1);
  GlobalUnlock(memory);
  SetClipboardData(CF_TEXT, memory);
  CloseClipboard();
}

template <class F>
std::string MessageOf(F&& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(no failure)";
}

// The desktop back end stays out of these tests: the clipboard lives in memory.
class ClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    desktop_ = platform::SetClipboardBackend(nullptr);
    bitmaps_ = platform::LiveObjectCount(ObjectKind::Bitmap);
    palettes_ = platform::LiveObjectCount(ObjectKind::Palette);
    windows_ = platform::LiveWindowCount();
  }
  void TearDown() override {
    EXPECT_EQ(clipboard.OpenCount(), 0);
    EXPECT_EQ(GetOpenClipboardWindow(), nullptr);
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
    EXPECT_EQ(platform::LiveObjectCount(ObjectKind::Bitmap), bitmaps_);
    EXPECT_EQ(platform::LiveObjectCount(ObjectKind::Palette), palettes_);
    EXPECT_EQ(platform::LiveWindowCount(), windows_);
    platform::SetClipboardBackend(std::move(desktop_));
  }

  TClipboard clipboard;

 private:
  std::unique_ptr<platform::ClipboardBackend> desktop_;
  std::size_t bitmaps_ = 0;
  std::size_t palettes_ = 0;
  std::size_t windows_ = 0;
};

TEST_F(ClipboardTest, APictureGoesOnAsABitmapFollowedByItsPaletteWhenItHasOne) {
  TPicture picture;
  MakePicture24(picture.AsBitmap(), 4, 3);
  clipboard.CopyFrom(picture);
  EXPECT_EQ(FormatsOnClipboard(), std::vector<UINT>{CF_BITMAP});
  EXPECT_EQ(clipboard.OwnerWindow(), nullptr);
  EXPECT_FALSE(clipboard.OwnsWindow());

  MakePicture8(picture.AsBitmap(), 4, 3, {{0, 0, 255, 0}, {0, 255, 0, 0}});
  ASSERT_NE(picture.AsBitmap().ColorPalette(), nullptr);
  clipboard.CopyFrom(&picture);
  EXPECT_EQ(FormatsOnClipboard(), (std::vector<UINT>{CF_BITMAP, CF_PALETTE}));
}

TEST_F(ClipboardTest, AnOuterBracketEmptiesOnceSoEveryTransferInsideItStays) {
  TPicture withPalette;
  MakePicture8(withPalette.AsBitmap(), 5, 2, {{1, 2, 3, 0}});
  ASSERT_NE(withPalette.AsBitmap().ColorPalette(), nullptr);
  TBitmap plain;
  MakePicture24(plain, 7, 2);

  clipboard.BeginAccess();
  clipboard.CopyFrom(withPalette);
  EXPECT_TRUE(clipboard.Emptied());
  EXPECT_TRUE(clipboard.OwnsWindow());
  clipboard.CopyFrom(plain);
  EXPECT_EQ(clipboard.OpenCount(), 1);
  clipboard.EndAccess();
  EXPECT_EQ(FormatsOnClipboard(), (std::vector<UINT>{CF_BITMAP, CF_PALETTE}));
  EXPECT_EQ(ClipboardBitmapWidth(), 7);

  clipboard.CopyFrom(withPalette);
  clipboard.CopyFrom(plain);
  EXPECT_EQ(FormatsOnClipboard(), std::vector<UINT>{CF_BITMAP});
  clipboard.EndAccess();  // unmatched: nothing happens
  EXPECT_EQ(clipboard.OpenCount(), 0);
}

TEST_F(ClipboardTest, PixelsSurviveTheRoundTripIntoABitmapAndIntoAPicture) {
  TBitmap source;
  MakePicture24(source, 3, 2);
  const TColor colours[] = {0x0000FF, 0x00FF00, 0xFF0000, 0x123456, 0xABCDEF, 0x000000};
  for (int i = 0; i < 6; ++i) source.Canvas().SetPixelColor(i % 3, i / 3, colours[i]);
  clipboard.CopyFrom(source);

  TBitmap bitmap;
  clipboard.CopyTo(&bitmap);
  EXPECT_EQ(PixelsOf(bitmap), PixelsOf(source));
  TPicture picture;
  clipboard.CopyTo(&picture);
  ASSERT_TRUE(picture.Graphic() != nullptr && picture.Graphic()->InheritsFrom(TBitmap::ClassInfo()));
  EXPECT_EQ(PixelsOf(picture.AsBitmap()), PixelsOf(source));
}

TEST_F(ClipboardTest, APictureTakesTheFirstListedFormatItCanReadAndFailsWithoutOne) {
  TPicture picture;
  MakePicture24(picture.AsBitmap(), 2, 2);
  TGraphic* before = picture.Graphic();

  PutText("only text");
  EXPECT_EQ(MessageOf([&] { clipboard.CopyTo(&picture); }), strings::InvalidClipboardFormat);
  EXPECT_EQ(picture.Graphic(), before);

  // A metafile listed before the bitmap wins, and kiritori's metafile reads
  // nothing: the picture keeps its bitmap.
  const auto put = [](UINT first, UINT second) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    for (UINT format : {first, second}) {
      SetClipboardData(format, format == CF_BITMAP ? static_cast<HANDLE>(CreateBitmap(6, 1, 1, 32, nullptr))
                                                   : static_cast<HANDLE>(GlobalAlloc(GHND, 8)));
    }
    CloseClipboard();
  };
  put(CF_ENHMETAFILE, CF_BITMAP);
  EXPECT_EQ(MessageOf([&] { clipboard.CopyTo(&picture); }), strings::UnknownClipboardFormat);
  EXPECT_EQ(picture.Graphic(), before);

  put(CF_BITMAP, CF_ENHMETAFILE);
  clipboard.CopyTo(&picture);
  EXPECT_EQ(picture.AsBitmap().Width(), 6);
}

TEST_F(ClipboardTest, AClipboardHeldByAnotherOwnerCannotBeOpenedAndNothingChanges) {
  HWND other = CreateMessageWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
  ASSERT_TRUE(OpenClipboard(other));
  TBitmap bitmap;
  MakePicture24(bitmap, 2, 2);
  EXPECT_EQ(MessageOf([&] { clipboard.CopyFrom(bitmap); }), strings::CannotOpenClipboard);
  EXPECT_EQ(MessageOf([&] { clipboard.CopyTo(&bitmap); }), strings::CannotOpenClipboard);
  EXPECT_EQ(clipboard.OpenCount(), 0);
  EXPECT_EQ(clipboard.OwnerWindow(), nullptr);
  EXPECT_EQ(GetOpenClipboardWindow(), other);
  CloseClipboard();
  DestroyWindow(other);
}

TEST_F(ClipboardTest, FailuresInsideATransferCloseTheClipboardAndLeakNothing) {
  TIcon icon;
  EXPECT_EQ(MessageOf([&] { clipboard.CopyFrom(icon); }), strings::IconToClipboard);
  TMetafile metafile;
  EXPECT_EQ(MessageOf([&] { clipboard.CopyTo(&metafile); }), strings::UnknownClipboardFormat);
  TBitmap bitmap;
  EXPECT_EQ(MessageOf([&] { clipboard.CopyTo(&bitmap); }), strings::UnknownClipboardFormat);
  TPen pen;
  EXPECT_THROW(clipboard.CopyFrom(pen), ECopyError);
  EXPECT_THROW(clipboard.CopyTo(&pen), ECopyError);
  EXPECT_THROW(clipboard.CopyFrom(nullptr), ECopyError);

  // An empty picture or bitmap leaves the clipboard emptied.
  MakePicture24(bitmap, 2, 2);
  clipboard.CopyFrom(bitmap);
  TPicture empty;
  clipboard.CopyFrom(empty);
  EXPECT_TRUE(FormatsOnClipboard().empty());
  clipboard.CopyFrom(bitmap);
  TBitmap emptyBitmap;
  emptyBitmap.SetWidth(4);
  clipboard.CopyFrom(emptyBitmap);
  EXPECT_TRUE(FormatsOnClipboard().empty());
}

// Counts accesses without ever opening the platform clipboard, so every
// SetClipboardData is refused.
class TNeverOpens : public TClipboard {
 public:
  void BeginAccess() override {}
  void EndAccess() override {}
};

TEST_F(ClipboardTest, DataTheClipboardRefusesIsDeletedNotLeaked) {
  TNeverOpens clipboard;
  TBitmap bitmap;
  MakePicture8(bitmap, 3, 3, {{9, 9, 9, 0}});
  ASSERT_NE(bitmap.ColorPalette(), nullptr);
  const std::size_t bitmaps = platform::LiveObjectCount(ObjectKind::Bitmap);
  const std::size_t palettes = platform::LiveObjectCount(ObjectKind::Palette);
  clipboard.CopyFrom(bitmap);
  EXPECT_EQ(platform::LiveObjectCount(ObjectKind::Bitmap), bitmaps);
  EXPECT_EQ(platform::LiveObjectCount(ObjectKind::Palette), palettes);
}

class TFailingHandler : public TClipboard {
 public:
  void HandleMessage(TMessage& message) override {
    if (message.Msg == WM_USER) throw Exception("handler failed");
    TClipboard::HandleMessage(message);
  }
};

TEST_F(ClipboardTest, APrivateWindowFailureGoesToTheApplication) {
  std::vector<std::string> shown;
  auto previous = framework::SetMessageBoxHook([&](const std::string& text, const std::string&, unsigned) {
    shown.push_back(text);
    return framework::IDOK;
  });
  TFailingHandler clipboard;
  clipboard.BeginAccess();
  EXPECT_EQ(SendMessage(clipboard.OwnerWindow(), WM_NULL, 0, 0), 0);
  SendMessage(clipboard.OwnerWindow(), WM_USER, 0, 0);
  clipboard.EndAccess();
  framework::SetMessageBoxHook(previous);
  EXPECT_EQ(shown, std::vector<std::string>{"handler failed."});
}

}  // namespace
