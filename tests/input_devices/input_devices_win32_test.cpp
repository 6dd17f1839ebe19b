#include <gtest/gtest.h>
#include <windows.h>

#include <string>

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

// The three ways input runs: without DirectInput (key state and winmm);
// with DirectInput but keys and mouse buttons from the key state, as on
// Vista and later by default; and all from DirectInput, effects off.
struct InputWay {
  const char *name;
  int vistaUsesDirectInput;
  int effectsOff;
  int noDirectInput;
};

const InputWay kWays[] = {
    {"KeyStateAndWinmm", 0, 0, 1},
    {"DirectInputWithKeyState", 0, 0, 0},
    {"DirectInputOnly", 1, 1, 0},
};

class InputDevicesTest : public WindowTest, public testing::WithParamInterface<InputWay> {
 protected:
  void SetUp() override {
    SetInputSwitches(GetParam().vistaUsesDirectInput, GetParam().effectsOff,
                     GetParam().noDirectInput);
    WindowTest::SetUp();
    SetForegroundWindow(window_);
  }
  void TearDown() override {
    WindowTest::TearDown();
    SetInputSwitches(0, 0, 0);
  }
};

TEST_P(InputDevicesTest, InjectedKeysShowAsDownThenUp) {
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

// The key state cannot tell the two Enter keys apart; DirectInput can.
TEST_P(InputDevicesTest, ReturnFillsBothEntersOnlyFromTheKeyState) {
  SendKey(VK_RETURN, true);
  LetATickPass();
  EXPECT_EQ(1, CheckKeyDown(kKeyReturn));
  EXPECT_EQ(GetParam().vistaUsesDirectInput ? 0 : 1, CheckKeyDown(kKeyNumpadEnter));
  SendKey(VK_RETURN, false);
  LetATickPass();
  EXPECT_EQ(0, CheckKeyDown(kKeyReturn));
}

TEST_P(InputDevicesTest, EscapeReadsAsPad1Button8ThroughTheKeyMapping) {
  SendKey(VK_ESCAPE, true);
  LetATickPass();
  EXPECT_EQ(1, CheckKeyDown(kKeyEscape));
  EXPECT_EQ(0x1000, GetJoypadState(PAD_INPUT_KEYS));
  EXPECT_EQ(0x1000, GetJoypadState(PAD_INPUT_KEYS | 1));
  SendKey(VK_ESCAPE, false);
  LetATickPass();
  EXPECT_EQ(0, GetJoypadState(PAD_INPUT_KEYS));
}

TEST_P(InputDevicesTest, InjectedMouseButtonsShow) {
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

TEST_P(InputDevicesTest, WithoutJoypadsEveryPadReadsZero) {
  for (int pad = 1; pad <= 16; pad++) EXPECT_EQ(0, GetJoypadState(pad)) << pad;
  EXPECT_EQ(0, GetJoypadState(17));
  EXPECT_EQ(0, GetJoypadState(PAD_INPUT_KEYS | 17));
}

TEST_P(InputDevicesTest, OutOfRangeKeyCodesReadAsUp) {
  for (int code : {-1, 256, 0x7FFFFFFF}) EXPECT_EQ(0, CheckKeyDown(code)) << code;
}

// Before start-up there is no window: input starts all the same (a query
// answers 0 meanwhile) and the next query reads.
TEST(InputBeforeStartUpTest, AQueryStartsInputWithoutAWindow) {
  for (int noDirectInput : {0, 1}) {
    SetInputSwitches(1, 0, noDirectInput);
    EXPECT_EQ(0, CheckKeyDown(kKeyA)) << noDirectInput;
    EXPECT_EQ(0, GetJoypadState(PAD_INPUT_KEYS | 1)) << noDirectInput;
    EXPECT_EQ(0, EndInputSystem());
  }
  SetInputSwitches(0, 0, 0);
}

INSTANTIATE_TEST_SUITE_P(Ways, InputDevicesTest, testing::ValuesIn(kWays),
                         [](const testing::TestParamInfo<InputWay> &info) {
                           return std::string(info.param.name);
                         });

}  // namespace
