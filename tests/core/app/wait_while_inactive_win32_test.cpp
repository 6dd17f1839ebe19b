#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <thread>

#include "core/app/framework_lifecycle.h"

namespace {

// The draw and input setters wait here; before start-up there is no window
// to become active, so the wait must end at once. A wait that never ends
// is reported instead of hanging the test program.
TEST(WaitWhileInactiveTest, ReturnsAtOnceBeforeStartUp) {
  static std::atomic<int> returned{0};
  std::thread waiter([] {
    WaitWhileInactive();
    returned = 1;
  });
  for (int i = 0; i < 1000 && !returned; i++) Sleep(10);
  if (!returned) {
    waiter.detach();
    FAIL() << "WaitWhileInactive still waits without a main window";
  }
  waiter.join();
}

}  // namespace
