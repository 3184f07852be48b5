// The cut-result window: shows the piece the main window's Cut hands it and
// saves it. Closing it only hides it.
#pragma once

#include "framework/Form.h"
#include "framework/Menu.h"
#include "framework/ScrollBox.h"

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

  // Handlers bound in the definition.
  void FileMenuSaveClick(TObject* Sender);
  // Closes the window, which hides it; the piece stays until the next Cut.
  void FileMenuCloseClick(TObject* Sender);

  // pieceView, the view of the current piece (null until the first Cut),
  // joins these fields together with the image view.

 private:
  void BuildFromDefinition();
};

// The cut-result window, made second at start-up; null before and after.
extern TdispForm* dispForm;
