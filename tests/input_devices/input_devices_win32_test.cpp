#include <gtest/gtest.h>
#include <windows.h>

#include "core/input/input_devices.h"
#include "window_fixture.h"

namespace {

const int kKeyA = 0x1E;
const int kKeyEscape = 0x01;
const int kKeyNumpadEnter = 0x9C;
const int kKeyReturn = 0x1C;

void SendKey(WORD virtualKey, bool down) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  ASSERT_EQ(1u, SendInput(1, &input, sizeof input));
}

void SendMouseButton(DWORD flags) {
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  ASSERT_EQ(1u, SendInput(1, &input, sizeof input));
}

// The state refreshes once per millisecond tick.
void LetATickPass() { Sleep(5); }

class InputDevicesTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    SetForegroundWindow(window_);
  }
};

TEST_F(InputDevicesTest, InjectedKeysShowAsDownThenUp) {
  SendKey('A', true);
  LetATickPass();
  EXPECT_EQ(1, CheckKeyDown(kKeyA));
  char states[256];
  ASSERT_EQ(0, GetAllKeyStates(states));
  EXPECT_EQ(1, states[kKeyA]);
  SendKey('A', false);
  LetATickPass();
  EXPECT_EQ(0, CheckKeyDown(kKeyA));
}

TEST_F(InputDevicesTest, ReturnFillsBothEnters) {
  SendKey(VK_RETURN, true);
  LetATickPass();
  EXPECT_EQ(1, CheckKeyDown(kKeyReturn));
  EXPECT_EQ(1, CheckKeyDown(kKeyNumpadEnter));
  SendKey(VK_RETURN, false);
  LetATickPass();
  EXPECT_EQ(0, CheckKeyDown(kKeyReturn));
}

TEST_F(InputDevicesTest, EscapeReadsAsPad1Button8ThroughTheKeyMapping) {
  SendKey(VK_ESCAPE, true);
  LetATickPass();
  EXPECT_EQ(1, CheckKeyDown(kKeyEscape));
  EXPECT_EQ(0x1000, GetJoypadState(PAD_INPUT_KEYS));
  EXPECT_EQ(0x1000, GetJoypadState(PAD_INPUT_KEYS | 1));
  SendKey(VK_ESCAPE, false);
  LetATickPass();
  EXPECT_EQ(0, GetJoypadState(PAD_INPUT_KEYS));
}

TEST_F(InputDevicesTest, InjectedMouseButtonsShow) {
  SendMouseButton(MOUSEEVENTF_LEFTDOWN);
  LetATickPass();
  EXPECT_EQ(1, GetMouseButtons() & 1);
  SendMouseButton(MOUSEEVENTF_RIGHTDOWN);
  LetATickPass();
  EXPECT_EQ(3, GetMouseButtons() & 7);
  SendMouseButton(MOUSEEVENTF_LEFTUP);
  SendMouseButton(MOUSEEVENTF_RIGHTUP);
  LetATickPass();
  EXPECT_EQ(0, GetMouseButtons() & 7);
}

TEST_F(InputDevicesTest, WithoutJoypadsEveryPadReadsZero) {
  for (int pad = 1; pad <= 16; pad++) EXPECT_EQ(0, GetJoypadState(pad)) << pad;
  EXPECT_EQ(0, GetJoypadState(17));
  EXPECT_EQ(0, GetJoypadState(PAD_INPUT_KEYS | 17));
}

TEST_F(InputDevicesTest, OutOfRangeKeyCodesReadAsUp) {
  for (int code : {-1, 256, 0x7FFFFFFF}) EXPECT_EQ(0, CheckKeyDown(code)) << code;
}

}  // namespace
