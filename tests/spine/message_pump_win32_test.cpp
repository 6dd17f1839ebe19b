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

int g_removedMessages = 0;

LRESULT CALLBACK CountRemovedMessages(int code, WPARAM removal, LPARAM message) {
  if (code == HC_ACTION && removal == PM_REMOVE) g_removedMessages++;
  return CallNextHookEx(NULL, code, removal, message);
}

// Messages the system posts meanwhile (activation, display events on a busy
// machine) share the five places with the test's own, so every message the
// pump takes is counted, not just the test's.
TEST_F(WindowTest, EachCallDispatchesAtMostFiveMessages) {
  HHOOK hook = SetWindowsHookExA(WH_GETMESSAGE, CountRemovedMessages, NULL, GetCurrentThreadId());
  ASSERT_NE(nullptr, hook);

  PostTestMessages(7);
  g_removedMessages = 0;
  EXPECT_EQ(0, PumpMessages());
  EXPECT_EQ(5, g_removedMessages);
  EXPECT_GE(TakeTestMessages(), 2);

  PostTestMessages(7);
  int calls = 0;
  int left = 7;
  for (; calls < 10 && left > 0; calls++) {
    g_removedMessages = 0;
    EXPECT_EQ(0, PumpMessages());
    EXPECT_LE(g_removedMessages, 5);
    MSG message;
    left = PeekMessageA(&message, NULL, kTestMessage, kTestMessage, PM_NOREMOVE) ? 1 : 0;
  }
  EXPECT_EQ(0, left);
  EXPECT_GE(calls, 2);
  UnhookWindowsHookEx(hook);
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
