#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "core/app/api_lock.h"
#include "velvane.h"

namespace {

void WaitForWaiters(int count) {
  while (GetApiLockWaiterCount() < count) Sleep(1);
}

// A thread that queues for the lock and notes when it got it.
std::thread StartWaiter(std::atomic<int> *acquired) {
  std::thread waiter([acquired] {
    LockFrameworkApi();
    *acquired = 1;
    UnlockFrameworkApi();
  });
  WaitForWaiters(1);
  return waiter;
}

class ApiLockTest : public testing::Test {
 protected:
  void TearDown() override { DestroyFrameworkApiLock(); }

  // Records the order in which threads held the lock; the lock itself
  // guards the text, the mutex only keeps the checker honest.
  void Record(char name) {
    std::lock_guard<std::mutex> guard(orderMutex_);
    order_ += name;
  }
  std::string Order() {
    std::lock_guard<std::mutex> guard(orderMutex_);
    return order_;
  }

 private:
  std::mutex orderMutex_;
  std::string order_;
};

TEST_F(ApiLockTest, QueuedThreadsGetTheLockInArrivalOrder) {
  LockFrameworkApi();
  auto holdOnce = [this](char name) {
    LockFrameworkApi();
    Record(name);
    UnlockFrameworkApi();
  };
  auto holdTwice = [this](char name) {
    LockFrameworkApi();
    // B, C and the main thread, which asked again right after handing over.
    WaitForWaiters(3);
    Record(name);
    UnlockFrameworkApi();
    // Asking again at once queues behind everyone already waiting.
    LockFrameworkApi();
    Record(name);
    UnlockFrameworkApi();
  };
  std::thread a(holdTwice, 'A');
  WaitForWaiters(1);
  std::thread b(holdOnce, 'B');
  WaitForWaiters(2);
  std::thread c(holdOnce, 'C');
  WaitForWaiters(3);
  UnlockFrameworkApi();
  LockFrameworkApi();  // the releasing thread asks again at once
  Record('M');
  UnlockFrameworkApi();
  a.join();
  b.join();
  c.join();
  EXPECT_EQ("ABCMA", Order());
  EXPECT_EQ(0, GetApiLockWaiterCount());
}

TEST_F(ApiLockTest, OwnerReentersAndReleasesOnlyAtTheOutermostUnlock) {
  LockFrameworkApi();
  LockFrameworkApi();  // nesting on the owner proceeds at once
  std::atomic<int> acquired{0};
  std::thread other = StartWaiter(&acquired);
  UnlockFrameworkApi();
  Sleep(50);
  EXPECT_EQ(0, acquired.load());
  EXPECT_EQ(1, GetApiLockWaiterCount());
  UnlockFrameworkApi();
  other.join();
  EXPECT_EQ(1, acquired.load());
}

TEST_F(ApiLockTest, UnlockByAThreadThatDoesNotHoldItChangesNothing) {
  LockFrameworkApi();
  std::thread stranger([] { UnlockFrameworkApi(); });
  stranger.join();
  std::atomic<int> acquired{0};
  std::thread other = StartWaiter(&acquired);
  EXPECT_EQ(0, acquired.load());
  UnlockFrameworkApi();
  other.join();
  EXPECT_EQ(1, acquired.load());
}

TEST_F(ApiLockTest, DestroyLeavesTheLockWhileAThreadWaits) {
  LockFrameworkApi();
  std::atomic<int> acquired{0};
  std::thread waiter = StartWaiter(&acquired);
  EXPECT_EQ(0, DestroyFrameworkApiLock());
  EXPECT_EQ(1, IsFrameworkApiLockCreated());
  UnlockFrameworkApi();
  waiter.join();
  EXPECT_EQ(1, DestroyFrameworkApiLock());
  EXPECT_EQ(0, IsFrameworkApiLockCreated());
  // The next lock makes it again.
  LockFrameworkApi();
  EXPECT_EQ(1, IsFrameworkApiLockCreated());
  UnlockFrameworkApi();
}

// The critical section under the lock is made once per process by a
// thread-safe static, before any test here; what the racing threads remake
// is the waiters' events after a shut-down closed them. They start together
// from a barrier so the first lockers really meet.
TEST_F(ApiLockTest, LockersRacingAfterDestroyRemakeTheEventsOnce) {
  DestroyFrameworkApiLock();
  ASSERT_EQ(0, IsFrameworkApiLockCreated());
  const int kThreads = 8;
  std::atomic<int> ready{0};
  std::atomic<int> go{0};
  std::atomic<int> inside{0};
  std::atomic<int> overlaps{0};
  std::thread threads[kThreads];
  for (std::thread &t : threads) {
    t = std::thread([&] {
      ready++;
      while (!go) {
      }
      for (int i = 0; i < 20; i++) {
        LockFrameworkApi();
        if (inside.fetch_add(1) != 0) overlaps++;
        Sleep(0);
        inside.fetch_sub(1);
        UnlockFrameworkApi();
      }
    });
  }
  while (ready < kThreads) Sleep(0);
  EXPECT_EQ(0, IsFrameworkApiLockCreated());
  go = 1;
  for (std::thread &t : threads) t.join();
  EXPECT_EQ(0, overlaps.load());
  EXPECT_EQ(0, GetApiLockWaiterCount());
  EXPECT_EQ(1, IsFrameworkApiLockCreated());
}

TEST_F(ApiLockTest, EndFrameworkBeforeStartUpTouchesNoLock) {
  DestroyFrameworkApiLock();
  EXPECT_EQ(0, EndFramework());
  EXPECT_EQ(0, IsFrameworkApiLockCreated());
}

}  // namespace
