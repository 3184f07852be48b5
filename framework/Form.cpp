#include "framework/Form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <algorithm>

#include "framework/Application.h"
#include "framework/Menu.h"
#include "framework/Screen.h"
#include "framework/detail/FormImpl.h"
#include "framework/detail/MenuImpl.h"

namespace framework::detail {

void ClientArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (form != nullptr) Guarded([&] { form->ClientResized(width(), height()); });
}

FormWindow::FormWindow() : QWidget(nullptr, Qt::Window), client_(new ClientArea(this)) {
  client_->setAttribute(Qt::WA_NativeWindow, false);
  // Whether a drop is taken is the form's question (OnDragFiles).
  setAcceptDrops(true);
}

void FormWindow::setBar(QMenuBar* bar) {
  if (bar_ == bar) return;
  if (bar_ != nullptr) {
    bar_->hide();
    bar_->setParent(nullptr);
  }
  bar_ = bar;
  if (bar != nullptr) {
    bar->setParent(this);
    bar->show();
  }
  layOut();
}

int FormWindow::barHeight() const {
  if (bar_ == nullptr) return 0;
  return bar_->sizeHint().height();
}

void FormWindow::layOut() {
  const int menu = std::min(barHeight(), height());
  if (bar_ != nullptr) bar_->setGeometry(0, 0, width(), menu);
  client_->setGeometry(0, menu, width(), height() - menu);
}

void FormWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layOut();
  if (form != nullptr) Guarded([&] { form->FrameChanged(); });
}

void FormWindow::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  if (form != nullptr) Guarded([&] { form->FrameChanged(); });
}

void FormWindow::closeEvent(QCloseEvent* event) {
  if (form == nullptr) {
    event->accept();
    return;
  }
  event->ignore();
  Guarded([&] { form->Close(); });
}

namespace {

// The local files a drag carries, in its order, named as the file system
// names them.
std::vector<std::string> LocalFiles(const QMimeData* data) {
  std::vector<std::string> files;
  if (data == nullptr || !data->hasUrls()) return files;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const QByteArray name = QFile::encodeName(url.toLocalFile());
    if (!name.isEmpty()) files.emplace_back(name.constData(), static_cast<std::size_t>(name.size()));
  }
  return files;
}

}  // namespace

void FormWindow::dragEnterEvent(QDragEnterEvent* event) {
  // Taken for now, with no action, so that the moves come: the first at once,
  // and each is answered for the files. A refused enter would stop the moves
  // for as long as the toolkit holds the drag for the same one, and when the
  // source of a drag vanishes without leaving, it holds the next for it too.
  dragAccepted_ = false;
  event->setDropAction(Qt::IgnoreAction);
  event->accept();
}

void FormWindow::dragMoveEvent(QDragMoveEvent* event) {
  // Asked until the form says yes, which holds until the drag leaves.
  if (!dragAccepted_) dragAccepted_ = accepts(event);
  answerDrag(event);
}

void FormWindow::dragLeaveEvent(QDragLeaveEvent* event) {
  dragAccepted_ = false;
  event->accept();
}

void FormWindow::dropEvent(QDropEvent* event) {
  // The files are those the drop carries: those asked about may have been a
  // vanished drag's.
  std::vector<std::string> files;
  bool take = false;
  if (dragAccepted_ && form != nullptr) {
    Guarded([&] {
      files = LocalFiles(event->mimeData());
      take = form->AcceptsFiles(files);
    });
  }
  dragAccepted_ = take;
  answerDrag(event);
  dragAccepted_ = false;
  if (!take) return;
  QTimer::singleShot(0, this, [this, files = std::move(files)] {
    if (form != nullptr) Guarded([&] { form->DropFiles(files); });
  });
}

bool FormWindow::accepts(QDropEvent* event) {
  bool accept = false;
  // A move would let the other program delete the files once we took them.
  if (form != nullptr && (event->possibleActions() & Qt::CopyAction)) {
    Guarded([&] { accept = form->AcceptsFiles(LocalFiles(event->mimeData())); });
  }
  return accept;
}

void FormWindow::answerDrag(QDropEvent* event) {
  if (dragAccepted_) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->ignore();
  }
}

TCustomForm* FormOf(QWidget* widget) {
  if (widget == nullptr) return nullptr;
  auto* window = dynamic_cast<FormWindow*>(widget->window());
  return window != nullptr ? window->form : nullptr;
}

}  // namespace framework::detail

using framework::detail::FormImpl;
using framework::detail::FormWindow;

