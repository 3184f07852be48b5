#include "framework/Menu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <vector>

#include "framework/detail/MenuImpl.h"

namespace {

TEST(Menu, ItemsFormATreeOfActionsWithTheirCaptions) {
  TMainMenu menu;
  auto* file = runtime::CreateComponent<TMenuItem>(menu);
  auto* open = runtime::CreateComponent<TMenuItem>(menu);
  auto* close = runtime::CreateComponent<TMenuItem>(menu);
  file->SetCaption("ファイル(&F)");
  open->SetCaption("開く(&O)");
  close->SetCaption("閉じる(&C)");
  menu.Items()->Add(file);
  file->Add(open);
  file->Add(close);

  ASSERT_EQ(menu.Items()->Count(), 1);
  EXPECT_EQ(file->Parent(), menu.Items());
  EXPECT_EQ(file->Items(1), close);
  EXPECT_EQ(file->Items(2), nullptr);
  QMenu* popup = file->Impl().Submenu();
  ASSERT_NE(popup, nullptr);
  ASSERT_EQ(popup->actions().size(), 2);
  // Qt reads "&" exactly as the menus mean it: the next letter is the access key.
  EXPECT_EQ(popup->actions()[0]->text().toStdString(), "開く(&O)");
  EXPECT_EQ(popup->actions()[1]->text().toStdString(), "閉じる(&C)");
}

TEST(Menu, ChoosingAnItemRunsItsHandlerWithTheItemAsSender) {
  TMainMenu menu;
  auto* item = runtime::CreateComponent<TMenuItem>(menu);
  menu.Items()->Add(item);
  TObject* sender = nullptr;
  int calls = 0;
  item->OnClick = [&](TObject* s) {
    sender = s;
    ++calls;
  };
  item->Impl().Action()->trigger();
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(sender, item);
  item->SetEnabled(false);
  item->Impl().Action()->trigger();
  EXPECT_EQ(calls, 1);
}

TEST(Menu, AnAutoCheckItemTurnsItsMarkOverBeforeItsHandlerAPlainOneKeepsIt) {
  TMainMenu menu;
  auto* loupe = runtime::CreateComponent<TMenuItem>(menu);
  auto* plain = runtime::CreateComponent<TMenuItem>(menu);
  menu.Items()->Add(loupe);
  menu.Items()->Add(plain);
  loupe->SetAutoCheck(true);
  plain->SetChecked(true);
  std::vector<bool> seen;
  loupe->OnClick = [&](TObject*) { seen.push_back(loupe->Checked()); };
  QAction* action = loupe->Impl().Action();
  EXPECT_TRUE(action->isCheckable());
  EXPECT_FALSE(action->isChecked());
  action->trigger();  // as the user chooses it
  loupe->Click();     // as code does
  action->trigger();
  EXPECT_EQ(seen, (std::vector<bool>{true, false, true}));
  EXPECT_TRUE(action->isChecked());
  plain->Impl().Action()->trigger();
  EXPECT_TRUE(plain->Checked());
  EXPECT_TRUE(plain->Impl().Action()->isChecked());
}

TEST(Menu, AnItemCannotBeAddedInsideItself) {
  TMainMenu menu;
  auto* outer = runtime::CreateComponent<TMenuItem>(menu);
  auto* inner = runtime::CreateComponent<TMenuItem>(menu);
  outer->Add(inner);
  EXPECT_THROW(inner->Add(outer), EInvalidOperation);
  EXPECT_THROW(outer->Add(outer), EInvalidOperation);
  EXPECT_EQ(outer->Count(), 1);
  EXPECT_EQ(inner->Count(), 0);
}

TEST(Menu, AnItemMovesBetweenParentsAndLeavesWhenDestroyed) {
  TMainMenu menu;
  auto* a = runtime::CreateComponent<TMenuItem>(menu);
  auto* b = runtime::CreateComponent<TMenuItem>(menu);
  auto* child = runtime::CreateComponent<TMenuItem>(menu);
  a->Add(child);
  b->Add(child);
  EXPECT_EQ(a->Count(), 0);
  EXPECT_EQ(b->Count(), 1);
  EXPECT_EQ(child->Parent(), b);
  runtime::DestroyComponent(child);
  EXPECT_EQ(b->Count(), 0);
  EXPECT_TRUE(b->Impl().Submenu()->actions().isEmpty());
  // Destroying a parent lets its items go; they stay alive with their owner.
  auto* orphan = runtime::CreateComponent<TMenuItem>(menu);
  a->Add(orphan);
  runtime::DestroyComponent(a);
  EXPECT_EQ(orphan->Parent(), nullptr);
}

TEST(Menu, ADashCaptionIsASeparator) {
  TMenuItem item;
  item.SetCaption("-");
  EXPECT_TRUE(item.Impl().Action()->isSeparator());
  item.SetCaption("保存(&S)");
  EXPECT_FALSE(item.Impl().Action()->isSeparator());
}

}  // namespace
