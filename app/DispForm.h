// The cut-result window: shows the piece the main window's Cut hands it and
// saves it. Closing it only hides it.
#pragma once

#include <string>

#include "framework/Form.h"
#include "framework/Menu.h"
#include "framework/ScrollBox.h"
#include "graphics/Types.h"
#include "imaging/Cimg.h"
#include "ui/Image.h"
#include "ui/SavePictureDialog.h"

class TdispForm : public TForm {
  KIRITORI_CLASS(TdispForm, TForm)

  // Builds the window and its components from its definition. Starts hidden.
  explicit TdispForm(TComponent* owner);
  ~TdispForm() override;

  // Components, in creation order; owned by the window.
  TScrollBox* ScrollBox = nullptr;
  TMainMenu* MainMenu = nullptr;
  TMenuItem* FileMenu = nullptr;
  TMenuItem* FileMenuSave = nullptr;
  TMenuItem* FileMenuClose = nullptr;
  TSavePictureDialog* SaveDialog = nullptr;

  // Shows rect of holder's picture (put in order first; Right and Bottom
  // exclusive) in a new view of the piece's size, replacing the old view, and
  // fits the window to it. Nothing for a null holder or one without a
  // picture; other failures are dropped. Pixels outside the picture are white.
  void ShowPiece(Cimg* holder, const TRect& rect);

  // Handlers bound in the definition.
  // Save: writes the piece as JPEG or BMP by the extension of the name chosen;
  // any other extension writes nothing. A failure shows a message box titled
  // with the window's caption: "「NAME」に保存できませんでした（REASON）", or for
  // another extension the formats' names. An existing file stays as it was.
  void FileMenuSaveClick(TObject* Sender);
  // Closes the window, which hides it; the piece stays until the next Cut.
  void FileMenuCloseClick(TObject* Sender);

  // The view of the current piece: null until the first Cut, replaced by
  // every Cut. Owned by the window and destroyed by it explicitly.
  TImage* pieceView = nullptr;

 private:
  void BuildFromDefinition();
  // Writes the piece to fileName; what went wrong, or empty.
  std::string SavePiece(const std::string& fileName);
};

// The cut-result window, made second at start-up; null before and after.
extern TdispForm* dispForm;
