#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "runtime/CriticalSection.h"
#include "runtime/ThreadList.h"

namespace {

TEST(CriticalSection, IsReentrantForItsHolderAndBusyForOthers) {
  TCriticalSection cs;
  cs.Enter();
  EXPECT_TRUE(cs.TryEnter());  // the holder may enter again
  bool otherGotIt = true;
  std::thread([&] { otherGotIt = cs.TryEnter(); }).join();
  EXPECT_FALSE(otherGotIt);
  cs.Leave();
  cs.Leave();
  std::thread([&] {
    otherGotIt = cs.TryEnter();
    if (otherGotIt) cs.Leave();
  }).join();
  EXPECT_TRUE(otherGotIt);
}

TEST(ThreadList, AddIgnoresDuplicatesAndRemoveForgets) {
  int a = 0, b = 0;
  TThreadList<int> list;
  list.Add(&a);
  list.Add(&b);
  list.Add(&a);
  EXPECT_EQ(list.Count(), 2u);
  list.Remove(&a);
  list.Remove(&a);
  EXPECT_FALSE(list.Contains(&a));
  EXPECT_TRUE(list.Contains(&b));
  list.Clear();
  EXPECT_EQ(list.Count(), 0u);
}

TEST(ThreadList, LockedViewAllowsNestedCallsAndGuardsOtherThreads) {
  int a = 0, b = 0;
  TThreadList<int> list;
  list.Add(&a);
  std::atomic<bool> removed{false};
  std::thread other;
  {
    auto locked = list.LockList();
    list.Add(&b);  // same thread: the lock is re-entrant
    EXPECT_EQ(locked.Count(), 2u);
    other = std::thread([&] {
      list.Remove(&a);
      removed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(removed);  // the other thread waits for the view to end
    EXPECT_EQ(locked.Count(), 2u);
  }
  other.join();
  EXPECT_TRUE(removed);
  EXPECT_FALSE(list.Contains(&a));
}

TEST(ThreadList, ConcurrentAddsAreAllKept) {
  std::vector<int> values(400);
  TThreadList<int> list;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = t; i < 400; i += 4) list.Add(&values[static_cast<std::size_t>(i)]);
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(list.Count(), 400u);
}

}  // namespace
