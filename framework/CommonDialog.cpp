#include "framework/CommonDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QResizeEvent>
#include <QToolTip>
#include <algorithm>

#include "framework/detail/ControlImpl.h"
#include "framework/detail/FileDialogImpl.h"

namespace framework::detail {

namespace {

// The room's width: the 112 dialog units a pane gets beside the standard
// controls, at the desktop font's 6 pixels per 4 units.
constexpr int kRoomWidth = 168;

class RoomWidget final : public QWidget {
 public:
  std::function<void()> resized;

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    if (resized) Guarded(resized);
  }
};

// The template window: a control that lives in the dialog's grid, in a column
// of its own to the right of the standard controls.
class TDialogRoom final : public TWinControl {
 public:
  TDialogRoom() : TWinControl(nullptr, std::make_unique<ControlImpl>(new RoomWidget)) {
    auto* widget = static_cast<RoomWidget*>(Impl().Widget());
    widget->setMinimumWidth(kRoomWidth);
    widget->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    widget->resized = [this] { TakeWidgetBounds(); };
  }
  ~TDialogRoom() override {
    if (auto* widget = static_cast<RoomWidget*>(Impl().Widget())) widget->resized = nullptr;
  }

  // The layout places the widget: the control's bounds follow it.
  void TakeWidgetBounds() {
    const QWidget* widget = Impl().Widget();
    if (widget == nullptr) return;
    const QRect r = widget->geometry();
    StoreBounds(r.x(), r.y(), r.width(), r.height());
    Realign();
  }
};

// "Pictures|*.jpg;*.bmp|All|*.*" as Qt's name filters, "Pictures (*.jpg *.bmp)";
// a description without its patterns is dropped.
QStringList NameFiltersOf(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split(u'|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns) pattern = pattern.trimmed();
    filters.append(parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')');
  }
  return filters;
}

// The descriptions of NameFiltersOf's entries, in the same order: what the
// dialog names a filter by while it hides the patterns.
QStringList DescriptionsOf(const std::string& filter) {
  const QStringList parts = QString::fromStdString(filter).split(u'|');
  QStringList descriptions;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) descriptions.append(parts[i]);
  return descriptions;
}

}  // namespace

class [[nodiscard]] FileDialogRun {
 public:
  FileDialogRun(TOpenDialog& owner, bool saving, bool withTemplate)
      : owner_(owner), dialog_(new QFileDialog(QApplication::activeWindow())), previous_(running_) {
    const TOpenOptions options = owner.Options();
    QFileDialog& d = *dialog_;
    d.setOption(QFileDialog::DontUseNativeDialog);
    // The combo box shows the descriptions as the filter names them.
    d.setOption(QFileDialog::HideNameFilterDetails);
    d.setOption(QFileDialog::DontConfirmOverwrite, !options.Contains(ofOverwritePrompt));
    d.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    d.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    d.setSizeGripEnabled(options.Contains(ofEnableSizing));
    filters_ = NameFiltersOf(owner.Filter());
    descriptions_ = DescriptionsOf(owner.Filter());
    if (!filters_.isEmpty()) {
      d.setNameFilters(filters_);
      const int index = owner.FilterIndex();
      d.selectNameFilter(filters_[index >= 1 && index <= filters_.size() ? index - 1 : 0]);
    }
    d.setDefaultSuffix(QString::fromStdString(owner.DefaultExt()));
    const QFileInfo file(QString::fromStdString(owner.fileName_));
    if (!owner.initialDir_.empty()) {
      d.setDirectory(QString::fromStdString(owner.initialDir_));
    } else if (owner.fileName_.find('/') != std::string::npos) {
      d.setDirectory(file.absolutePath());
    }
    if (!owner.fileName_.empty()) d.selectFile(file.fileName());
    if (withTemplate && !options.Contains(ofOldStyleDialog)) {
      if (auto* grid = qobject_cast<QGridLayout*>(d.layout())) {
        room_ = std::make_unique<TDialogRoom>();
        const int column = grid->columnCount();
        grid->addWidget(room_->Impl().Widget(), 0, column, grid->rowCount(), 1);
        grid->setColumnStretch(column, 0);
      }
    }
    currentPath_ = owner.fileName_;
    QObject::connect(&d, &QFileDialog::currentChanged, &d, [this](const QString& path) { Select(path); });
    running_ = this;
  }

  ~FileDialogRun() {
    running_ = previous_;
    // The room goes first: it hands the controls placed in it back to their
    // owners before Qt destroys the dialog's widgets.
    room_.reset();
    delete dialog_.data();
  }

