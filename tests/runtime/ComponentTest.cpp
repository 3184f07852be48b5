#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/Component.h"

namespace {

// Records its destruction and its Loaded call in a shared log.
class TProbe : public TComponent {
  KIRITORI_CLASS(TProbe, TComponent)
  TProbe() : TProbe(nullptr, nullptr, "") {}
  TProbe(TComponent* owner, std::vector<std::string>* log, std::string name)
      : TComponent(owner), log_(log) {
    SetName(std::move(name));
  }
  ~TProbe() override {
    if (log_) log_->push_back("~" + Name());
  }
  bool sawLoading = false;

 protected:
  void Loaded() override {
    if (log_) log_->push_back("loaded " + Name());
  }

 private:
  std::vector<std::string>* log_;
};

TEST(Component, OwnerDestroysWhatItOwnsLastFirst) {
  std::vector<std::string> log;
  {
    TProbe form(nullptr, &log, "form");
    auto* a = runtime::CreateComponent<TProbe>(form, &log, std::string("a"));
    auto* b = runtime::CreateComponent<TProbe>(*a, &log, std::string("b"));
    runtime::CreateComponent<TProbe>(form, &log, std::string("c"));
    EXPECT_EQ(form.ComponentCount(), 2);
    EXPECT_EQ(a->Owner(), &form);
    EXPECT_EQ(form.FindComponent("c"), form.Components(1));
    EXPECT_EQ(form.FindComponent("b"), nullptr);  // only direct components
    EXPECT_EQ(a->FindComponent("b"), b);
    EXPECT_EQ(form.Components(2), nullptr);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"~form", "~c", "~a", "~b"}));
}

TEST(Component, DestroyingEarlyRemovesItFromItsOwner) {
  std::vector<std::string> log;
  {
    TProbe form(nullptr, &log, "form");
    auto* piece = runtime::CreateComponent<TProbe>(form, &log, std::string("piece"));
    runtime::DestroyComponent(piece);
    EXPECT_EQ(form.ComponentCount(), 0);
    runtime::DestroyComponent(nullptr);
  }
  EXPECT_EQ(log, (std::vector<std::string>{"~piece", "~form"}));
}

TEST(Component, LoadingFlagCoversOwnedComponentsAndEndsWithLoaded) {
  std::vector<std::string> log;
  TProbe form(nullptr, &log, "form");
  auto* child = runtime::CreateComponent<TProbe>(form, &log, std::string("child"));
  form.BeginLoading();
  EXPECT_TRUE(form.IsLoading());
  EXPECT_TRUE(child->IsLoading());
  form.EndLoading();
  EXPECT_FALSE(child->IsLoading());
  EXPECT_EQ(log, (std::vector<std::string>{"loaded child", "loaded form"}));
}

}  // namespace
