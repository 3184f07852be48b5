#include "ui/SavePictureDialog.h"

bool TSavePictureDialog::Run() { return RunPictureDialog(true); }
