// The application object: it makes the forms (the first one is the main form),
// runs the message loop until the main form closes, and reports a failure that
// reaches the loop in a message box.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

#include "framework/Form.h"
#include "framework/Icon.h"
#include "runtime/Component.h"

namespace framework {
// Message-box buttons and icons, and the answers, as the desktop numbers them.
inline constexpr unsigned MB_OK = 0x00;
inline constexpr unsigned MB_ICONERROR = 0x10;
inline constexpr unsigned MB_ICONWARNING = 0x30;
inline constexpr unsigned MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1;

// The text a failure's message box shows: message, with "." appended when its
// last character (a Unicode code point; a malformed ending counts as U+FFFD)
// sorts after ".". An empty message stays empty.
std::string ExceptionBoxText(std::string_view message);

// Receives every message box instead of the modal desktop dialog and answers
// for the user. Tests install one; an empty hook gives the dialog back.
using TMessageBoxHook = std::function<int(const std::string& text, const std::string& caption, unsigned flags)>;
// Installs hook and returns the one it replaces.
TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook);
}  // namespace framework

class TApplication : public TComponent {
  KIRITORI_CLASS(TApplication, TComponent)

  // Titled with the program's file name; the forms it makes are its components
  // and are destroyed with it, last made first.
  explicit TApplication(TComponent* owner = nullptr);
  ~TApplication() override;

  // Gets the application ready for its forms.
  void Initialize();

  // Makes a T owned by the application and stores it in reference (null while
  // the constructor runs, and again when it fails). The first form made
  // becomes the main form.
  template <class T>
  void CreateForm(T*& reference) {
    static_assert(std::is_base_of_v<TCustomForm, T>);
    reference = nullptr;
    T* form = runtime::CreateComponent<T>(*this);
    reference = form;
    FormCreated(form);
  }

  TCustomForm* MainForm() const { return mainForm_; }

  // Shows the main form and runs the message loop until Terminate. Returns at
  // once when Terminate came first.
  void Run();
  // Ends the message loop (now or, before Run, as soon as Run starts).
  void Terminate();
  bool Terminated() const { return terminated_; }
  // Handles the events that are waiting, then returns.
  void ProcessMessages();

  const std::string& Title() const { return title_; }
  void SetTitle(std::string value) { title_ = std::move(value); }
  // The icon every window shows in its caption.
  void SetIcon(const TIconImage& icon);

  // Reports a failure that reached the message loop: EAbort silently, an
  // Exception through ShowException, anything else as an Exception with an
  // empty message.
  void HandleException(std::exception_ptr error);
  // A message box with the error icon, titled Title, showing
  // framework::ExceptionBoxText of the message.
  void ShowException(const Exception& error);
  // Shows a modal message box (or hands it to the test hook); returns the
  // button chosen.
  int MessageBox(const std::string& text, const std::string& caption, unsigned flags);

 private:
  void FormCreated(TCustomForm* form);
  void DestroyForms() noexcept;

  TCustomForm* mainForm_ = nullptr;
  bool terminated_ = false;
  // Run's message loop is running.
  bool running_ = false;
  std::string title_;
};

// The process-wide application object, made by framework::Startup; null before
// it and after framework::Shutdown.
extern TApplication* Application;
