#include "platform/Clipboard.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "LeakCheck.h"

namespace {

using platform::ObjectKind;

HBITMAP NewBitmap() { return CreateBitmap(3, 2, 1, 32, nullptr); }

HPALETTE NewPalette() {
  LOGPALETTE log{0x300, 1, {{1, 2, 3, 0}}};
  return CreatePalette(&log);
}

HGLOBAL NewText(const std::string& text) {
  HGLOBAL memory = GlobalAlloc(GHND, text.size() + 1);
  std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
  GlobalUnlock(memory);
  return memory;
}

std::vector<UINT> Formats() {
  std::vector<UINT> formats;
  for (UINT f = EnumClipboardFormats(0); f != 0; f = EnumClipboardFormats(f)) formats.push_back(f);
  return formats;
}

class ClipboardTest : public PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    globals_ = platform::LiveGlobalCount();
    windows_ = platform::LiveWindowCount();
  }
  void TearDown() override {
    if (GetOpenClipboardWindow() != nullptr || OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
    if (window_ != nullptr) DestroyWindow(window_);
    EXPECT_EQ(platform::LiveGlobalCount(), globals_);
    EXPECT_EQ(platform::LiveWindowCount(), windows_);
    PlatformTest::TearDown();
  }
  HWND Window() {
    if (window_ == nullptr) window_ = CreateMessageWindow([](HWND w, UINT m, WPARAM a, LPARAM b) {
      return DefWindowProc(w, m, a, b);
    });
    return window_;
  }

 private:
  HWND window_ = nullptr;
  std::size_t globals_ = 0;
  std::size_t windows_ = 0;
};

TEST_F(ClipboardTest, EveryCallButOpenFailsWhileClosedAndTheCallerKeepsItsHandle) {
  HBITMAP bitmap = NewBitmap();
  EXPECT_EQ(SetClipboardData(CF_BITMAP, bitmap), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);
  EXPECT_EQ(GetClipboardData(CF_BITMAP), nullptr);
  EXPECT_EQ(EnumClipboardFormats(0), 0u);
  EXPECT_FALSE(EmptyClipboard());
  EXPECT_FALSE(CloseClipboard());
  EXPECT_EQ(GetLastError(), ERROR_CLIPBOARD_NOT_OPEN);
  EXPECT_TRUE(DeleteObject(bitmap));
}

TEST_F(ClipboardTest, OneWindowHoldsItOpenAtATime) {
  HWND other = CreateMessageWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
  ASSERT_TRUE(OpenClipboard(other));
  EXPECT_FALSE(OpenClipboard(Window()));
  EXPECT_EQ(GetLastError(), ERROR_BUSY);
  EXPECT_FALSE(OpenClipboard(nullptr));
  EXPECT_TRUE(OpenClipboard(other));
  EXPECT_EQ(GetOpenClipboardWindow(), other);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_TRUE(OpenClipboard(Window()));
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_EQ(GetClipboardOwner(), Window());
  EXPECT_TRUE(CloseClipboard());
  DestroyWindow(other);
  EXPECT_FALSE(OpenClipboard(other));
}

TEST_F(ClipboardTest, TheClipboardOwnsWhatItIsGivenAndDeletesItOnEmptyReplacementAndShutdown) {
  const std::size_t bitmaps = platform::LiveObjectCount(ObjectKind::Bitmap);
  ASSERT_TRUE(OpenClipboard(Window()));
  EmptyClipboard();
  HBITMAP first = NewBitmap();
  HPALETTE palette = NewPalette();
  HGLOBAL text = NewText("abc");
  EXPECT_EQ(SetClipboardData(CF_TEXT, text), text);
  EXPECT_EQ(SetClipboardData(CF_BITMAP, first), first);
  EXPECT_EQ(SetClipboardData(CF_PALETTE, palette), palette);
  // A replacement keeps the format's place and deletes what it replaces.
  HBITMAP second = NewBitmap();
  EXPECT_EQ(SetClipboardData(CF_BITMAP, second), second);
  EXPECT_EQ(GetObjectType(first), 0u);
  EXPECT_EQ(Formats(), (std::vector<UINT>{CF_TEXT, CF_BITMAP, CF_PALETTE}));
  EXPECT_EQ(CountClipboardFormats(), 3);
  EXPECT_EQ(GetClipboardData(CF_BITMAP), second);
  HGLOBAL held = static_cast<HGLOBAL>(GetClipboardData(CF_TEXT));
  EXPECT_STREQ(static_cast<const char*>(GlobalLock(held)), "abc");
  GlobalUnlock(held);
  EXPECT_EQ(GetClipboardData(CF_DIB), nullptr);
  EXPECT_TRUE(CloseClipboard());

  // Closing hands nothing back: the data is still there at the next opening.
  ASSERT_TRUE(OpenClipboard(Window()));
  EXPECT_EQ(GetClipboardData(CF_PALETTE), palette);
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_EQ(EnumClipboardFormats(0), 0u);
  EXPECT_EQ(platform::LiveObjectCount(ObjectKind::Bitmap), bitmaps);
  EXPECT_EQ(GetObjectType(palette), 0u);

  SetClipboardData(CF_BITMAP, NewBitmap());
  SetClipboardData(CF_TEXT, NewText("x"));
  CloseClipboard();
  platform::ClipboardShutdown();
  EXPECT_EQ(platform::LiveObjectCount(ObjectKind::Bitmap), bitmaps);
}

