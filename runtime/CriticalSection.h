// Re-entrant critical sections: the thread that holds one may enter it again.
#pragma once

#include <mutex>

class TCriticalSection {
 public:
  TCriticalSection() = default;
  TCriticalSection(const TCriticalSection&) = delete;
  TCriticalSection& operator=(const TCriticalSection&) = delete;

  // Waits until this thread holds the section (immediately if it already does).
  void Enter() { mutex_.lock(); }
  // Leaves one level of Enter.
  void Leave() { mutex_.unlock(); }
  // Enters without waiting; true when the section is now held.
  [[nodiscard]] bool TryEnter() { return mutex_.try_lock(); }

 private:
  std::recursive_mutex mutex_;
};

// Holds a critical section for the guard's lifetime.
class [[nodiscard]] TCriticalSectionGuard {
 public:
  explicit TCriticalSectionGuard(TCriticalSection& section) : section_(section) { section_.Enter(); }
  ~TCriticalSectionGuard() { section_.Leave(); }
  TCriticalSectionGuard(const TCriticalSectionGuard&) = delete;
  TCriticalSectionGuard& operator=(const TCriticalSectionGuard&) = delete;

 private:
  TCriticalSection& section_;
};
