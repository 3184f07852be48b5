// The main window: it shows the opened picture in a medium-grey scroll box,
// the file name or the selection in its status bar, and carries the commands
// Open, Close, Cut and To clipboard.
#pragma once

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "framework/Form.h"
#include "framework/Menu.h"
#include "framework/ScrollBox.h"
#include "framework/StatusBar.h"
#include "framework/Timer.h"
#include "graphics/Types.h"
#include "imaging/Cimg.h"
#include "ui/Image.h"
#include "ui/Loupe.h"
#include "ui/OpenPictureDialog.h"

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
  TMenuItem* viewMenu = nullptr;
  TMenuItem* viewMenuActual = nullptr;
  TMenuItem* viewMenuFit = nullptr;
  TMenuItem* viewMenuZoomIn = nullptr;
  TMenuItem* viewMenuZoomOut = nullptr;
  TMenuItem* viewMenuLoupe = nullptr;
  TOpenPictureDialog* OpenDialog = nullptr;
  // Hides the loupe a while after a nudge; disabled otherwise.
  TTimer* loupeTimer = nullptr;
  // Made the first time the loupe shows; null until then.
  TLoupe* loupe = nullptr;

  // Sizes the client area to holder's picture as the view shows it, on
  // device pixels at the current zoom, plus the status bar below it. In the
  // whole-picture mode a picture larger than the work area gets all of it,
  // and the zoom becomes what shows the whole picture there.
  void FitToPicture(Cimg* holder);

  // Loads fileName (a full path) into a new holder, which replaces
  // currentImage once its picture is shown at full size; fits the window to it
  // and names it in the status bar. A file that fails to load leaves the view,
  // the holder and the window as they were, and the status bar says
  // "「NAME」を開けませんでした（REASON）" until the next drag, key or Open. What
  // Open does once a file is chosen, and what a file named at start or
  // dropped on the window gets.
  void OpenPicture(const std::string& fileName);

  // Of files dragged onto the window, the first that the holder reads by its
  // extension and that is a file (not a folder); empty when there is none.
  // A drop opens it; while there is none, the window takes no drop.
  static std::string FirstPictureFile(const std::vector<std::string>& files);

  // Handlers bound in the definition.
  // Open: runs the dialog and opens the chosen file.
  void FileMenuOpenClick(TObject* Sender);
  // Closes the window, which ends the program.
  void FileMenuCloseClick(TObject* Sender);
  // Cut: shows the selected piece of the holder's picture in the cut-result
  // window.
  void toolMenuCutClick(TObject* Sender);
  // To clipboard: puts the selected piece on the clipboard, or the whole
  // picture when the selection is a point (which then becomes the selection).
  void toolMenuClipbdClick(TObject* Sender);
  // Arrow keys move the selection (Shift: its Left or Top edge only, Ctrl: its
  // Right or Bottom edge only); every key redraws the outline.
  void FormKeyDown(TObject* Sender, TVirtualKey& Key, TShiftState Shift);
  void ImageMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void ImageMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void ImageMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  // Ctrl with the wheel zooms in (away from the user) or out, keeping the
  // picture point under the pointer where it is.
  void ImageMouseWheel(TObject* Sender, TShiftState Shift, int WheelDelta, int X, int Y, bool& Handled);
  // The view menu: 1:1; the whole picture, kept on every resize and Open
  // until another zoom command; the next zoom step above or below the
  // current factor, about the view's centre.
  void viewMenuActualClick(TObject* Sender);
  void viewMenuFitClick(TObject* Sender);
  void viewMenuZoomInClick(TObject* Sender);
  void viewMenuZoomOutClick(TObject* Sender);
  // The loupe: a check item, off at start. While it is on, the loupe shows
  // the pixels around the moving corner during a drag and for a second
  // after each nudge: (Left, Top) after Shift with an arrow, (Right, Bottom)
  // otherwise. Turned off, it hides the loupe.
  void viewMenuLoupeClick(TObject* Sender);

  // A mouse drag over the view is in progress.
  bool dragging = false;
  // The XOR outline of selection is drawn on the view.
  bool outlineShown = false;
  // Where a drag started (Left, Top) and where it is now (Right, Bottom), in
  // picture pixels; may be reversed.
  TRect selection{};
  // The picture shown, from which Cut and To clipboard copy; null until the
  // first successful Open, replaced by every successful one.
  std::unique_ptr<Cimg> currentImage;
  // The zoom (the view's, kept for later Opens) follows the window so that
  // the whole picture shows.
  bool fitWhole = false;

  // Inverts the outline of rect (through its columns Left and Right and rows
  // Top and Bottom) on view's canvas with the canvas's pen, and shows rect in
  // the status bar. Drawing the same outline twice leaves no trace. At any
  // zoom but 1:1 the view inverts it over the shown picture instead and the
  // bitmap never carries it.
  void DrawOutline(TImage* view, const TRect& rect);

 private:
  void BuildFromDefinition();
  // The white XOR pen the outline is drawn with.
  void PrepareOutlinePen();
  // The holder has a picture to cut from.
  bool HasPicture() const;
  // Shows why opening fileName failed in the status bar; never raises.
  void ShowOpenFailure(const std::string& fileName, const std::exception_ptr& failure) noexcept;
  // Shows the view at factor, keeping the picture point under the view's
  // device position (anchorX, anchorY) where it is on screen. The outline
  // moves between the bitmap (1:1) and the view's frame (any other zoom).
  void ShowZoom(TZoom factor, int anchorX, int anchorY);
  // The view's centre in its device pixels.
  void ShowZoomAboutCentre(TZoom factor);
  // The factor that shows the whole picture in the scroll box.
  TZoom WholePictureZoom() const;
  // With the loupe on, shows it around selection's (Left, Top) corner or
  // its (Right, Bottom) one; nothing while it is off.
  void ShowLoupe(bool leftTop);
  void HideLoupe();
};

// The main window, made first at start-up; null before and after.
extern TmainForm* mainForm;
