#include <gtest/gtest.h>
#include <string.h>

#include "core/input/input_backend.h"
#include "core/input/input_devices.h"
#include "velvane.h"

namespace {

// Scripted devices: what the test puts here is what the queries read.
struct ScriptedDevices {
  int startResult;
  int starts;
  int ending;
  int padCount;
  uint8_t keys[KEY_STATE_SIZE];
  PadState pads[MAX_JOYPADS];
  int mouse;
  InputSwitches seenSwitches;
};

ScriptedDevices g_script;

int ScriptStart(InputSwitches *switches) {
  g_script.starts++;
  g_script.seenSwitches = *switches;
  return g_script.startResult;
}
void ScriptEnd(void) {}
int ScriptReadKeyboard(uint8_t *keys) {
  memcpy(keys, g_script.keys, KEY_STATE_SIZE);
  return 1;
}
int ScriptMouse(void) { return g_script.mouse; }
int ScriptPadCount(void) { return g_script.padCount; }
int ScriptReadPad(int index, PadState *state) {
  *state = g_script.pads[index];
  return 0;
}
int ScriptEnding(void) { return g_script.ending; }

const InputBackend kScript = {ScriptStart,  ScriptEnd,     ScriptReadKeyboard, ScriptMouse,
                              ScriptPadCount, ScriptReadPad, ScriptEnding};

class InputQueriesTest : public testing::Test {
 protected:
  void SetUp() override {
    EndInputSystem();
    memset(&g_script, 0, sizeof g_script);
    SetInputBackend(&kScript);
  }
  void TearDown() override {
    EndInputSystem();
    SetInputBackend(nullptr);
  }
  static void Start() { ASSERT_EQ(0, InitInputSystem()); }
};

TEST_F(InputQueriesTest, BeforeStartUpAQueryStartsInputAndReadsNothing) {
  g_script.keys[1] = 0x80;
  EXPECT_EQ(0, CheckKeyDown(1));
  EXPECT_EQ(1, g_script.starts);
  EXPECT_EQ(1, CheckKeyDown(1));
  EXPECT_EQ(1, g_script.starts);
}

TEST_F(InputQueriesTest, WhileTheProgramEndsAQueryStartsNothing) {
  g_script.ending = 1;
  EXPECT_EQ(0, CheckKeyDown(1));
  EXPECT_EQ(0, g_script.starts);
}

TEST_F(InputQueriesTest, AFailedStartReadsAsNoInputNotAsEveryButton) {
  g_script.startResult = -1;
  memset(g_script.keys, 0x80, sizeof g_script.keys);
  EXPECT_EQ(0, GetJoypadState(PAD_INPUT_KEYS | 1));
  EXPECT_EQ(0, GetJoypadState(1));
  EXPECT_EQ(0, CheckKeyDown(1));
  EXPECT_EQ(-1, InitInputSystem());
}

TEST_F(InputQueriesTest, CheckKeyDownRefusesCodesOutside0To255) {
  Start();
  memset(g_script.keys, 0x80, sizeof g_script.keys);
  for (int code : {-1, 256, 1000, -100000}) EXPECT_EQ(0, CheckKeyDown(code)) << code;
  EXPECT_EQ(1, CheckKeyDown(255));
}

TEST_F(InputQueriesTest, AllKeyStatesAreOneOrZero) {
  Start();
  g_script.keys[0x1E] = 0x80;
  g_script.keys[0x1F] = 0x01;  // a toggle bit alone is not down
  char states[KEY_STATE_SIZE];
  memset(states, 7, sizeof states);
  EXPECT_EQ(0, GetAllKeyStates(states));
  for (int i = 0; i < KEY_STATE_SIZE; i++) EXPECT_EQ(i == 0x1E ? 1 : 0, states[i]) << i;
  EXPECT_EQ(-1, GetAllKeyStates(nullptr));
}

TEST_F(InputQueriesTest, KeysAloneGivePad1sDefaultBits) {
  Start();
  struct {
    int key;
    int bits;
  } cases[] = {{208, 0x1}, {44, 0x10}, {57, 0x2000}};
  for (const auto &c : cases) {
    memset(g_script.keys, 0, sizeof g_script.keys);
    g_script.keys[c.key] = 0x80;
    EXPECT_EQ(c.bits, GetJoypadState(PAD_INPUT_KEYS)) << c.key;
    EXPECT_EQ(c.bits, GetJoypadState(PAD_INPUT_KEYS | 1)) << c.key;
    EXPECT_EQ(0, GetJoypadState(PAD_INPUT_KEYS | 2)) << c.key;
  }
}

TEST_F(InputQueriesTest, PadBitsAndKeyBitsCombine) {
  g_script.padCount = 2;
  Start();
  g_script.pads[0].x = -1000;
  g_script.pads[0].buttons[2] = 0x80;
  g_script.pads[1].y = 1000;
  g_script.keys[57] = 0x80;
  EXPECT_EQ(0x2 | 0x40, GetJoypadState(1));
  EXPECT_EQ(0x1, GetJoypadState(2));
  EXPECT_EQ(0x2 | 0x40 | 0x2000, GetJoypadState(PAD_INPUT_KEYS | 1));
  EXPECT_EQ(0, GetJoypadState(3));
  EXPECT_EQ(0, GetJoypadState(17));
  EXPECT_EQ(0, GetJoypadState(0));
}

TEST_F(InputQueriesTest, PadNumbersPastTheMappingsReadAsZeroWithTheKeyBit) {
  Start();
  memset(g_script.keys, 0x80, sizeof g_script.keys);
  for (int pad : {17, 18, 0xFFF, -1}) EXPECT_EQ(0, GetJoypadState(PAD_INPUT_KEYS | pad)) << pad;
  EXPECT_EQ(0, GetJoypadState(PAD_INPUT_KEYS | 16));  // no keys mapped to pad 16
}

TEST_F(InputQueriesTest, MouseButtonsComeFromTheDevices) {
  EXPECT_EQ(0, GetMouseButtons());
  Start();
  g_script.mouse = 5;
  EXPECT_EQ(5, GetMouseButtons());
}

TEST_F(InputQueriesTest, SwitchesReachTheDevicesAtTheNextStart) {
  SetInputSwitches(1, 1, 1);
  Start();
  EXPECT_EQ(1, g_script.seenSwitches.vistaUsesDirectInput);
  EXPECT_EQ(1, g_script.seenSwitches.effectsOff);
  EXPECT_EQ(1, g_script.seenSwitches.noDirectInput);
  EndInputSystem();
  SetInputSwitches(0, 0, 0);
  Start();
  EXPECT_EQ(0, g_script.seenSwitches.noDirectInput);
}

TEST_F(InputQueriesTest, RefreshJoypadStateRefusesIndicesOutside0To15) {
  g_script.padCount = 16;
  Start();
  EXPECT_EQ(0, RefreshJoypadState(15));
  EXPECT_EQ(-1, RefreshJoypadState(16));
  EXPECT_EQ(-1, RefreshJoypadState(-1));
}

}  // namespace
