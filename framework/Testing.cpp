#include "framework/Testing.h"

#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QFontInfo>
#include <QImage>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <chrono>

#include "framework/Menu.h"
#include "framework/detail/ControlImpl.h"
#include "framework/detail/FileDialogImpl.h"
#include "framework/detail/FormImpl.h"
#include "framework/detail/MenuImpl.h"

namespace framework::testing {

namespace {

Qt::KeyboardModifiers ModifiersOf(TShiftState shift) {
  Qt::KeyboardModifiers modifiers;
  if (shift.Contains(ssShift)) modifiers |= Qt::ShiftModifier;
  if (shift.Contains(ssAlt)) modifiers |= Qt::AltModifier;
  if (shift.Contains(ssCtrl)) modifiers |= Qt::ControlModifier;
  return modifiers;
}

Qt::MouseButtons ButtonsOf(TShiftState shift) {
  Qt::MouseButtons buttons;
  if (shift.Contains(ssLeft)) buttons |= Qt::LeftButton;
  if (shift.Contains(ssRight)) buttons |= Qt::RightButton;
  if (shift.Contains(ssMiddle)) buttons |= Qt::MiddleButton;
  return buttons;
}

Qt::MouseButton ButtonOf(TMouseButton button) {
  switch (button) {
    case mbRight: return Qt::RightButton;
    case mbMiddle: return Qt::MiddleButton;
    default: return Qt::LeftButton;
  }
}

void SendMouse(TControl& control, QEvent::Type type, Qt::MouseButton button, TShiftState shift, int x, int y) {
  QWidget* target = control.Impl().ClientWidget();
  if (target == nullptr) return;
  const framework::PixelMapping pixels = control.Pixels();
  const QPointF local(pixels.LogicalAt(x), pixels.LogicalAt(y));
  const QPointF scene = target->mapTo(target->window(), local);
  QMouseEvent event(type, local, scene, target->mapToGlobal(local), button, ButtonsOf(shift), ModifiersOf(shift));
  QApplication::sendEvent(target, &event);
}

}  // namespace

bool DragUris(TControl& control, const std::vector<std::string>& uris, int x, int y, bool drop) {
  QWidget* target = control.Impl().ClientWidget();
  QWindow* window = target != nullptr ? target->window()->windowHandle() : nullptr;
  if (window == nullptr) return false;
  QMimeData data;
  QList<QUrl> urls;
  for (const std::string& uri : uris) urls.append(QUrl(QString::fromStdString(uri)));
  data.setUrls(urls);
  const QPoint at = target->mapTo(target->window(), QPoint(x, y));
  const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
  const auto taken = [](const QDropEvent& event) { return event.isAccepted() && event.dropAction() == Qt::CopyAction; };
  QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window, &enter);
  QDragMoveEvent move(at, offered, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window, &move);
  // The move's answer is the one the other program gets.
  const bool wouldTake = taken(move);
  if (!drop) {
    QDragLeaveEvent leave;
    QCoreApplication::sendEvent(window, &leave);
    return wouldTake;
  }
  QDropEvent released(at, offered, &data, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(window, &released);
  return taken(released);
}

void ProcessEvents() { QApplication::processEvents(); }

void ProcessEventsWhile(const std::function<bool()>& busy) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (busy() && std::chrono::steady_clock::now() < until) ProcessEvents();
}

void RunLater(std::function<void()> action) {
  QTimer::singleShot(0, QCoreApplication::instance(), [action = std::move(action)] {
    framework::detail::Guarded(action);
  });
}

void ClickCloseBox(TCustomForm& form) {
  if (QWidget* window = form.Impl().Widget()) window->close();
}

void PressKey(TControl& control, TVirtualKey key, TShiftState shift) {
  QWidget* target = control.Impl().Widget();
  const int qtKey = framework::detail::QtKeyOf(key);
  if (target == nullptr || qtKey == 0) return;
  QKeyEvent event(QEvent::KeyPress, qtKey, ModifiersOf(shift));
  QApplication::sendEvent(target, &event);
}

void PressKeyOnMenuBar(TCustomForm& form, TVirtualKey key, TShiftState shift) {
  auto* window = static_cast<framework::detail::FormWindow*>(form.Impl().Widget());
  const int qtKey = framework::detail::QtKeyOf(key);
  if (window == nullptr || window->bar() == nullptr || qtKey == 0) return;
  QKeyEvent event(QEvent::KeyPress, qtKey, ModifiersOf(shift));
  QApplication::sendEvent(window->bar(), &event);
}

void PressMouse(TControl& control, TMouseButton button, TShiftState shift, int x, int y) {
  SendMouse(control, QEvent::MouseButtonPress, ButtonOf(button), shift, x, y);
}

void DoubleClickMouse(TControl& control, TShiftState shift, int x, int y) {
  SendMouse(control, QEvent::MouseButtonDblClick, Qt::LeftButton, shift, x, y);
}

