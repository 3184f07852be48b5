// The main window: it shows the opened picture in a medium-grey scroll box,
// the file name or the selection in its status bar, and carries the commands
// Open, Close, Cut and To clipboard.
#pragma once

#include "framework/Form.h"
#include "framework/Menu.h"
#include "framework/ScrollBox.h"
#include "framework/StatusBar.h"
#include "graphics/Types.h"
#include "ui/Image.h"

class TmainForm : public TForm {
  KIRITORI_CLASS(TmainForm, TForm)

  // Builds the window and its components from its definition, then shows one
  // line of text in the status bar and previews keys. Starts hidden.
  explicit TmainForm(TComponent* owner);
  ~TmainForm() override;

  // Components, in creation order; owned by the window.
  TScrollBox* ScrollBox = nullptr;
  // The picture at 1:1, sized to it; carries the selection outline.
  TImage* Image = nullptr;
  // Hidden scratch view for the clipboard command.
  TImage* Image2 = nullptr;
  TStatusBar* SB = nullptr;
  TMainMenu* MainMenu = nullptr;
  TMenuItem* FileMenu = nullptr;
  TMenuItem* FileMenuOpen = nullptr;
  TMenuItem* FileMenuClose = nullptr;
  TMenuItem* toolMenu = nullptr;
  TMenuItem* toolMenuCut = nullptr;
  TMenuItem* toolMenuClipbd = nullptr;

  // Handlers bound in the definition.
  void FileMenuOpenClick(TObject* Sender);
  // Closes the window, which ends the program.
  void FileMenuCloseClick(TObject* Sender);
  void toolMenuCutClick(TObject* Sender);
  void toolMenuClipbdClick(TObject* Sender);
  void FormKeyDown(TObject* Sender, TVirtualKey& Key, TShiftState Shift);
  void ImageMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void ImageMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void ImageMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

  // A mouse drag over the view is in progress.
  bool dragging = false;
  // The XOR outline of selection is drawn on the view.
  bool outlineShown = false;
  // Where a drag started (Left, Top) and where it is now (Right, Bottom), in
  // picture pixels; may be reversed.
  TRect selection{};
  // currentImage, the image holder of the picture last opened (owned, null
  // until the first Open), joins these fields together with its class.

 private:
  void BuildFromDefinition();
};

// The main window, made first at start-up; null before and after.
extern TmainForm* mainForm;
