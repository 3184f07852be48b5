#include "runtime/Persistent.h"

#include "runtime/Format.h"

void TPersistent::CopyTo(TPersistent* dest) { RefuseCopy(this, dest); }

void TPersistent::DefineProperties(TFiler&) {}

void TPersistent::CopyFrom(TPersistent* source) {
  if (source == nullptr) RefuseCopy(nullptr, this);
  source->CopyTo(this);
}

void TPersistent::RefuseCopy(const TPersistent* source, const TPersistent* target) {
  const std::string_view sourceName = source ? source->ClassName() : std::string_view(strings::NullObjectName);
  const std::string_view targetName = target ? target->ClassName() : std::string_view(strings::NullObjectName);
  throw ECopyError(Format(strings::CopyRefused, sourceName, targetName));
}