TEST_F(ClipboardTest, DataOfTheWrongKindIsRefusedAndStaysTheCallers) {
  ASSERT_TRUE(OpenClipboard(Window()));
  HBITMAP bitmap = NewBitmap();
  HPALETTE palette = NewPalette();
  HGLOBAL text = NewText("t");
  EXPECT_EQ(SetClipboardData(CF_BITMAP, palette), nullptr);
  EXPECT_EQ(SetClipboardData(CF_PALETTE, bitmap), nullptr);
  EXPECT_EQ(SetClipboardData(CF_TEXT, bitmap), nullptr);
  EXPECT_EQ(SetClipboardData(CF_BITMAP, text), nullptr);
  EXPECT_EQ(SetClipboardData(CF_BITMAP, nullptr), nullptr);
  EXPECT_EQ(SetClipboardData(0, text), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  // One handle under two formats would be deleted twice.
  ASSERT_EQ(SetClipboardData(CF_TEXT, text), text);
  EXPECT_EQ(SetClipboardData(CF_OEMTEXT, text), nullptr);
  EXPECT_EQ(CountClipboardFormats(), 1);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_TRUE(DeleteObject(palette));
  CloseClipboard();
}

class RecordingBackend final : public platform::ClipboardBackend {
 public:
  explicit RecordingBackend(std::vector<UINT>& published, bool offerText)
      : published_(published), offerText_(offerText) {}
  bool Import(std::vector<platform::ClipboardEntry>& entries) override {
    ++imports;
    if (!offerText_) return false;
    entries.push_back({CF_TEXT, NewText("outside")});
    return true;
  }
  int imports = 0;

  void Publish(const std::vector<platform::ClipboardEntry>& entries) override {
    published_.clear();
    for (const auto& e : entries) published_.push_back(e.format);
    published_.push_back(0);
  }

 private:
  std::vector<UINT>& published_;
  bool offerText_;
};

TEST_F(ClipboardTest, TheBackEndSeesChangesWhenTheClipboardClosesAndMayReplaceItsContentsOnOpening) {
  std::vector<UINT> published;
  auto previous = platform::SetClipboardBackend(std::make_unique<RecordingBackend>(published, false));
  OpenClipboard(Window());
  CloseClipboard();
  EXPECT_TRUE(published.empty());
  OpenClipboard(Window());
  EmptyClipboard();
  SetClipboardData(CF_BITMAP, NewBitmap());
  CloseClipboard();
  EXPECT_EQ(published, (std::vector<UINT>{CF_BITMAP, 0}));

  // Opened while another program's text is on the desktop: ours is deleted.
  const std::size_t bitmaps = platform::LiveObjectCount(ObjectKind::Bitmap);
  platform::SetClipboardBackend(std::make_unique<RecordingBackend>(published, true));
  ASSERT_TRUE(OpenClipboard(Window()));
  EXPECT_EQ(Formats(), std::vector<UINT>{CF_TEXT});
  EXPECT_EQ(platform::LiveObjectCount(ObjectKind::Bitmap), bitmaps - 1);
  EXPECT_EQ(GetClipboardOwner(), nullptr);
  CloseClipboard();
  platform::SetClipboardBackend(std::move(previous));
}

TEST_F(ClipboardTest, OnlyABracketThatReadsOrAddsTakesInWhatOtherProgramsOffer) {
  std::vector<UINT> published;
  auto owned = std::make_unique<RecordingBackend>(published, true);
  RecordingBackend& backend = *owned;
  auto previous = platform::SetClipboardBackend(std::move(owned));
  // Writing a picture never fetches another program's.
  OpenClipboard(Window());
  EmptyClipboard();
  SetClipboardData(CF_BITMAP, NewBitmap());
  CloseClipboard();
  EXPECT_EQ(backend.imports, 0);
  // Reading takes it in once per bracket.
  OpenClipboard(Window());
  EXPECT_EQ(EnumClipboardFormats(0), static_cast<UINT>(CF_TEXT));
  EXPECT_NE(GetClipboardData(CF_TEXT), nullptr);
  CloseClipboard();
  EXPECT_EQ(backend.imports, 1);
  platform::SetClipboardBackend(std::move(previous));
}

TEST_F(ClipboardTest, AMessageWindowSendsItsMessagesToItsProcedureUntilDestroyed) {
  std::vector<UINT> heard;
  HWND window = CreateMessageWindow([&](HWND w, UINT m, WPARAM a, LPARAM b) {
    heard.push_back(m);
    return m == WM_USER ? LRESULT{42} : DefWindowProc(w, m, a, b);
  });
  ASSERT_TRUE(IsWindow(window));
  EXPECT_EQ(SendMessage(window, WM_USER, 0, 0), 42);
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_EQ(heard, (std::vector<UINT>{WM_USER, WM_DESTROY}));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(SendMessage(window, WM_USER, 0, 0), 0);
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_EQ(CreateMessageWindow(nullptr), nullptr);
}

}  // namespace
