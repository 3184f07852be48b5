// The Qt side of menus: an action per item, a popup for an item with
// sub-items, a menu bar per main menu.
#pragma once

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <memory>

namespace framework::detail {

class MenuItemImpl {
 public:
  MenuItemImpl();
  ~MenuItemImpl();
  MenuItemImpl(const MenuItemImpl&) = delete;
  MenuItemImpl& operator=(const MenuItemImpl&) = delete;

  QAction* Action() const { return action_.get(); }
  // Where sub-items' actions go: the menu bar for a main menu's root, else
  // this item's popup, made with the first sub-item.
  QWidget* Container();
  // The container if there is one yet; null otherwise.
  QWidget* ExistingContainer() const;
  // Makes this item the root of bar.
  void SetBar(QMenuBar* bar) { bar_ = bar; }
  QMenu* Submenu() const { return submenu_.get(); }

 private:
  std::unique_ptr<QAction> action_;
  std::unique_ptr<QMenu> submenu_;
  QPointer<QMenuBar> bar_;
};

class MainMenuImpl {
 public:
  MainMenuImpl();
  ~MainMenuImpl();
  MainMenuImpl(const MainMenuImpl&) = delete;
  MainMenuImpl& operator=(const MainMenuImpl&) = delete;

  // Null once Qt destroyed it together with a window.
  QMenuBar* Bar() const { return bar_.data(); }

 private:
  QPointer<QMenuBar> bar_;
};

}  // namespace framework::detail
