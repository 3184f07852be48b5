// Components: persistent objects with an owner that destroys them, a name, and
// the state flag of an object being loaded from a form definition.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/Persistent.h"

class TComponent : public TPersistent {
  KIRITORI_CLASS(TComponent, TPersistent)

  // With an owner, the owner destroys this component in its own destructor
  // (last added first) unless it was destroyed earlier.
  explicit TComponent(TComponent* owner = nullptr);
  // Destroys the owned components, then leaves the owner's list.
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  const std::string& Name() const { return name_; }
  virtual void SetName(std::string name) { name_ = std::move(name); }

  int ComponentCount() const { return static_cast<int>(components_.size()); }
  // The owned component at index (0 = first added); null when out of range.
  TComponent* Components(int index) const;
  // The owned component with this name (case-sensitive), or null.
  TComponent* FindComponent(std::string_view name) const;

  // True while the component is being built from its form definition.
  bool IsLoading() const { return loading_; }
  // Destroys the owned components now, last added first. A subclass whose
  // components refer to its own members calls it from its destructor.
  void DestroyComponents() noexcept;

  // Marks the component and everything it owns as being loaded.
  void BeginLoading();
  // Clears the mark on the component and everything it owns and calls Loaded
  // on each, owned components first.
  void EndLoading();

 protected:
  // Runs once the component's definition has been applied.
  virtual void Loaded() {}

 private:
  void Remove(TComponent* component) noexcept;

  TComponent* owner_;
  std::string name_;
  // Owned: destroyed by this component's destructor.
  std::vector<TComponent*> components_;
  bool loading_ = false;
};

namespace runtime {
// Makes a T owned by owner and returns a pointer that does not own it.
template <class T, class... Args>
T* CreateComponent(TComponent& owner, Args&&... args) {
  // The constructor has already entered the component in owner's list.
  return std::make_unique<T>(&owner, std::forward<Args>(args)...).release();
}
// Destroys component now; its owner forgets it. Null does nothing.
void DestroyComponent(TComponent* component) noexcept;
}  // namespace runtime
