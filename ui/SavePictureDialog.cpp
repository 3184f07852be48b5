#include "ui/SavePictureDialog.h"

bool TSavePictureDialog::Run() { return RunFileDialog(true, true); }