namespace {

FormWindow* WindowOf(const TCustomForm& form) { return static_cast<FormImpl&>(form.Impl()).Window(); }

// The character a key makes, or 0 for a key that makes none.
char CharacterOf(TVirtualKey key, TShiftState shift) {
  switch (key) {
    case VK_ESCAPE:
    case VK_RETURN:
    case VK_BACK:
    case VK_TAB:
    case VK_SPACE: return static_cast<char>(key);
    default: break;
  }
  if (key >= '0' && key <= '9') return static_cast<char>(key);
  if (key >= 'A' && key <= 'Z') return static_cast<char>(shift.Contains(ssShift) ? key : key - 'A' + 'a');
  return 0;
}

Qt::WindowFlags FlagsOf(TFormBorderStyle style) {
  switch (static_cast<int>(style)) {
    case bsNone: return Qt::Window | Qt::FramelessWindowHint;
    case bsSingle: return Qt::Window | Qt::MSWindowsFixedSizeDialogHint;
    case bsDialog: return Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint;
    case bsToolWindow: return Qt::Tool | Qt::MSWindowsFixedSizeDialogHint;
    case bsSizeToolWin: return Qt::Tool;
    default: return Qt::Window;
  }
}

// What the desktop adds around the window (frame and title bar); known only
// once the window is shown.
QSize FrameExtra(const FormWindow* window) {
  if (window == nullptr || !window->isVisible()) return QSize(0, 0);
  const QRect outer = window->frameGeometry();
  const QRect inner = window->geometry();
  return QSize(std::max(outer.width() - inner.width(), 0), std::max(outer.height() - inner.height(), 0));
}

// The client length that fits into a length of the work area of which the
// frame and menu bar take some: at least 0.
int Room(std::int64_t area, int taken) { return static_cast<int>(std::max<std::int64_t>(area - taken, 0)); }

}  // namespace

TCustomForm::TCustomForm(TComponent* owner) : TScrollingWinControl(owner, std::make_unique<FormImpl>()) {
  FormWindow* window = WindowOf(*this);
  window->form = this;
  window->client()->form = this;
  StoreBounds(0, 0, 0, 0);
  TControl::SetVisible(false);
  SetColor(clBtnFace);
}

TCustomForm::~TCustomForm() {
  if (FormWindow* window = WindowOf(*this)) {
    window->form = nullptr;
    window->client()->form = nullptr;
    // The bar belongs to the menu component, which outlives this window.
    window->setBar(nullptr);
  }
}

void TCustomForm::SetCaption(std::string value) {
  caption_ = std::move(value);
  if (FormWindow* window = WindowOf(*this)) window->setWindowTitle(QString::fromStdString(caption_));
}

int TCustomForm::MenuBarHeight() const {
  const FormWindow* window = WindowOf(*this);
  return window != nullptr ? window->barHeight() : 0;
}

void TCustomForm::SetBounds(int left, int top, int width, int height) {
  const QSize extra = FrameExtra(WindowOf(*this));
  StoreBounds(left, top, width, height);
  clientWidth_ = std::max(Width() - extra.width(), 0);
  clientHeight_ = std::max(Height() - extra.height() - MenuBarHeight(), 0);
  ApplyBounds();
  Realign();
}

void TCustomForm::SetClientWidth(int value) {
  const QSize extra = FrameExtra(WindowOf(*this));
  const int most = Room(WorkArea().Width(), extra.width());
  ApplyClientSize(std::clamp(value, 0, most), clientHeight_);
}

void TCustomForm::SetClientHeight(int value) {
  const QSize extra = FrameExtra(WindowOf(*this));
  const int most = Room(WorkArea().Height(), extra.height() + MenuBarHeight());
  ApplyClientSize(clientWidth_, std::clamp(value, 0, most));
}

TRect TCustomForm::WorkArea() const {
  return framework::ScreenWorkArea(Point(Left() + Width() / 2, Top() + Height() / 2));
}

void TCustomForm::ApplyClientSize(int width, int height) {
  const QSize extra = FrameExtra(WindowOf(*this));
  const bool resized = width != clientWidth_ || height != clientHeight_;
  clientWidth_ = width;
  clientHeight_ = height;
  StoreBounds(Left(), Top(), width + extra.width(), height + MenuBarHeight() + extra.height());
  ApplyBounds();
  Realign();
  if (resized && OnResize) OnResize(this);
}

void TCustomForm::ApplyBounds() {
  FormWindow* window = WindowOf(*this);
  if (window == nullptr) return;
  window->resize(clientWidth_, clientHeight_ + MenuBarHeight());
  // A desktop-placed window keeps the place the desktop gave it until the
  // program moves it itself after it was first shown.
  if (position_ == poDesigned || shownOnce_) window->move(Left(), Top());
}

void TCustomForm::ClientResized(int width, int height) {
  if (width == clientWidth_ && height == clientHeight_) return;
  clientWidth_ = width;
  clientHeight_ = height;
  FrameChanged();
  Realign();
  if (OnResize) OnResize(this);
}