  FileDialogRun(const FileDialogRun&) = delete;
  FileDialogRun& operator=(const FileDialogRun&) = delete;

  static FileDialogRun* Running() { return running_; }
  QFileDialog& Dialog() { return *dialog_; }
  TDialogRoom* Room() const { return room_.get(); }
  const std::string& CurrentPath() const { return currentPath_; }

  bool Exec() {
    QFileDialog& d = *dialog_;
    d.setWindowModality(Qt::ApplicationModal);
    d.show();
    if (room_) room_->TakeWidgetBounds();
    Guarded([this] { owner_.DialogShown(); });
    // The dialog's own loop, not QDialog::exec: a nested QEventLoop returns at
    // once after the application was asked to quit outside its loop.
    d.setResult(QDialog::Rejected);
    // Qt may destroy the dialog with its parent window while the loop runs.
    while (dialog_ != nullptr && dialog_->isVisible()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const bool confirmed = dialog_ != nullptr && d.result() == QDialog::Accepted;
    if (confirmed) {
      const QStringList files = d.selectedFiles();
      if (!files.isEmpty()) {
        owner_.fileName_ = QFileInfo(files.first()).absoluteFilePath().toStdString();
        // The closing step already sees the confirmed name.
        currentPath_ = owner_.fileName_;
        const QString chosen = d.selectedNameFilter();
        qsizetype index = filters_.indexOf(chosen);
        if (index < 0) index = descriptions_.indexOf(chosen);
        if (index >= 0) owner_.filterIndex_ = static_cast<int>(index) + 1;
      }
    }
    Guarded([this] { owner_.DialogClosing(); });
    return confirmed;
  }

  void Select(const QString& path) {
    currentPath_ = path.toStdString();
    Guarded([this] { owner_.SelectionChanged(); });
  }

 private:
  static inline FileDialogRun* running_ = nullptr;

  TOpenDialog& owner_;
  QPointer<QFileDialog> dialog_;
  std::unique_ptr<TDialogRoom> room_;
  QStringList filters_;
  QStringList descriptions_;
  std::string currentPath_;
  FileDialogRun* previous_;
};

QFileDialog* RunningFileDialog() {
  FileDialogRun* run = FileDialogRun::Running();
  return run != nullptr ? &run->Dialog() : nullptr;
}

void SelectInRunningFileDialog(const QString& path) {
  FileDialogRun* run = FileDialogRun::Running();
  if (run == nullptr) return;
  const QFileInfo file(path);
  run->Dialog().setDirectory(file.absolutePath());
  run->Dialog().selectFile(file.fileName());
  run->Select(path);
}

}  // namespace framework::detail

using framework::detail::FileDialogRun;

TCommonDialog::TCommonDialog(TComponent* owner) : TComponent(owner) {}
TCommonDialog::~TCommonDialog() = default;

void TCommonDialog::DoShow() {
  if (OnShow) OnShow(this);
}

void TCommonDialog::DoClose() {
  if (OnClose) OnClose(this);
}

TOpenDialog::TOpenDialog(TComponent* owner) : TCommonDialog(owner) {}
TOpenDialog::~TOpenDialog() = default;

const std::string& TOpenDialog::FileName() const { return run_ ? run_->CurrentPath() : fileName_; }

bool TOpenDialog::Run() { return RunFileDialog(false, false); }

bool TOpenDialog::RunFileDialog(bool saving, bool withTemplate) {
  if (run_) return false;
  run_ = std::make_unique<FileDialogRun>(*this, saving, withTemplate);
  struct RunEnd {
    std::unique_ptr<FileDialogRun>& run;
    ~RunEnd() { run.reset(); }
  } end{run_};
  return run_->Exec();
}

TRect TOpenDialog::StandardControlsRect() const {
  const auto* room = run_ ? run_->Room() : nullptr;
  if (room == nullptr) return Rect(0, 0, 0, 0);
  const QWidget* widget = room->Impl().Widget();
  const QWidget* dialog = &run_->Dialog();
  if (widget == nullptr) return Rect(0, 0, 0, 0);
  const QPoint at = widget->mapTo(dialog, QPoint(0, 0));
  return Rect(-at.x(), -at.y(), 0, dialog->height() - at.y());
}

void TOpenDialog::DialogShown() { DoShow(); }

void TOpenDialog::SelectionChanged() {
  if (OnSelectionChange) OnSelectionChange(this);
}

void TOpenDialog::DialogClosing() {
  DoClose();
  QToolTip::hideText();
}

TWinControl* TOpenDialog::TemplateWindow() const { return run_ ? run_->Room() : nullptr; }

bool TSaveDialog::Run() { return RunFileDialog(true, false); }
