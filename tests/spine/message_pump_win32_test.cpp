#include <atomic>
#include <thread>

#include "core/app/window_state.h"
#include "window_fixture.h"

namespace {

const UINT kTestMessage = WM_APP + 7;

int TakeTestMessages() {
  MSG message;
  int count = 0;
  while (PeekMessageA(&message, NULL, kTestMessage, kTestMessage, PM_REMOVE)) count++;
  return count;
}

void PostTestMessages(int count) {
  for (int i = 0; i < count; i++) PostThreadMessageA(GetCurrentThreadId(), kTestMessage, i, 0);
}

TEST_F(WindowTest, EachCallDispatchesAtMostFiveMessages) {
  PostTestMessages(7);
  EXPECT_EQ(0, PumpMessages());
  EXPECT_EQ(2, TakeTestMessages());

  PostTestMessages(7);
  EXPECT_EQ(0, PumpMessages());
  EXPECT_EQ(0, PumpMessages());
  EXPECT_EQ(0, TakeTestMessages());
}

TEST_F(WindowTest, QuitMakesThisAndEveryLaterCallReturnMinusOne) {
  PostQuitMessage(0);
  EXPECT_EQ(-1, PumpMessages());
  EXPECT_EQ(1, IsProgramEnding());
  EXPECT_EQ(-1, PumpMessages());
  // Shut-down still takes the window down, so the next start-up finds no
  // window of the same class.
  EXPECT_EQ(0, EndFramework());
  EXPECT_FALSE(IsWindow(window_));
  ASSERT_EQ(0, StartFrameworkWindowed());
  EXPECT_EQ(0, PumpMessages());
}

// Another window of the program takes the activation away from the main one.
HWND ActivateOtherWindow() {
  HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 40, 40, NULL,
                               NULL, GetModuleHandleA(NULL), NULL);
  SetActiveWindow(other);
  SetForegroundWindow(other);
  return other;
}

TEST_F(WindowTest, InactiveWindowHoldsThePumpUntilActivatedAgain) {
  SetRunWhileInactive(0);
  HWND other = ActivateOtherWindow();
  for (int i = 0; i < 50 && IsWindowActive(); i++) Sleep(10);
  ASSERT_EQ(0, IsWindowActive());

  std::atomic<int> activationSent{0};
  HWND main = window_;
  std::thread activator([&activationSent, main] {
    Sleep(300);
    activationSent = 1;
    PostMessageA(main, WM_ACTIVATE, WA_ACTIVE, 0);
  });
  EXPECT_EQ(0, PumpMessages());
  EXPECT_EQ(1, activationSent.load());
  EXPECT_EQ(1, IsWindowActive());
  activator.join();
  DestroyWindow(other);
}

TEST_F(WindowTest, RunningWhileInactiveKeepsThePumpReturning) {
  SetRunWhileInactive(1);
  HWND other = ActivateOtherWindow();
  for (int i = 0; i < 50 && IsWindowActive(); i++) Sleep(10);
  ASSERT_EQ(0, IsWindowActive());
  EXPECT_EQ(0, PumpMessages());
  EXPECT_EQ(0, PumpMessages());
  DestroyWindow(other);
}

TEST_F(WindowTest, AnotherThreadPumpsOnceEvenWhileInactive) {
  SetRunWhileInactive(0);
  g_windowState.window.active = 0;
  std::atomic<int> result{1};
  std::thread other([&result] { result = PumpMessages(); });
  other.join();
  EXPECT_EQ(0, result.load());
  g_windowState.window.active = 1;
}

}  // namespace