void TCustomForm::FrameChanged() {
  const FormWindow* window = WindowOf(*this);
  if (window == nullptr || !window->isVisible()) return;
  const QRect outer = window->frameGeometry();
  StoreBounds(outer.left(), outer.top(), outer.width(), outer.height());
  // A window sized to the work area before the desktop framed it is taller
  // and wider than the area by the frame once it is framed: it shrinks by
  // that, so that the status bar at its foot stays on the screen.
  if (fitting_) return;
  const QSize extra = FrameExtra(window);
  if (extra.isEmpty()) return;
  const TRect area = WorkArea();
  const int width = std::min(clientWidth_, Room(area.Width(), extra.width()));
  const int height = std::min(clientHeight_, Room(area.Height(), extra.height() + MenuBarHeight()));
  if (width == clientWidth_ && height == clientHeight_) return;
  const QScopedValueRollback<bool> fitting(fitting_, true);
  ApplyClientSize(width, height);
}

void TCustomForm::SetMenu(TMainMenu* menu) {
  if (menu == menu_) return;
  menu_ = menu;
  FormWindow* window = WindowOf(*this);
  if (window == nullptr) return;
  window->setBar(menu != nullptr ? menu->Impl().Bar() : nullptr);
  // The client area keeps its size; the window grows or shrinks by the bar.
  ApplyClientSize(clientWidth_, clientHeight_);
}

void TCustomForm::SetVisible(bool value) {
  FormWindow* window = WindowOf(*this);
  TControl::SetVisible(value);
  if (window == nullptr) return;
  if (!value) {
    window->hide();
    return;
  }
  if (!shownOnce_) {
    shownOnce_ = true;
    if (position_ == poDesigned) window->move(Left(), Top());
    if (position_ == poScreenCenter) {
      const TRect area = framework::ScreenWorkArea();
      window->move(area.Left + static_cast<int>(area.Width() - window->width()) / 2,
                   area.Top + static_cast<int>(area.Height() - window->height()) / 2);
    }
  }
  const bool wasShowing = window->isVisible();
  window->show();
  // A window that was already up comes to the front; a new one is there.
  if (wasShowing) {
    window->raise();
    window->activateWindow();
  }
  FrameChanged();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value) {
  borderStyle_ = value;
  FormWindow* window = WindowOf(*this);
  if (window == nullptr) return;
  // Changing a window's flags hides it; a showing form comes back.
  const bool showing = window->isVisible();
  window->setWindowFlags(FlagsOf(value));
  if (showing) window->show();
}

TModalResult TCustomForm::ShowModal() {
  FormWindow* window = WindowOf(*this);
  if (window == nullptr || modal_) return mrCancel;
  modalResult_ = mrNone;
  // Modality takes effect when a window is shown.
  if (window->isVisible()) window->hide();
  window->setWindowModality(Qt::ApplicationModal);
  modal_ = true;
  struct ModalEnd {
    TCustomForm& form;
    FormWindow* window;
    ~ModalEnd() {
      form.modal_ = false;
      if (window != nullptr) window->setWindowModality(Qt::NonModal);
    }
  } end{*this, window};
  Show();
  while (Visible() && window->isVisible() && !(Application != nullptr && Application->Terminated())) {
    QApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  if (Visible()) Hide();
  return modalResult_ == mrNone ? mrCancel : modalResult_;
}

void TCustomForm::Close() {
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application != nullptr && Application->MainForm() == this) {
    Application->Terminate();
    return;
  }
  switch (action) {
    case caMinimize:
      if (FormWindow* window = WindowOf(*this)) window->showMinimized();
      break;
    case caFree: {
      Hide();
      // Destroyed from the message loop, after the handler that closed it has
      // returned; the window's lifetime bounds the request.
      if (FormWindow* window = WindowOf(*this)) {
        QTimer::singleShot(0, window, [this] { runtime::DestroyComponent(this); });
      }
      break;
    }
    default:
      Hide();
      break;
  }
}

void TCustomForm::DoClose(TCloseAction& action) {
  if (OnClose) OnClose(this, action);
}

bool TCustomForm::AcceptsFiles(const std::vector<std::string>& files) {
  bool accept = false;
  if (!files.empty() && OnDragFiles) OnDragFiles(this, files, accept);
  return accept;
}

void TCustomForm::DropFiles(const std::vector<std::string>& files) {
  if (OnDropFiles) OnDropFiles(this, files);
}

void TCustomForm::KeyDown(TVirtualKey& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
  if (key == 0) return;
  char character = CharacterOf(key, shift);
  if (character == 0) return;
  KeyPress(character);
  // A swallowed character is a swallowed key.
  if (character == 0) key = 0;
}

void TCustomForm::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}
