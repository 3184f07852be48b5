#include "runtime/Object.h"

#include "runtime/Format.h"

TClass TObject::ClassInfo() {
  static const TClassInfo info{"TObject", nullptr, runtime::DefaultFactory<TObject>()};
  return &info;
}

std::unique_ptr<TObject> TClassInfo::CreateEmpty() const {
  if (Factory == nullptr) throw EAbstractError(Format(strings::AbstractClass, Name));
  return Factory();
}
