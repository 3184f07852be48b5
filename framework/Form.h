// Forms: the program's top-level windows. A form's client area is the area
// below its menu bar; its child controls sit there, laid out by their Align.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/Input.h"
#include "framework/ScrollBox.h"

class TMainMenu;

// Where a window appears: at its stored place (poDesigned), or where the
// desktop puts it (poDefaultPosOnly: stored size; poDefault: the desktop may
// also choose the size when it first shows the window).
enum TPosition : std::uint8_t { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter };

// What closing a window does: nothing, hide it, destroy it (later, from the
// message loop) or minimise it.
enum TCloseAction : std::uint8_t { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;

// A form's frame. bsNone and bsSingle are TBorderStyle's values (0 and 1);
// the tool-window styles have a small caption and no task-bar entry.
enum TFormBorderStyle : std::uint8_t { bsSizeable = 2, bsDialog, bsToolWindow, bsSizeToolWin };

// Files dragged onto a window from another program, as their local names
// (full paths) in the drag's order. A handler of the first kind sets accept
// when a drop of them would be taken.
using TDragFilesEvent = std::function<void(TObject* sender, const std::vector<std::string>& files, bool& accept)>;
using TDropFilesEvent = std::function<void(TObject* sender, const std::vector<std::string>& files)>;

// A key that makes a character: the handler may change Key; 0 swallows it.
using TKeyPressEvent = std::function<void(TObject* sender, char& key)>;

// What ended a modal form.
using TModalResult = int;
inline constexpr TModalResult mrNone = 0;
inline constexpr TModalResult mrOk = 1;
inline constexpr TModalResult mrCancel = 2;

class TCustomForm : public TScrollingWinControl {
  KIRITORI_CLASS(TCustomForm, TScrollingWinControl)

  // A hidden window with the button-face colour.
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string value);

  // Left/Top/Width/Height are the outer frame: what the desktop adds around the
  // window is included once the window is shown, and zero before.
  void SetBounds(int left, int top, int width, int height) override;
  // The area below the menu bar. Setting either is clamped so that the whole
  // window fits the work area of its monitor (WorkArea).
  int ClientWidth() const override { return clientWidth_; }
  int ClientHeight() const override { return clientHeight_; }
  void SetClientWidth(int value);
  void SetClientHeight(int value);

  TPosition Position() const { return position_; }
  void SetPosition(TPosition value) { position_ = value; }

  // The menu shown as the window's menu bar, not owned; null for none.
  TMainMenu* Menu() const { return menu_; }
  void SetMenu(TMainMenu* menu);

  // With KeyPreview the form's key handling runs before the focused control's.
  bool KeyPreview() const { return keyPreview_; }
  void SetKeyPreview(bool value) { keyPreview_ = value; }

  TFormBorderStyle BorderStyle() const { return borderStyle_; }
  // Takes effect the next time the window is shown.
  void SetBorderStyle(TFormBorderStyle value);

  // Showing a form brings it to the front.
  void SetVisible(bool value) override;
  // Shows the form and keeps the other windows from input until it is hidden
  // (Close), handling events meanwhile. Returns ModalResult, mrCancel when
  // none was set; at once mrCancel when the form is already modal.
  TModalResult ShowModal();
  TModalResult ModalResult() const { return modalResult_; }
  void SetModalResult(TModalResult value) { modalResult_ = value; }
  // Asks OnClose what to do (caHide by default) and does it; for the
  // application's main form any action but caNone ends the application instead.
  void Close();

  // Key down, from the focused control (with KeyPreview) or the form itself.
  // A handler that sets Key to 0 keeps the key from the focused control.
  // The keys that make a character (Escape 27, Enter 13, Backspace 8, Tab 9,
  // space, letters and digits) then reach KeyPress, unless Key became 0.
  virtual void KeyDown(TVirtualKey& key, TShiftState shift);
  // A key's character, from KeyDown; fires OnKeyPress.
  virtual void KeyPress(char& key);

  TCloseEvent OnClose;
  // The client area changed size (set by the program or by the desktop),
  // after the children were laid out anew.
  TNotifyEvent OnResize;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  // Files dragged over the window: links to other places are left out, and a
  // drag without a local file is refused before OnDragFiles is asked. A drop
  // is taken as a copy, never a move, and only when OnDragFiles accepted it;
  // while it would not be, the pointer shows that nothing can be dropped.
  TDragFilesEvent OnDragFiles;
  // The files of a drop that was taken. Runs from the message loop once the
  // drop is over, so the program they came from does not wait for it.
  TDropFilesEvent OnDropFiles;

  // Whether a drop of files would be taken: what OnDragFiles says; false
  // without it or without files.
  bool AcceptsFiles(const std::vector<std::string>& files);
  // Fires OnDropFiles.
  void DropFiles(const std::vector<std::string>& files);

  // The form's menu-bar height for its current width; 0 without a menu.
  int MenuBarHeight() const;
  // The client area changed size in Qt: store it and lay out the children.
  void ClientResized(int width, int height);
  // The window was moved or resized by the desktop or the user.
  void FrameChanged();

 protected:
  virtual void DoClose(TCloseAction& action);
  void ApplyBounds() override;

 private:
  void ApplyClientSize(int width, int height);
  // The work area of the monitor that holds the window's middle
  // (framework::ScreenWorkArea).
  TRect WorkArea() const;
  // FrameChanged is fitting the window to the work area.
  bool fitting_ = false;

  std::string caption_;
  TPosition position_ = poDesigned;
  TMainMenu* menu_ = nullptr;
  bool keyPreview_ = false;
  TFormBorderStyle borderStyle_ = bsSizeable;
  TModalResult modalResult_ = mrNone;
  bool modal_ = false;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
  bool shownOnce_ = false;
};

class TForm : public TCustomForm {
  KIRITORI_CLASS(TForm, TCustomForm)

  explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};
