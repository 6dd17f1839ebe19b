#include <gtest/gtest.h>
#include <windows.h>

#include "core/input/char_ring.h"
#include "core/input/key_input.h"
#include "window_fixture.h"

namespace {

// A paste whose clipboard read ends the framework: shut-down is reached
// from inside the pump's key-input step.
int g_clipboardReads = 0;
int ReadClipboardAndEnd(char *, int) {
  g_clipboardReads++;
  EndFramework();
  return -1;
}
int WriteNothing(const char *) { return -1; }
int NoShift(void) { return 0; }
const KeyInputServices kEndingServices = {ReadClipboardAndEnd, WriteNothing, NoShift};

class KeyInputWindowTest : public WindowTest {
 protected:
  void TearDown() override {
    SetKeyInputServices(nullptr);
    WindowTest::TearDown();
  }
};

TEST_F(KeyInputWindowTest, TypedCharactersReachTheActiveStringThroughThePump) {
  const int handle = MakeKeyInputHandleForTest(16, 1, 0, 0);
  ASSERT_GE(handle, 0);
  ASSERT_EQ(0, SetActiveKeyInputHandleForTest(handle));
  for (char c : {'h', 'i'}) PostMessageA(window_, WM_CHAR, static_cast<WPARAM>(c), 0);
  DrainMessages();
  EXPECT_EQ(0, PumpMessages());
  EXPECT_STREQ("hi", GetKeyInputRecordForTest(handle)->buffer);
}

TEST_F(KeyInputWindowTest, ShutDownFromInsideTheKeyInputStepFinishes) {
  const int handle = MakeKeyInputHandleForTest(16, 0, 0, 0);
  ASSERT_EQ(0, SetActiveKeyInputHandleForTest(handle));
  SetKeyInputServices(&kEndingServices);
  g_clipboardReads = 0;
  PushInputChar(22);  // Ctrl+V
  PushInputChar('x');
  PumpMessages();
  EXPECT_EQ(1, g_clipboardReads);
  EXPECT_FALSE(IsWindow(window_));
  EXPECT_EQ(nullptr, GetKeyInputRecordForTest(handle));
  // The fixture's own shut-down finds nothing left to do; start again for it.
  SetKeyInputServices(nullptr);
  ASSERT_EQ(0, StartFrameworkWindowed());
}

}  // namespace
