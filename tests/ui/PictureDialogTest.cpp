#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Screen.h"
#include "framework/Testing.h"
#include "graphics/Bitmap.h"
#include "jpeg/JpegImage.h"
#include "platform/FileQueries.h"
#include "runtime/Strings.h"
#include "tests/framework/Support.h"
#include "tests/jpeg/ExifTestSupport.h"
#include "ui/OpenPictureDialog.h"
#include "ui/SavePictureDialog.h"

namespace {

namespace ft = framework::testing;

void WriteJpeg(const std::string& path, int width, int height, TColor color) {
  TBitmap bitmap;
  bitmap.SetWidth(width);
  bitmap.SetHeight(height);
  bitmap.Canvas().Brush().SetColor(color);
  bitmap.Canvas().FillArea(Rect(0, 0, width, height));
  TJPEGImage jpeg;
  jpeg.CopyFrom(&bitmap);
  jpeg.SaveFile(path);
}

bool Near(TColor a, TColor b) {
  for (int shift : {0, 8, 16}) {
    const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
    if (d < -12 || d > 12) return false;
  }
  return true;
}

class PictureDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("kiritori-picdlg-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_ / "folder.jpg");
    WriteJpeg(Path("red.jpg"), 640, 480, 0x0000FF);
    WriteJpeg(Path("blue.jpg"), 320, 240, 0xFF0000);
    std::ofstream(folder_ / "a.jpg") << "not a picture\n";
    dialog_.SetFilter(std::string(strings::PictureFilter) + strings::AllFilesFilter);
  }
  void TearDown() override {
    std::filesystem::remove_all(folder_);
    framework::SetScreenWorkAreaForTesting(Rect(0, 0, 800, 600));
  }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  // Runs the dialog, doing steps from inside it, then cancels it.
  bool RunWith(TOpenPictureDialog& dialog, const std::function<void()>& steps) {
    ft::RunLater([&] {
      steps();
      ft::CancelFileDialog();
    });
    return dialog.Run();
  }

  // The client area of the preview window's panel for a 100 x 80 picture.
  TRect PreviewPanelClient(const std::string& path) {
    WriteJpeg(path, 100, 80, 0x00FF00);
    TRect client{};
    RunWith(dialog_, [&] {
      ft::SelectInFileDialog(path);
      ft::RunLater([&] {
        auto* form = dynamic_cast<TCustomForm*>(dialog_.FindComponent("PreviewForm"));
        ASSERT_NE(form, nullptr);
        auto* panel = dynamic_cast<TControl*>(form->FindComponent("Panel"));
        ASSERT_NE(panel, nullptr);
        client = Rect(0, 0, panel->ClientWidth(), panel->ClientHeight());
        ft::PressKey(*form, VK_ESCAPE, TShiftState{});
      });
      ft::PressMouse(dialog_.PreviewButton(), mbLeft, ssLeft, 5, 5);
      ft::ReleaseMouse(dialog_.PreviewButton(), mbLeft, TShiftState{}, 5, 5);
    });
    return client;
  }

  std::filesystem::path folder_;
  TComponent owner_;
  TOpenPictureDialog& dialog_ = *runtime::CreateComponent<TOpenPictureDialog>(owner_);
};

