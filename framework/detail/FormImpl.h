// The Qt side of a form: a top-level window holding the menu bar on top and
// the client area below it.
#pragma once

#include <QMenuBar>
#include <QPointer>
#include <QWidget>

#include "framework/detail/ControlImpl.h"

class TCustomForm;

namespace framework::detail {

// The area below the menu bar; child controls sit in it.
class ClientArea final : public QWidget {
 public:
  explicit ClientArea(QWidget* parent) : QWidget(parent) {}
  TCustomForm* form = nullptr;

 protected:
  void resizeEvent(QResizeEvent* event) override;
};

class FormWindow final : public QWidget {
 public:
  FormWindow();
  // Null once the form is being destroyed: late events then go nowhere.
  TCustomForm* form = nullptr;
  ClientArea* client() const { return client_; }
  QMenuBar* bar() const { return bar_.data(); }
  void setBar(QMenuBar* bar);
  int barHeight() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  // The close box asks the form, which decides between hiding and ending.
  void closeEvent(QCloseEvent* event) override;
  // Files from other programs: the form is asked as the drag moves until it
  // says yes, which holds until the drag leaves; the drop's own files are
  // asked about once more.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dragLeaveEvent(QDragLeaveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void layOut();
  // Whether the form takes the local files the drag carries, as a copy.
  bool accepts(QDropEvent* event);
  // Takes the drag or drop event as a copy when the form accepts the drag.
  void answerDrag(QDropEvent* event);

  bool dragAccepted_ = false;

  ClientArea* client_;
  QPointer<QMenuBar> bar_;
};

class FormImpl final : public ControlImpl {
 public:
  FormImpl() : ControlImpl(new FormWindow) {}
  FormWindow* Window() const { return static_cast<FormWindow*>(Widget()); }
  QWidget* ClientWidget() const override {
    FormWindow* window = Window();
    return window != nullptr ? window->client() : nullptr;
  }
};

// The form of a widget's window, when that window is one of ours and the form
// is alive.
TCustomForm* FormOf(QWidget* widget);

}  // namespace framework::detail
