// The root of the class hierarchy: a virtual destructor and the class reference
// of the object's run-time class.
#pragma once

#include <functional>
#include <memory>
#include <string_view>

#include "runtime/ClassRef.h"
#include "runtime/Exceptions.h"
#include "runtime/Strings.h"

class TObject {
 public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static TClass ClassInfo();
  // The reference of the object's run-time class.
  virtual TClass ClassType() const { return ClassInfo(); }
  std::string_view ClassName() const { return ClassType()->Name; }
  // True when the object's class is cls or descends from it.
  bool InheritsFrom(TClass cls) const { return ClassType()->InheritsFrom(cls); }
};

// The event every change notification carries: the object that changed.
using TNotifyEvent = std::function<void(TObject* sender)>;

namespace runtime {
// Makes a new, empty instance of cls and checks that it is a T. Raises
// EAbstractError when cls cannot be instantiated and EInvalidCast when cls
// does not descend from T.
template <class T>
std::unique_ptr<T> CreateAs(TClass cls) {
  if (cls == nullptr || !cls->InheritsFrom(T::ClassInfo())) {
    throw EInvalidCast(strings::InvalidCast);
  }
  std::unique_ptr<TObject> made = cls->CreateEmpty();
  T* typed = dynamic_cast<T*>(made.get());
  if (typed == nullptr) throw EInvalidCast(strings::InvalidCast);
  std::unique_ptr<T> result(typed);
  static_cast<void>(made.release());  // result owns the object now
  return result;
}
}  // namespace runtime
