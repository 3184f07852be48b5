// Class references: a run-time description of a class (its name, its parent and
// a factory for a new, empty instance), so that registries can find classes by
// name, make instances of them and test "is or descends from".
#pragma once

#include <memory>
#include <string_view>
#include <type_traits>

class TObject;

struct TClassInfo {
  // The class's own name, e.g. "TBitmap"; compared case-sensitively.
  std::string_view Name;
  // The parent's reference, or null for TObject.
  const TClassInfo* Parent;
  // Makes a new, empty instance; null for abstract classes and for classes
  // that have no constructor without arguments.
  std::unique_ptr<TObject> (*Factory)();

  // True when this class is other or descends from it; false for null.
  bool InheritsFrom(const TClassInfo* other) const noexcept {
    for (const TClassInfo* c = this; c != nullptr; c = c->Parent) {
      if (c == other) return true;
    }
    return false;
  }
  // A new, empty instance of this class. Raises EAbstractError when the class
  // cannot be instantiated (see Factory).
  std::unique_ptr<TObject> CreateEmpty() const;
};

// A class reference. Every class's reference is unique, so references compare
// by address.
using TClass = const TClassInfo*;

namespace runtime {
template <class T>
constexpr auto DefaultFactory() -> std::unique_ptr<TObject> (*)() {
  if constexpr (std::is_abstract_v<T> || !std::is_default_constructible_v<T>) {
    return nullptr;
  } else {
    return []() -> std::unique_ptr<TObject> { return std::make_unique<T>(); };
  }
}
}  // namespace runtime

// Declares a class's reference: a static ClassInfo() and the virtual
// ClassType() that answers it for an instance. Put it first in the class body
// of every descendant of TObject that registries or copies need to tell apart;
// it leaves the access at public.
#define KIRITORI_CLASS(Self, ParentClass)                                          \
 public:                                                                            \
  static TClass ClassInfo() {                                                       \
    static const TClassInfo info{#Self, ParentClass::ClassInfo(),                   \
                                 ::runtime::DefaultFactory<Self>()};                \
    return &info;                                                                   \
  }                                                                                 \
  TClass ClassType() const override { return ClassInfo(); }
