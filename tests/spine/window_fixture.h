// A started framework in window mode for each test, ended after it with
// every framework block freed; the log goes to a private folder.
#ifndef VELVANE_TESTS_SPINE_WINDOW_FIXTURE_H
#define VELVANE_TESTS_SPINE_WINDOW_FIXTURE_H

#include <gtest/gtest.h>
#include <windows.h>

#include "core/input/char_ring.h"
#include "core/debug/memory.h"
#include "spine_support.h"
#include "velvane.h"

class WindowTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { EnterPrivateDirectory("window"); }
  void SetUp() override {
    ASSERT_EQ(0, StartFrameworkWindowed());
    window_ = static_cast<HWND>(GetWindowHandle());
    DrainMessages();
    ClearCharRing();
  }
  void TearDown() override {
    SetRunWhileInactive(1);
    EXPECT_EQ(0, EndFramework());
    EXPECT_EQ(0, GetAllocatedBlockCount());
  }
  // Pumps until the queue holds nothing posted.
  static void DrainMessages() {
    MSG message;
    for (int i = 0; i < 100 && PeekMessageA(&message, NULL, 0, 0, PM_NOREMOVE); i++) {
      if (PumpMessages() != 0) break;
    }
  }
  HWND window_ = NULL;
};

#endif  // VELVANE_TESTS_SPINE_WINDOW_FIXTURE_H
