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

// An injected event reaches the key state only after it has crossed the
// Wine server and the pump, which on a busy machine takes far longer than
// the state's one-millisecond refresh, and one sent while the display is
// still moving the focus to the window is lost: send, then poll, pumping as
// a game would, and send again every 100 ms until the expected value shows
// or three seconds have passed.
template <typename Send, typename Read>
int Eventually(int expected, Send send, Read read) {
  int value = -1;
  for (int attempt = 0; attempt < 30 && value != expected; attempt++) {
    send();
    for (int i = 0; i < 20; i++) {
      Sleep(5);
      PumpMessages();
      value = read();
      if (value == expected) break;
    }
  }
  return value;
}

int KeyAfter(WORD virtualKey, bool down, int expected, int (*read)()) {
  return Eventually(expected, [&] { SendKey(virtualKey, down); }, read);
}

int ButtonsAfter(DWORD flags, int expected, int mask) {
  return Eventually(expected, [&] { SendMouseButton(flags); },
                    [&] { return GetMouseButtons() & mask; });
}

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
    for (int i = 0; i < 200 && GetForegroundWindow() != window_; i++) {
      Sleep(10);
      PumpMessages();
    }
  }
  void TearDown() override {
    WindowTest::TearDown();
    SetInputSwitches(0, 0, 0);
  }
};

TEST_P(InputDevicesTest, InjectedKeysShowAsDownThenUp) {
  EXPECT_EQ(1, KeyAfter('A', true, 1, [] { return CheckKeyDown(kKeyA); }));
  char states[256];
  ASSERT_EQ(0, GetAllKeyStates(states));
  EXPECT_EQ(1, states[kKeyA]);
  EXPECT_EQ(0, KeyAfter('A', false, 0, [] { return CheckKeyDown(kKeyA); }));
}

// The key state cannot tell the two Enter keys apart; DirectInput can.
TEST_P(InputDevicesTest, ReturnFillsBothEntersOnlyFromTheKeyState) {
  EXPECT_EQ(1, KeyAfter(VK_RETURN, true, 1, [] { return CheckKeyDown(kKeyReturn); }));
  EXPECT_EQ(GetParam().vistaUsesDirectInput ? 0 : 1, CheckKeyDown(kKeyNumpadEnter));
  EXPECT_EQ(0, KeyAfter(VK_RETURN, false, 0, [] { return CheckKeyDown(kKeyReturn); }));
}

TEST_P(InputDevicesTest, EscapeReadsAsPad1Button8ThroughTheKeyMapping) {
  EXPECT_EQ(1, KeyAfter(VK_ESCAPE, true, 1, [] { return CheckKeyDown(kKeyEscape); }));
  EXPECT_EQ(0x1000, GetJoypadState(PAD_INPUT_KEYS));
  // The first winmm pad query can make Wine resynchronise its key state
  // with the X server's, which never saw the injected key: send it again.
  EXPECT_EQ(0x1000, KeyAfter(VK_ESCAPE, true, 0x1000, [] { return GetJoypadState(PAD_INPUT_KEYS | 1); }));
  EXPECT_EQ(0, KeyAfter(VK_ESCAPE, false, 0, [] { return GetJoypadState(PAD_INPUT_KEYS); }));
}

TEST_P(InputDevicesTest, InjectedMouseButtonsShow) {
  EXPECT_EQ(1, ButtonsAfter(MOUSEEVENTF_LEFTDOWN, 1, 1));
  EXPECT_EQ(3, ButtonsAfter(MOUSEEVENTF_RIGHTDOWN, 3, 7));
  EXPECT_EQ(2, ButtonsAfter(MOUSEEVENTF_LEFTUP, 2, 7));
  EXPECT_EQ(0, ButtonsAfter(MOUSEEVENTF_RIGHTUP, 0, 7));
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