TEST_F(PictureDialogTest, APictureShowsItsSizeAndScaledPixelsAnythingElseShowsNone) {
  const std::size_t findHandles = platform::LiveFindHandleCount();
  bool placed = false;
  std::vector<std::string> filters;
  int filterIndex = -1;
  RunWith(dialog_, [&] {
    placed = dialog_.PicturePanel().Showing() && dialog_.PreviewImage().Width() > 0;
    filters = ft::FileDialogFilters();
    filterIndex = ft::FileDialogFilterIndex();
    EXPECT_EQ(dialog_.PaintPanel().Caption(), strings::PreviewNone);

    ft::SelectInFileDialog(Path("red.jpg"));
    EXPECT_EQ(dialog_.PictureLabel().Caption(), " (640x480)");
    EXPECT_TRUE(dialog_.PreviewButton().Enabled());
    EXPECT_EQ(dialog_.PaintPanel().Caption(), "");
    TImage& image = dialog_.PreviewImage();
    EXPECT_TRUE(Near(ft::PixelAt(image, image.Width() / 2, image.Height() / 2), 0x0000FF));
    const TRect target = image.TargetRect();
    EXPECT_EQ(target.Right - target.Left, image.ClientWidth());  // scaled to the pane, not cut

    std::filesystem::copy_file(Path("blue.jpg"), Path("blue.jpeg"));
    ft::SelectInFileDialog(Path("blue.jpeg"));
    EXPECT_EQ(dialog_.PictureLabel().Caption(), " (320x240)");

    for (const char* other : {"a.jpg", "folder.jpg", "missing.jpg"}) {
      ft::SelectInFileDialog(Path(other));
      EXPECT_EQ(dialog_.PictureLabel().Caption(), strings::PreviewPictureLabel) << other;
      EXPECT_EQ(dialog_.PaintPanel().Caption(), strings::PreviewNone) << other;
      EXPECT_FALSE(dialog_.PreviewButton().Enabled()) << other;
      EXPECT_EQ(dialog_.PreviewImage().Picture().Graphic(), nullptr) << other;
    }
  });
  EXPECT_TRUE(placed);
  EXPECT_EQ(platform::LiveFindHandleCount(), findHandles);
  EXPECT_EQ(filters, (std::vector<std::string>{"画像ファイル(*.jpg;*.jpeg;*.bmp)", "全ファイル(*.*)"}));
  EXPECT_EQ(filterIndex, 0);
}

TEST_F(PictureDialogTest, ThePreviewButtonCarriesASixteenColourGlyphAndItsHint) {
  TBitmap& glyph = dialog_.PreviewButton().Glyph();
  EXPECT_EQ(glyph.Width(), 16);
  EXPECT_EQ(glyph.Height(), 16);
  EXPECT_EQ(glyph.BitDepth(), bd4Bit);
  EXPECT_EQ(dialog_.PreviewButton().Hint(), strings::PreviewCaption);
  EXPECT_TRUE(dialog_.PreviewButton().ShowHint());
}

TEST_F(PictureDialogTest, TheSameFileAgainIsNotReloadedAnotherOneInBetweenReloadsIt) {
  int changes = 0;
  dialog_.OnSelectionChange = [&](TObject*) { ++changes; };
  RunWith(dialog_, [&] {
    ft::SelectInFileDialog(Path("red.jpg"));
    // The file changes on disk; only a reload would notice.
    std::filesystem::copy_file(Path("blue.jpg"), Path("red.jpg"), std::filesystem::copy_options::overwrite_existing);
    ft::SelectInFileDialog(Path("red.jpg"));
    EXPECT_EQ(dialog_.PictureLabel().Caption(), " (640x480)");
    ft::SelectInFileDialog(Path("a.jpg"));
    ft::SelectInFileDialog(Path("red.jpg"));
    EXPECT_EQ(dialog_.PictureLabel().Caption(), " (320x240)");
  });
  EXPECT_EQ(changes, 4);
}

