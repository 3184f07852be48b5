// TSavePictureDialog: the save dialog with the open-picture dialog's preview
// pane; selecting an existing picture previews it the same way.
#pragma once

#include "ui/OpenPictureDialog.h"

class TSavePictureDialog : public TOpenPictureDialog {
  KIRITORI_CLASS(TSavePictureDialog, TOpenPictureDialog)

  explicit TSavePictureDialog(TComponent* owner) : TOpenPictureDialog(owner) {}

  // Runs the save dialog with the pane (none with ofOldStyleDialog): any name
  // may be given, DefaultExt is added to one typed without an extension, and
  // only ofOverwritePrompt asks before an existing file is chosen. True when
  // the user confirmed a name, then in FileName.
  bool Run() override;
};
