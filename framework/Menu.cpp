#include "framework/Menu.h"

#include <QKeySequence>
#include <QPointer>
#include <algorithm>

#include "framework/detail/ControlImpl.h"
#include "framework/detail/MenuImpl.h"
#include "runtime/Component.h"

namespace framework::detail {

MenuItemImpl::MenuItemImpl() : action_(std::make_unique<QAction>()) {}

MenuItemImpl::~MenuItemImpl() {
  // The popup names the action as its own; the action goes first so the popup
  // never points at a deleted one.
  action_.reset();
  submenu_.reset();
}

QWidget* MenuItemImpl::Container() {
  if (bar_ != nullptr) return bar_.data();
  if (!submenu_) {
    submenu_ = std::make_unique<QMenu>();
    action_->setMenu(submenu_.get());
  }
  return submenu_.get();
}

QWidget* MenuItemImpl::ExistingContainer() const {
  if (bar_ != nullptr) return bar_.data();
  return submenu_.get();
}

MainMenuImpl::MainMenuImpl() : bar_(new QMenuBar) {
  bar_->setAttribute(Qt::WA_NativeWindow, false);
  // The desktop's global menu would take the bar out of the window.
  bar_->setNativeMenuBar(false);
}

MainMenuImpl::~MainMenuImpl() { delete bar_.data(); }

}  // namespace framework::detail

using framework::detail::Guarded;

namespace {
constexpr const char* kMenuItemLoop = "メニュー項目をそれ自身の中に入れることはできません";
}  // namespace

TMenuItem::TMenuItem(TComponent* owner)
    : TComponent(owner), impl_(std::make_unique<framework::detail::MenuItemImpl>()) {
  QAction* action = impl_->Action();
  QObject::connect(action, &QAction::triggered, action, [this, action] {
    const QPointer<QAction> alive(action);
    Guarded([this] { Click(); });
    // Qt turns any checkable action's mark over; the item's state decides.
    if (!alive.isNull()) action->setChecked(checked_);
  });
}

TMenuItem::~TMenuItem() {
  if (parent_ != nullptr) parent_->Remove(this);
  for (TMenuItem* item : items_) item->parent_ = nullptr;
  items_.clear();
}

void TMenuItem::SetCaption(std::string value) {
  caption_ = std::move(value);
  QAction* action = impl_->Action();
  action->setSeparator(caption_ == "-");
  action->setText(QString::fromStdString(caption_));
}

void TMenuItem::SetEnabled(bool value) {
  enabled_ = value;
  impl_->Action()->setEnabled(value);
}

void TMenuItem::SetVisible(bool value) {
  visible_ = value;
  impl_->Action()->setVisible(value);
}

void TMenuItem::SetChecked(bool value) {
  checked_ = value;
  QAction* action = impl_->Action();
  action->setCheckable(checked_ || autoCheck_);
  action->setChecked(checked_);
}

void TMenuItem::SetAutoCheck(bool value) {
  autoCheck_ = value;
  SetChecked(checked_);
}

void TMenuItem::SetShortCuts(std::vector<std::string> keys) {
  shortCuts_ = std::move(keys);
  QList<QKeySequence> sequences;
  for (const std::string& key : shortCuts_) {
    sequences.append(QKeySequence::fromString(QString::fromStdString(key), QKeySequence::PortableText));
  }
  impl_->Action()->setShortcuts(sequences);
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return items_[static_cast<std::size_t>(index)];
}

void TMenuItem::Add(TMenuItem* item) {
  if (item == nullptr) return;
  for (const TMenuItem* p = this; p != nullptr; p = p->parent_) {
    if (p == item) throw EInvalidOperation(kMenuItemLoop);
  }
  if (item->parent_ != nullptr) item->parent_->Remove(item);
  items_.push_back(item);
  item->parent_ = this;
  impl_->Container()->addAction(item->impl_->Action());
}

void TMenuItem::Remove(TMenuItem* item) {
  const auto found = std::find(items_.begin(), items_.end(), item);
  if (found == items_.end()) return;
  items_.erase(found);
  item->parent_ = nullptr;
  if (QWidget* container = impl_->ExistingContainer()) container->removeAction(item->impl_->Action());
}

void TMenuItem::Click() {
  // Qt has turned a checkable action's mark over already; the item's own
  // state decides, so a Click from code turns it too.
  if (autoCheck_) SetChecked(!checked_);
  if (OnClick) OnClick(this);
}

TMainMenu::TMainMenu(TComponent* owner)
    : TComponent(owner),
      impl_(std::make_unique<framework::detail::MainMenuImpl>()),
      items_(runtime::CreateComponent<TMenuItem>(*this)) {
  items_->Impl().SetBar(impl_->Bar());
}

TMainMenu::~TMainMenu() = default;

TMenuItem* TMenuItem::AddNew(TComponent& owner, const char* name, const char* caption, TNotifyEvent onClick) {
  auto* made = runtime::CreateComponent<TMenuItem>(owner);
  made->SetName(name);
  made->SetCaption(caption);
  made->OnClick = std::move(onClick);
  Add(made);
  return made;
}
