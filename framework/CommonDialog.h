// The desktop's file dialogs: TCommonDialog, the base of the modal dialogs,
// and TOpenDialog, which runs the open or save dialog. Descendants may put a
// pane of their own to the right of the standard controls (the template
// window) and follow the dialog's notifications: shown, selection changed,
// closing.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "framework/Control.h"
#include "graphics/Types.h"
#include "runtime/Component.h"

namespace framework::detail {
class FileDialogRun;
}  // namespace framework::detail

enum TOpenOption : std::uint8_t {
  ofReadOnly,
  ofOverwritePrompt,
  ofHideReadOnly,
  ofNoChangeDir,
  ofShowHelp,
  ofNoValidate,
  ofAllowMultiSelect,
  ofExtensionDifferent,
  ofPathMustExist,
  ofFileMustExist,
  ofCreatePrompt,
  ofShareAware,
  ofNoReadOnlyReturn,
  ofNoTestFileCreate,
  ofNoNetworkButton,
  ofNoLongNames,
  ofOldStyleDialog,
  ofNoDereferenceLinks,
  ofEnableIncludeNotify,
  ofEnableSizing
};

// A set of TOpenOption, one bit per option.
struct TOpenOptions {
  std::uint32_t Bits = 0;

  constexpr TOpenOptions() = default;
  constexpr TOpenOptions(std::initializer_list<TOpenOption> options) {
    for (TOpenOption option : options) Bits |= Bit(option);
  }
  constexpr bool Contains(TOpenOption option) const { return (Bits & Bit(option)) != 0; }
  constexpr TOpenOptions& Include(TOpenOption option) {
    Bits |= Bit(option);
    return *this;
  }
  constexpr TOpenOptions& Exclude(TOpenOption option) {
    Bits &= ~Bit(option);
    return *this;
  }
  friend constexpr bool operator==(TOpenOptions, TOpenOptions) = default;

 private:
  static constexpr std::uint32_t Bit(TOpenOption option) { return 1u << static_cast<unsigned>(option); }
};

class TCommonDialog : public TComponent {
  KIRITORI_CLASS(TCommonDialog, TComponent)

  explicit TCommonDialog(TComponent* owner);
  ~TCommonDialog() override;

  // Shows the dialog modally; true when the user confirmed it.
  virtual bool Run() = 0;

  // Fired once the dialog is on the screen, and when it is closing.
  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

 protected:
  virtual void DoShow();
  virtual void DoClose();
};

class TOpenDialog : public TCommonDialog {
  KIRITORI_CLASS(TOpenDialog, TCommonDialog)

  // FilterIndex 1, Options ofHideReadOnly and ofEnableSizing, everything else
  // empty.
  explicit TOpenDialog(TComponent* owner);
  ~TOpenDialog() override;

  // Pairs of a description and its patterns, all separated by "|"; the
  // patterns of one pair by ";" ("Pictures|*.jpg;*.bmp|All|*.*").
  const std::string& Filter() const { return filter_; }
  void SetFilter(std::string value) { filter_ = std::move(value); }
  // The chosen pair, from 1; a value out of range shows the first one.
  int FilterIndex() const { return filterIndex_; }
  void SetFilterIndex(int value) { filterIndex_ = value; }
  // The chosen file as a full path. While the dialog runs, the file selected
  // in it (the last selection-changed notification's path).
  const std::string& FileName() const;
  // The folder part opens the dialog there (unless InitialDir is set), the
  // name is preselected.
  void SetFileName(std::string value) { fileName_ = std::move(value); }
  // The folder the dialog opens in; when empty, FileName's folder, else the
  // working folder.
  const std::string& InitialDir() const { return initialDir_; }
  void SetInitialDir(std::string value) { initialDir_ = std::move(value); }
  // Added to names typed without an extension; given with or without its
  // period (".jpg" and "jpg" mean the same).
  const std::string& DefaultExt() const { return defaultExt_; }
  void SetDefaultExt(std::string value) { defaultExt_ = std::move(value); }
  // ofOverwritePrompt asks before a save replaces a file; ofOldStyleDialog
  // leaves no room for a pane; ofEnableSizing lets the user size the dialog.
  TOpenOptions Options() const { return options_; }
  void SetOptions(TOpenOptions value) { options_ = value; }

  // Fired after each selection change, with FileName the selected path.
  TNotifyEvent OnSelectionChange;

  // Runs the open dialog modally, without a pane: the file must exist. True
  // when the user confirmed a file, which FileName then holds as a full path
  // (FilterIndex the pair shown then); false leaves both as they were. Returns
  // false at once while another run of this dialog is in progress.
  bool Run() override;

 protected:
  // Runs the desktop dialog: for saving (any name, overwrite question only
  // with ofOverwritePrompt) or for opening (the file must exist), and with
  // withTemplate (unless ofOldStyleDialog) a template window to the right of
  // the standard controls. Returns as Run does.
  bool RunFileDialog(bool saving, bool withTemplate);

  // The rectangle the standard controls take, in the template window's client
  // coordinates: it ends where the template window's room begins (Right 0).
  // Empty while no template window exists.
  virtual TRect StandardControlsRect() const;
  // The notification steps. The dialog is on the screen and laid out: fires
  // OnShow.
  virtual void DialogShown();
  // The user selected an entry (a file or a folder); FileName is its path:
  // fires OnSelectionChange.
  virtual void SelectionChanged();
  // The dialog window is going away: fires OnClose; then any tool tip that
  // shows is hidden.
  virtual void DialogClosing();

  // The room to the right of the standard controls, for child controls, while
  // the dialog runs with a template; null otherwise. Controls placed in it
  // leave it again when the dialog closes and are not destroyed.
  TWinControl* TemplateWindow() const;

 private:
  friend class framework::detail::FileDialogRun;

  std::string filter_;
  int filterIndex_ = 1;
  std::string fileName_;
  std::string initialDir_;
  std::string defaultExt_;
  TOpenOptions options_{ofHideReadOnly, ofEnableSizing};
  // The running dialog, or null.
  std::unique_ptr<framework::detail::FileDialogRun> run_;
};

class TSaveDialog : public TOpenDialog {
  KIRITORI_CLASS(TSaveDialog, TOpenDialog)

  explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}

  // Runs the save dialog modally, without a pane; the file need not exist.
  bool Run() override;
};
