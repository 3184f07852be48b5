// What tests need to drive the framework the way a user does, without seeing
// a Qt type: the close box, keys, reading back painted pixels, and running code
// from inside the message loop.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/Form.h"
#include "framework/Input.h"

namespace framework::testing {

// Handles the events that are waiting.
void ProcessEvents();
// Handles events while busy() holds, for 20 s at the most.
void ProcessEventsWhile(const std::function<bool()>& busy);
// Runs action from the message loop once the loop is running (or at the next
// ProcessEvents).
void RunLater(std::function<void()> action);
// Asks the form's window to close, as the close box does.
void ClickCloseBox(TCustomForm& form);
// Sends a key press to control's widget through the application's event
// dispatch, as the keyboard does when the control has the focus. Keys without
// a Qt equivalent are ignored.
void PressKey(TControl& control, TVirtualKey key, TShiftState shift);
// Sends a key press to the form's menu bar, as the keyboard does when the bar
// kept the focus after a menu command.
void PressKeyOnMenuBar(TCustomForm& form, TVirtualKey key, TShiftState shift);
// Sends a mouse press, move or release at (x, y) in control's client
// coordinates (device pixels for a graphic control). buttons are the buttons
// held after the event.
void PressMouse(TControl& control, TMouseButton button, TShiftState shift, int x, int y);
void DoubleClickMouse(TControl& control, TShiftState shift, int x, int y);
void MoveMouse(TControl& control, TShiftState shift, int x, int y);
void ReleaseMouse(TControl& control, TMouseButton button, TShiftState shift, int x, int y);
// Drags uris (entries of a text/uri-list, such as "file:///tmp/a.jpg") from
// another program over control at (x, y) of its client area, offering to copy
// or to move them, through the window's own routing of drag events; true when
// the window would take them as a copy. With drop, then releases them there,
// and true means the drop was taken: its files reach the form's OnDropFiles at
// the next ProcessEvents. Without drop, the drag leaves again.
bool DragUris(TControl& control, const std::vector<std::string>& uris, int x, int y, bool drop);
// The colour of the pixel at (x, y) of control's client area as the control
// paints itself now; for a graphic control the device pixel, for any other
// control the first device pixel of the logical one.
TColor PixelAt(TControl& control, int x, int y);
// The texts of the form's menu-bar entries as the bar shows them ("&" marks
// included); empty without a menu.
std::vector<std::string> MenuBarTexts(const TCustomForm& form);
// The family of the font the windows show their text in, as the font system
// resolved it.
std::string ResolvedWindowFontFamily();

// The running file dialog (TOpenDialog and descendants), driven from inside
// its modal loop through RunLater.
// True while a file dialog runs.
bool FileDialogShowing();
// As a user clicking the file in the list: the selection becomes path (a full path) and the dialog's selection-changed notification runs.
void SelectInFileDialog(const std::string& path);
// Types name (a full path or a bare name) into the file-name box and confirms, as Enter does.
// A question the dialog asks back (no such file, replace it?) is dismissed, and the dialog stays.
void AcceptFileDialog(const std::string& name);
// Cancels the running file dialog.
void CancelFileDialog();
// The entries of the file-type box as it shows them, and the 0-based index of the chosen one.
std::vector<std::string> FileDialogFilters();
// Chooses the entry at index (0-based) in the file-type box, as the user does.
void ChooseFileDialogFilter(int index);
int FileDialogFilterIndex();
// The folder the dialog shows, as a full path.
std::string FileDialogDirectory();
// The suffix the dialog adds to names typed without one, without the period ("jpg").
std::string FileDialogDefaultSuffix();

}  // namespace framework::testing
