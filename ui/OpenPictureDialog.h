// TOpenPictureDialog: the open dialog with a preview pane to the right of the
// standard controls. Each file the user selects is loaded as a picture and
// shown scaled to the pane with its size in pixels; the preview button (or a
// double click on the picture) shows it larger in a window of its own.
#pragma once

#include <exception>
#include <string>

#include "framework/CommonDialog.h"
#include "framework/Label.h"
#include "framework/Panel.h"
#include "framework/SpeedButton.h"
#include "ui/Image.h"

// A panel that paints like any other, but a failure raised while it or a
// control inside it paints sets its caption to "画像が不正です" instead of
// reaching the application: a picture that loads but cannot be drawn then
// shows that text and the dialog goes on.
class TSilentPaintPanel : public TPanel {
  KIRITORI_CLASS(TSilentPaintPanel, TPanel)

  explicit TSilentPaintPanel(TComponent* owner) : TPanel(owner) {}

  bool PaintFailed(const std::exception_ptr& error) override;
};

class TOpenPictureDialog : public TOpenDialog {
  KIRITORI_CLASS(TOpenPictureDialog, TOpenDialog)

  // Filter from the picture registry's text for every graphic class (callers
  // may replace it) and the pane: its panel, the size line, the preview
  // button and the framed picture. The dialog owns them all.
  explicit TOpenPictureDialog(TComponent* owner);
  ~TOpenPictureDialog() override;

  // Runs the open dialog with the pane (none with ofOldStyleDialog). True
  // when the user confirmed an existing file, then in FileName. Like every
  // picture dialog it opens in the folder of the file last confirmed in a
  // picture dialog during this run, if any.
  bool Run() override;

  // Every picture dialog starts, from now on in this run, in the folder of
  // fileName: a picture just opened or saved. The dialogs note the names
  // confirmed in them themselves.
  static void NotePictureFile(const std::string& fileName);

  // Shows the selected picture in a modal "プレビュー" window, at most three
  // quarters of the monitor in each direction; Escape closes it. The window
  // is destroyed when it closes, also when showing it fails.
  virtual void ShowPreviewWindow(TObject* sender);

  TPanel& PicturePanel() const { return *picturePanel_; }
  TLabel& PictureLabel() const { return *pictureLabel_; }
  TSpeedButton& PreviewButton() const { return *previewButton_; }
  TSilentPaintPanel& PaintPanel() const { return *paintPanel_; }
  TImage& PreviewImage() const { return *previewImage_; }
  // The last file for which a preview was attempted; empty at each start.
  const std::string& SavedFileName() const { return savedFileName_; }

 protected:
  // Places the pane in the template window, beside the standard controls,
  // resets it to "no picture" and fires OnShow.
  void DialogShown() override;
  // Previews the selected file unless it is the one previewed last (a JPEG
  // upright, as its Exif orientation says), then fires OnSelectionChange.
  void SelectionChanged() override;
  // Frees the preview's decoded pixels (the picture stays), then the open
  // dialog's closing step.
  void DialogClosing() override;
  // Runs the open or save dialog with the pane, starting in the folder of
  // the last picture noted, and notes the one confirmed now.
  bool RunPictureDialog(bool saving);

 private:
  void ShowNoPicture();

  TPanel* picturePanel_;
  TLabel* pictureLabel_;
  TSpeedButton* previewButton_;
  TSilentPaintPanel* paintPanel_;
  TImage* previewImage_;
  std::string savedFileName_;
  // The previewed picture's full size upright, and whether its orientation
  // turns it (the pane then holds a turned bitmap of the pane's size).
  std::int32_t previewWidth_ = 0;
  std::int32_t previewHeight_ = 0;
  bool previewTurned_ = false;
};
