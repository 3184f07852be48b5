#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "framework/CommonDialog.h"
#include "framework/Testing.h"
#include "runtime/Strings.h"

namespace {

using framework::testing::RunLater;

class FileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("kiritori-dialog-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder_ / "elsewhere");
    std::ofstream(folder_ / "elsewhere" / "photo.jpg") << "x";
    std::ofstream(folder_ / "old.jpg") << "x";
    dialog_.SetFilter(std::string(strings::PictureFilter) + strings::AllFilesFilter);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  std::filesystem::path folder_;
  TComponent owner_;
  TOpenDialog& dialog_ = *runtime::CreateComponent<TOpenDialog>(owner_);
};

TEST_F(FileDialogTest, OpensAFileTypedWithItsFullPathInAnotherFolder) {
  dialog_.SetFileName(Path("old.jpg"));
  int shown = 0;
  int closed = 0;
  dialog_.OnShow = [&](TObject*) { ++shown; };
  std::string nameWhenClosing;
  dialog_.OnClose = [&](TObject*) {
    ++closed;
    nameWhenClosing = dialog_.FileName();
  };
  std::vector<std::string> filters;
  int filterIndex = -1;
  bool showing = false;
  RunLater([&] {
    showing = framework::testing::FileDialogShowing();
    filters = framework::testing::FileDialogFilters();
    filterIndex = framework::testing::FileDialogFilterIndex();
    framework::testing::AcceptFileDialog(Path("elsewhere/photo.jpg"));
  });
  ASSERT_TRUE(dialog_.Run());
  EXPECT_TRUE(showing);
  EXPECT_EQ(dialog_.FileName(), Path("elsewhere/photo.jpg"));
  EXPECT_EQ(filters, (std::vector<std::string>{"画像ファイル(*.jpg;*.jpeg;*.bmp)", "全ファイル(*.*)"}));
  EXPECT_EQ(filterIndex, 0);
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(closed, 1);
  EXPECT_EQ(nameWhenClosing, Path("elsewhere/photo.jpg"));
  EXPECT_FALSE(framework::testing::FileDialogShowing());
}

TEST_F(FileDialogTest, TheFileTypeChosenIsTheFilterIndexAfterwards) {
  RunLater([&] {
    framework::testing::ChooseFileDialogFilter(1);
    framework::testing::AcceptFileDialog(Path("elsewhere/photo.jpg"));
  });
  ASSERT_TRUE(dialog_.Run());
  EXPECT_EQ(dialog_.FilterIndex(), 2);
  int shownFirst = -1;
  RunLater([&] {
    shownFirst = framework::testing::FileDialogFilterIndex();
    framework::testing::CancelFileDialog();
  });
  EXPECT_FALSE(dialog_.Run());
  EXPECT_EQ(shownFirst, 1);
}

TEST_F(FileDialogTest, CancelKeepsTheFileName) {
  dialog_.SetFileName(Path("old.jpg"));
  RunLater([] { framework::testing::CancelFileDialog(); });
  EXPECT_FALSE(dialog_.Run());
  EXPECT_EQ(dialog_.FileName(), Path("old.jpg"));
}

TEST_F(FileDialogTest, SelectionChangesReportThePathWhileTheDialogRuns) {
  std::vector<std::string> seen;
  dialog_.OnSelectionChange = [&](TObject*) { seen.push_back(dialog_.FileName()); };
  RunLater([&] {
    framework::testing::SelectInFileDialog(Path("elsewhere/photo.jpg"));
    framework::testing::CancelFileDialog();
  });
  EXPECT_FALSE(dialog_.Run());
  EXPECT_EQ(seen, std::vector<std::string>{Path("elsewhere/photo.jpg")});
}

TEST_F(FileDialogTest, SaveAddsTheDefaultExtensionAndDoesNotAskBeforeReplacing) {
  TSaveDialog& save = *runtime::CreateComponent<TSaveDialog>(owner_);
  save.SetDefaultExt(strings::DefaultSaveExtension);
  std::string suffix;
  RunLater([&] {
    suffix = framework::testing::FileDialogDefaultSuffix();
    framework::testing::AcceptFileDialog(Path("piece"));
  });
  ASSERT_TRUE(save.Run());
  EXPECT_EQ(suffix, "jpg");
  EXPECT_EQ(save.FileName(), Path("piece.jpg"));

  RunLater([&] { framework::testing::AcceptFileDialog(Path("old.jpg")); });
  ASSERT_TRUE(save.Run());  // an existing file is taken without a question
  EXPECT_EQ(save.FileName(), Path("old.jpg"));
}

TEST_F(FileDialogTest, OpenRefusesAMissingFileUntilTheUserCancels) {
  bool stays = false;
  RunLater([&] {
    framework::testing::AcceptFileDialog(Path("missing.jpg"));
    stays = framework::testing::FileDialogShowing();
    framework::testing::CancelFileDialog();
  });
  EXPECT_FALSE(dialog_.Run());
  EXPECT_TRUE(stays);
}

}  // namespace