void MoveMouse(TControl& control, TShiftState shift, int x, int y) {
  SendMouse(control, QEvent::MouseMove, Qt::NoButton, shift, x, y);
}

void ReleaseMouse(TControl& control, TMouseButton button, TShiftState shift, int x, int y) {
  SendMouse(control, QEvent::MouseButtonRelease, ButtonOf(button), shift, x, y);
}

TColor PixelAt(TControl& control, int x, int y) {
  QWidget* widget = control.Impl().Widget();
  QWidget* client = control.Impl().ClientWidget();
  if (widget == nullptr || client == nullptr) return clNone;
  const QImage image = widget->grab().toImage();
  // The grab holds device pixels; (x, y) counts the control's own pixels.
  const framework::PixelMapping pixels = control.Pixels();
  const QPointF logical = QPointF(client->mapTo(widget, QPoint(0, 0))) + QPointF(pixels.LogicalAt(x), pixels.LogicalAt(y));
  const framework::PixelMapping grabbed(qRound(image.devicePixelRatio()));
  const QPoint at(grabbed.DeviceAt(logical.x()), grabbed.DeviceAt(logical.y()));
  if (!image.rect().contains(at)) return clNone;
  const QRgb rgb = image.pixel(at);
  return static_cast<TColor>(qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16));
}

std::vector<std::string> MenuBarTexts(const TCustomForm& form) {
  std::vector<std::string> texts;
  const auto* window = static_cast<const framework::detail::FormWindow*>(form.Impl().Widget());
  if (window == nullptr || window->bar() == nullptr) return texts;
  for (const QAction* action : window->bar()->actions()) {
    if (action->isVisible()) texts.push_back(action->text().toStdString());
  }
  return texts;
}

std::string ResolvedWindowFontFamily() { return QFontInfo(QApplication::font()).family().toStdString(); }

bool FileDialogShowing() {
  const QFileDialog* dialog = framework::detail::RunningFileDialog();
  return dialog != nullptr && dialog->isVisible();
}

void SelectInFileDialog(const std::string& path) {
  framework::detail::SelectInRunningFileDialog(QString::fromStdString(path));
}

void AcceptFileDialog(const std::string& name) {
  QFileDialog* dialog = framework::detail::RunningFileDialog();
  if (dialog == nullptr) return;
  auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
  if (edit == nullptr) return;
  // Typing replaces what was selected in the list, as it does for a user
  // whose keys go to the name box.
  for (auto* view : dialog->findChildren<QAbstractItemView*>()) {
    if (view->selectionModel() != nullptr) view->selectionModel()->clearSelection();
  }
  edit->setFocus();
  edit->setText(QString::fromStdString(name));
  // A question the dialog asks back (a file that does not exist, a file to
  // replace) is closed unanswered, as a user who dismisses it: the dialog
  // then stays open and the test goes on.
  QTimer::singleShot(0, dialog, [dialog] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal != dialog) modal->close();
  });
  // Enter in the name box goes on to the dialog, which presses its default
  // button: the same checks as a user's Enter.
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(edit, &press);
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(edit, &release);
}

void CancelFileDialog() {
  QFileDialog* dialog = framework::detail::RunningFileDialog();
  if (dialog == nullptr) return;
  // A question the dialog asks (a file that does not exist) is answered first.
  for (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != dialog;
       modal = QApplication::activeModalWidget()) {
    modal->close();
  }
  dialog->reject();
}

std::vector<std::string> FileDialogFilters() {
  std::vector<std::string> entries;
  const QFileDialog* dialog = framework::detail::RunningFileDialog();
  const auto* box = dialog != nullptr ? dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")) : nullptr;
  if (box == nullptr) return entries;
  for (int i = 0; i < box->count(); ++i) entries.push_back(box->itemText(i).toStdString());
  return entries;
}

void ChooseFileDialogFilter(int index) {
  QFileDialog* dialog = framework::detail::RunningFileDialog();
  auto* box = dialog != nullptr ? dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")) : nullptr;
  // Activation is what the user's choice sends; the dialog filters on it.
  if (box != nullptr && index >= 0 && index < box->count()) {
    box->setCurrentIndex(index);
    emit box->activated(index);
  }
}

int FileDialogFilterIndex() {
  const QFileDialog* dialog = framework::detail::RunningFileDialog();
  const auto* box = dialog != nullptr ? dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")) : nullptr;
  return box != nullptr ? box->currentIndex() : -1;
}

std::string FileDialogDirectory() {
  const QFileDialog* dialog = framework::detail::RunningFileDialog();
  return dialog != nullptr ? dialog->directory().absolutePath().toStdString() : std::string();
}

std::string FileDialogDefaultSuffix() {
  const QFileDialog* dialog = framework::detail::RunningFileDialog();
  return dialog != nullptr ? dialog->defaultSuffix().toStdString() : std::string();
}

}  // namespace framework::testing
