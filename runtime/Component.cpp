#include "runtime/Component.h"

#include <algorithm>

TComponent::TComponent(TComponent* owner) : owner_(owner) {
  if (owner_ != nullptr) owner_->components_.push_back(this);
}

TComponent::~TComponent() {
  DestroyComponents();
  if (owner_ != nullptr) owner_->Remove(this);
}

void TComponent::DestroyComponents() noexcept {
  // Last added first, so a component never outlives one made before it that it
  // may refer to. Each destructor removes its component from this list.
  while (!components_.empty()) {
    std::unique_ptr<TComponent> doomed(components_.back());
  }
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) return nullptr;
  return components_[static_cast<std::size_t>(index)];
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : components_) {
    if (c->Name() == name) return c;
  }
  return nullptr;
}

void TComponent::BeginLoading() {
  loading_ = true;
  for (TComponent* c : components_) c->BeginLoading();
}

void TComponent::EndLoading() {
  // By index: a Loaded handler may add components.
  for (std::size_t i = 0; i < components_.size(); ++i) components_[i]->EndLoading();
  loading_ = false;
  Loaded();
}

void TComponent::Remove(TComponent* component) noexcept {
  auto it = std::find(components_.begin(), components_.end(), component);
  if (it != components_.end()) components_.erase(it);
}

namespace runtime {
void DestroyComponent(TComponent* component) noexcept {
  // Not owned by the caller's smart pointer: the component's owner (or nobody)
  // holds it, and its destructor takes it out of the owner's list.
  std::unique_ptr<TComponent> doomed(component);
}
}  // namespace runtime