TEST_F(PictureDialogTest, ThePreviewWindowFitsThreeQuartersOfTheMonitorAndEscapeClosesIt) {
  WriteJpeg(Path("large.jpg"), 4000, 3000, 0x00FF00);
  framework::SetScreenWorkAreaForTesting(Rect(0, 0, 1280, 1024));
  int width = 0;
  int height = 0;
  int decodedWidth = 0;
  int shownWidth = 0;
  bool closed = false;
  RunWith(dialog_, [&] {
    ft::SelectInFileDialog(Path("large.jpg"));
    ft::RunLater([&] {
      auto* form = dynamic_cast<TCustomForm*>(dialog_.FindComponent("PreviewForm"));
      ASSERT_NE(form, nullptr);
      EXPECT_EQ(form->Caption(), strings::PreviewCaption);
      width = form->ClientWidth();
      height = form->ClientHeight();
      // The window decodes at the scale that covers it: a quarter, here.
      auto* image = dynamic_cast<TImage*>(form->FindComponent("Image"));
      ASSERT_NE(image, nullptr);
      ft::PixelAt(*image, image->Width() / 2, image->Height() / 2);
      auto* jpeg = dynamic_cast<TJPEGImage*>(image->Picture().Graphic());
      ASSERT_NE(jpeg, nullptr);
      ASSERT_NE(jpeg->CachedBitmap(), nullptr);
      decodedWidth = jpeg->CachedBitmap()->Width();
      shownWidth = image->TargetRect().Right - image->TargetRect().Left;
      ft::PressKey(*form, VK_ESCAPE, TShiftState{});
    });
    ft::PressMouse(dialog_.PreviewButton(), mbLeft, ssLeft, 5, 5);
    ft::ReleaseMouse(dialog_.PreviewButton(), mbLeft, TShiftState{}, 5, 5);
    closed = dialog_.FindComponent("PreviewForm") == nullptr;
  });
  EXPECT_GT(width, 0);
  EXPECT_LE(width, 960);
  EXPECT_LE(height, 768);
  EXPECT_EQ(decodedWidth, 1000);
  EXPECT_GE(decodedWidth, shownWidth);
  EXPECT_TRUE(closed);
}

TEST_F(PictureDialogTest, ThePreviewWindowShowsASmallPictureAtItsOwnSize) {
  EXPECT_EQ(PreviewPanelClient(Path("small.jpg")), Rect(0, 0, 100, 80));
}

// On a desktop scaled by 2 the 100 x 80 picture needs 50 x 40 of the panel's
// logical pixels.
TEST_F(PictureDialogTest, HiDpiThePreviewWindowCountsThePictureInDevicePixels) {
  if (!DesktopScaled()) GTEST_SKIP() << kNeedsScaledDesktop;
  EXPECT_EQ(PreviewPanelClient(Path("small.jpg")), Rect(0, 0, 50, 40));
}

TEST_F(PictureDialogTest, APortraitPhotoShowsUprightWithItsUprightSizeInThePaneAndTheWindow) {
  std::ifstream stored(Path("red.jpg"), std::ios::binary);
  const exiftest::Bytes bytes{std::istreambuf_iterator<char>(stored), {}};
  const exiftest::Bytes portrait = exiftest::WithOrientation(bytes, 6);
  std::ofstream(Path("portrait.jpg"), std::ios::binary)
      .write(reinterpret_cast<const char*>(portrait.data()), static_cast<std::streamsize>(portrait.size()));
  int windowWidth = 0;
  int windowHeight = 0;
  RunWith(dialog_, [&] {
    ft::SelectInFileDialog(Path("portrait.jpg"));
    EXPECT_EQ(dialog_.PictureLabel().Caption(), " (480x640)");
    TGraphic* shown = dialog_.PreviewImage().Picture().Graphic();
    ASSERT_NE(dynamic_cast<TBitmap*>(shown), nullptr);
    // Upright, and no larger than the pane needs.
    EXPECT_EQ(shown->Width() * 4, shown->Height() * 3);
    EXPECT_LT(shown->Width(), 480);
    ft::RunLater([&] {
      auto* form = dynamic_cast<TCustomForm*>(dialog_.FindComponent("PreviewForm"));
      ASSERT_NE(form, nullptr);
      auto* image = dynamic_cast<TImage*>(form->FindComponent("Image"));
      ASSERT_NE(image, nullptr);
      windowWidth = image->Picture().Width();
      windowHeight = image->Picture().Height();
      ft::PressKey(*form, VK_ESCAPE, TShiftState{});
    });
    ft::PressMouse(dialog_.PreviewButton(), mbLeft, ssLeft, 5, 5);
    ft::ReleaseMouse(dialog_.PreviewButton(), mbLeft, TShiftState{}, 5, 5);

    // A photo without an orientation stays the JPEG it is.
    ft::SelectInFileDialog(Path("red.jpg"));
    EXPECT_NE(dynamic_cast<TJPEGImage*>(dialog_.PreviewImage().Picture().Graphic()), nullptr);
  });
  EXPECT_EQ(windowWidth, 480);
  EXPECT_EQ(windowHeight, 640);
}

