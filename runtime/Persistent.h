// The persistent-object base: objects that can copy their content from and to
// one another, and that a form definition can stream through named properties.
#pragma once

#include "runtime/Object.h"

class TFiler;

class TPersistent : public TObject {
  KIRITORI_CLASS(TPersistent, TObject)

  // Copies this object's content into dest. The base knows no partner and
  // raises ECopyError naming this class and dest's class.
  virtual void CopyTo(TPersistent* dest);
  // Declares the object's extra streamed properties to filer (a form
  // definition's reader or writer). The base declares none.
  virtual void DefineProperties(TFiler& filer);
  // Copies source's content into this object. The base asks source to copy
  // itself into this object (source->CopyTo(this)); a null source raises
  // ECopyError. Subclasses handle the partners they know and pass the rest on.
  virtual void CopyFrom(TPersistent* source);

 protected:
  // Raises ECopyError saying that source (may be null) cannot be copied into
  // target.
  [[noreturn]] static void RefuseCopy(const TPersistent* source, const TPersistent* target);
};
