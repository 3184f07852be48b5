// A list of pointers guarded by its own re-entrant lock. The list does not own
// what it points to.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "runtime/CriticalSection.h"

template <class T>
class TThreadList;

// The list's items, with the list's lock held for as long as this view lives.
// The holding thread may still Add and Remove (the lock is re-entrant), so a
// walk that may change the list goes by index, not by iterator.
template <class T>
class TLockedList {
 public:
  explicit TLockedList(TThreadList<T>& list) : list_(list) { list_.lock_.Enter(); }
  ~TLockedList() { list_.lock_.Leave(); }
  TLockedList(const TLockedList&) = delete;
  TLockedList& operator=(const TLockedList&) = delete;

  std::vector<T*>& Items() { return list_.items_; }
  std::size_t Count() const { return list_.items_.size(); }
  auto begin() { return list_.items_.begin(); }
  auto end() { return list_.items_.end(); }

 private:
  TThreadList<T>& list_;
};

template <class T>
class TThreadList {
 public:
  TThreadList() = default;
  TThreadList(const TThreadList&) = delete;
  TThreadList& operator=(const TThreadList&) = delete;

  // Appends item unless it is already listed.
  void Add(T* item) {
    TLockedList<T> locked(*this);
    if (std::find(items_.begin(), items_.end(), item) == items_.end()) items_.push_back(item);
  }
  // Removes item if it is listed.
  void Remove(T* item) {
    TLockedList<T> locked(*this);
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it != items_.end()) items_.erase(it);
  }
  void Clear() {
    TLockedList<T> locked(*this);
    items_.clear();
  }
  bool Contains(T* item) {
    TLockedList<T> locked(*this);
    return std::find(items_.begin(), items_.end(), item) != items_.end();
  }
  std::size_t Count() {
    TLockedList<T> locked(*this);
    return items_.size();
  }
  // Locks the list and gives access to its items until the result is destroyed.
  TLockedList<T> LockList() { return TLockedList<T>(*this); }

 private:
  friend class TLockedList<T>;
  TCriticalSection lock_;
  std::vector<T*> items_;
};
