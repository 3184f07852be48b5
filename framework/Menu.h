// Menus: a tree of TMenuItem under a TMainMenu, which a form shows as its menu
// bar. A "&" in a caption marks the access key (the next letter is underlined
// and Alt with it opens the item); "&&" shows a plain "&"; the caption "-" makes
// a separator.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "runtime/Component.h"

namespace framework::detail {
class MenuItemImpl;
class MainMenuImpl;
}  // namespace framework::detail

class TMainMenu;

class TMenuItem : public TComponent {
  KIRITORI_CLASS(TMenuItem, TComponent)

  explicit TMenuItem(TComponent* owner = nullptr);
  // Leaves its parent item; its own items are let go, not destroyed (their
  // owner destroys them).
  ~TMenuItem() override;

  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string value);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  // A check mark beside the caption.
  bool Checked() const { return checked_; }
  void SetChecked(bool value);
  // Choosing an AutoCheck item turns its check mark over before OnClick.
  bool AutoCheck() const { return autoCheck_; }
  void SetAutoCheck(bool value);
  // Keys that choose the item while its window is active, each written as
  // modifiers and a key joined by "+" ("Ctrl+0", "Ctrl++", "Ctrl+="). A key
  // that chooses an item goes no further: neither the form nor a control
  // sees it.
  const std::vector<std::string>& ShortCuts() const { return shortCuts_; }
  void SetShortCuts(std::vector<std::string> keys);

  int Count() const { return static_cast<int>(items_.size()); }
  // The sub-item at index, or null when out of range.
  TMenuItem* Items(int index) const;
  // The item this one is a sub-item of, or null.
  TMenuItem* Parent() const { return parent_; }
  // Appends item as the last sub-item; an item that has a parent leaves it
  // first. Adding an item to itself or to one of its own sub-items raises
  // EInvalidOperation.
  void Add(TMenuItem* item);
  // Takes item out of this item's sub-items; not a sub-item: nothing happens.
  void Remove(TMenuItem* item);
  // Makes a new item owned by owner, named and captioned as given, with
  // onClick as its handler, and appends it as the last sub-item. Returns it.
  TMenuItem* AddNew(TComponent& owner, const char* name, const char* caption, TNotifyEvent onClick = {});

  // Runs when the user chooses the item.
  TNotifyEvent OnClick;
  // Turns the check mark over when AutoCheck, then fires OnClick, as
  // choosing the item does.
  virtual void Click();

  framework::detail::MenuItemImpl& Impl() const { return *impl_; }

 private:
  std::unique_ptr<framework::detail::MenuItemImpl> impl_;
  std::string caption_;
  bool enabled_ = true;
  bool visible_ = true;
  bool checked_ = false;
  bool autoCheck_ = false;
  std::vector<std::string> shortCuts_;
  TMenuItem* parent_ = nullptr;
  std::vector<TMenuItem*> items_;
};

class TMainMenu : public TComponent {
  KIRITORI_CLASS(TMainMenu, TComponent)

  explicit TMainMenu(TComponent* owner = nullptr);
  ~TMainMenu() override;

  // The invisible root whose sub-items are the menu bar's entries; owned by
  // the menu.
  TMenuItem* Items() const { return items_; }

  framework::detail::MainMenuImpl& Impl() const { return *impl_; }

 private:
  std::unique_ptr<framework::detail::MainMenuImpl> impl_;
  TMenuItem* items_;
};