TEST_F(PictureDialogTest, APictureThatFailsWhilePaintedSaysSoAndTheDialogStays) {
  // A header that claims 20000 × 20000 pixels, padded so that its bytes can
  // carry them, loads; but the machine has no memory for even its eighth.
  WriteJpeg(Path("huge.jpg"), 16, 16, 0x00FF00);
  std::ifstream in(Path("huge.jpg"), std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  for (std::size_t i = 0; i + 8 < bytes.size(); ++i) {
    if (static_cast<unsigned char>(bytes[i]) == 0xFF && static_cast<unsigned char>(bytes[i + 1]) == 0xC0) {
      for (std::size_t at : {i + 5, i + 7}) {
        bytes[at] = static_cast<char>(0x4E);
        bytes[at + 1] = static_cast<char>(0x20);
      }
      break;
    }
  }
  std::vector<char> padding;
  for (int segment = 0; segment < 7; ++segment) {
    padding.insert(padding.end(), {static_cast<char>(0xFF), static_cast<char>(0xEF), static_cast<char>(0xFF),
                                   static_cast<char>(0xFF)});
    padding.insert(padding.end(), 65533, 0);
  }
  bytes.insert(bytes.begin() + 2, padding.begin(), padding.end());
  std::ofstream(Path("huge.jpg"), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  setenv("KIRITORI_MEMAVAILABLE_KB", "1024", 1);

  int boxes = 0;
  const auto previous = framework::SetMessageBoxHook([&](const std::string&, const std::string&, unsigned) {
    ++boxes;
    return framework::IDOK;
  });
  bool stays = false;
  std::string windowSays;
  RunWith(dialog_, [&] {
    ft::SelectInFileDialog(Path("huge.jpg"));
    EXPECT_EQ(dialog_.PictureLabel().Caption(), " (20000x20000)");
    ft::PixelAt(dialog_.PaintPanel(), 10, 10);
    ft::ProcessEvents();
    EXPECT_EQ(dialog_.PaintPanel().Caption(), strings::PreviewInvalid);
    stays = ft::FileDialogShowing();
    // The preview window says so too, however often it repaints.
    ft::RunLater([&] {
      auto* form = dynamic_cast<TCustomForm*>(dialog_.FindComponent("PreviewForm"));
      ASSERT_NE(form, nullptr);
      auto* panel = dynamic_cast<TPanel*>(form->FindComponent("Panel"));
      ASSERT_NE(panel, nullptr);
      for (int i = 0; i < 3; ++i) {
        ft::PixelAt(*panel, 20, 20);
        ft::ProcessEvents();
      }
      windowSays = panel->Caption();
      ft::PressKey(*form, VK_ESCAPE, TShiftState{});
    });
    ft::PressMouse(dialog_.PreviewButton(), mbLeft, ssLeft, 5, 5);
    ft::ReleaseMouse(dialog_.PreviewButton(), mbLeft, TShiftState{}, 5, 5);
  });
  framework::SetMessageBoxHook(previous);
  unsetenv("KIRITORI_MEMAVAILABLE_KB");
  EXPECT_TRUE(stays);
  EXPECT_EQ(windowSays, strings::PreviewInvalid);
  EXPECT_EQ(boxes, 0);
}

TEST_F(PictureDialogTest, APictureIsDecodedOnceAtThePanesScaleAndFreedWhenTheDialogCloses) {
  WriteJpeg(Path("photo.jpg"), 1200, 800, 0x808080);
  int decodes = 0;
  dialog_.PreviewImage().OnProgress = [&](TObject*, TProgressStage stage, std::uint8_t, bool, const TRect&,
                                          const std::string&) { decodes += stage == psStarting ? 1 : 0; };
  int decodedWidth = 0;
  TJPEGImage* jpeg = nullptr;
  RunWith(dialog_, [&] {
    ft::SelectInFileDialog(Path("photo.jpg"));
    EXPECT_EQ(dialog_.PictureLabel().Caption(), " (1200x800)");
    TImage& image = dialog_.PreviewImage();
    ft::PixelAt(image, 10, image.Height() / 2);
    ft::PixelAt(image, image.Width() / 2, image.Height() / 2);
    jpeg = dynamic_cast<TJPEGImage*>(image.Picture().Graphic());
    ASSERT_NE(jpeg, nullptr);
    ASSERT_NE(jpeg->CachedBitmap(), nullptr);
    decodedWidth = jpeg->CachedBitmap()->Width();
    // What the pane shows is covered by what was decoded.
    EXPECT_GE(decodedWidth, image.TargetRect().Right - image.TargetRect().Left);
  });
  EXPECT_EQ(decodes, 1);
  EXPECT_LE(decodedWidth, 300);
  ASSERT_EQ(dialog_.PreviewImage().Picture().Graphic(), jpeg);
  EXPECT_EQ(jpeg->CachedBitmap(), nullptr);
}

TEST_F(PictureDialogTest, EachPictureDialogStartsInTheFolderOfTheLastPictureConfirmed) {
  std::filesystem::create_directories(folder_ / "sub");
  ft::RunLater([&] { ft::AcceptFileDialog(Path("red.jpg")); });
  ASSERT_TRUE(dialog_.Run());
  TSavePictureDialog& save = *runtime::CreateComponent<TSavePictureDialog>(owner_);
  std::string savesFrom;
  ft::RunLater([&] {
    savesFrom = ft::FileDialogDirectory();
    ft::AcceptFileDialog(Path("sub/piece.jpg"));
  });
  ASSERT_TRUE(save.Run());
  std::string opensFrom;
  RunWith(dialog_, [&] { opensFrom = ft::FileDialogDirectory(); });
  // A picture opened another way (dropped, named at start) counts too.
  TOpenPictureDialog::NotePictureFile(Path("dropped.jpg"));
  std::string thenFrom;
  RunWith(dialog_, [&] { thenFrom = ft::FileDialogDirectory(); });
  EXPECT_EQ(savesFrom, folder_.string());
  EXPECT_EQ(opensFrom, (folder_ / "sub").string());
  EXPECT_EQ(thenFrom, folder_.string());
}

TEST_F(PictureDialogTest, TheOldStyleDialogHasNoPane) {
  dialog_.SetOptions(TOpenOptions{ofOldStyleDialog});
  bool paneShowing = true;
  RunWith(dialog_, [&] {
    paneShowing = dialog_.PicturePanel().Showing();
    ft::SelectInFileDialog(Path("red.jpg"));  // still previews, just nowhere to see
  });
  EXPECT_FALSE(paneShowing);
  EXPECT_EQ(dialog_.PicturePanel().Parent(), nullptr);
}

TEST_F(PictureDialogTest, TheSaveDialogAddsTheDefaultExtensionAndReplacesWithoutAsking) {
  TSavePictureDialog& save = *runtime::CreateComponent<TSavePictureDialog>(owner_);
  save.SetDefaultExt(strings::DefaultSaveExtension);
  std::string suffix;
  std::string preview;
  ft::RunLater([&] {
    suffix = ft::FileDialogDefaultSuffix();
    ft::SelectInFileDialog(Path("red.jpg"));
    preview = save.PictureLabel().Caption();
    ft::AcceptFileDialog(Path("piece"));
  });
  ASSERT_TRUE(save.Run());
  EXPECT_EQ(suffix, "jpg");
  EXPECT_EQ(preview, " (640x480)");
  EXPECT_EQ(save.FileName(), Path("piece.jpg"));

  ft::RunLater([&] { ft::AcceptFileDialog(Path("red.jpg")); });
  ASSERT_TRUE(save.Run());
  EXPECT_EQ(save.FileName(), Path("red.jpg"));
}

}  // namespace
