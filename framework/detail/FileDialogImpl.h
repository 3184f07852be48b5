// The running file dialog as the framework's test hooks see it.
#pragma once

#include <QString>

class QFileDialog;

namespace framework::detail {

// The file dialog that runs now (the innermost one), or null.
QFileDialog* RunningFileDialog();
// As a click on path in the dialog's list: selects it and runs the dialog's
// selection-changed step with path as the selection.
void SelectInRunningFileDialog(const QString& path);

}  // namespace framework::detail
