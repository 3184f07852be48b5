// The base of the canvas's drawing tools (pen, brush, font): a small attribute
// object whose platform object lives in a record shared by every tool with the
// same attributes.
#pragma once

#include "runtime/CriticalSection.h"
#include "runtime/Persistent.h"

struct ToolResource;

class TGraphicsObject : public TPersistent {
  KIRITORI_CLASS(TGraphicsObject, TPersistent)

  // Fired after every change of the tool's attributes, with the tool as sender;
  // the owning canvas installs its handler here.
  TNotifyEvent OnChange;
  // The shared record in use; never null while the tool lives (owned by the
  // cache, counted by its users).
  ToolResource* Resource = nullptr;
  // The owning canvas's lock, held while an attribute changes; null for a
  // free-standing tool.
  TCriticalSection* OwnerLock = nullptr;

  // Reports a change: fires OnChange when assigned.
  virtual void Changed();

 protected:
  TGraphicsObject() = default;

  // Holds the tool's OwnerLock, when it has one, for the guard's lifetime.
  class [[nodiscard]] OwnerLockGuard {
   public:
    explicit OwnerLockGuard(const TGraphicsObject& tool) : lock_(tool.OwnerLock) {
      if (lock_ != nullptr) lock_->Enter();
    }
    ~OwnerLockGuard() {
      if (lock_ != nullptr) lock_->Leave();
    }
    OwnerLockGuard(const OwnerLockGuard&) = delete;
    OwnerLockGuard& operator=(const OwnerLockGuard&) = delete;

   private:
    TCriticalSection* lock_;
  };
};
