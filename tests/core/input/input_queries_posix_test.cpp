#include <gtest/gtest.h>
#include <string.h>

#include "core/input/fake_joypad.h"
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
  int active;
  int reacquiredAs;
  int devicePads;  // pads 0..devicePads-1 have records with effects
  JoypadRecord records[MAX_JOYPADS];
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
int ScriptActive(void) { return g_script.active; }
void ScriptReacquire(int active) { g_script.reacquiredAs = active; }
JoypadRecord *ScriptJoypad(int index) {
  return index >= 0 && index < g_script.devicePads ? &g_script.records[index] : nullptr;
}

const InputBackend kScript = {ScriptStart,    ScriptEnd,       ScriptReadKeyboard, ScriptMouse,
                              ScriptPadCount, ScriptReadPad,   ScriptEnding,       ScriptActive,
                              ScriptReacquire, ScriptJoypad,   FakeJoypadCalls};

class InputQueriesTest : public testing::Test {
 protected:
  void SetUp() override {
    EndInputSystem();
    memset(&g_script, 0, sizeof g_script);
    g_script.reacquiredAs = -1;
    ResetFakeJoypads();
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

class VibrationTest : public InputQueriesTest {
 protected:
  void SetUp() override {
    InputQueriesTest::SetUp();
    g_script.devicePads = 1;
    g_script.active = 1;
    ASSERT_EQ(1, AddJoypad(FakeJoypadCalls(), nullptr, 0, &g_script.records[0]));
    Start();
  }
  void TearDown() override {
    ReleaseJoypad(FakeJoypadCalls(), &g_script.records[0]);
    InputQueriesTest::TearDown();
  }
  static JoypadEffectControl &Effects() { return g_script.records[0].effects; }
};

TEST_F(VibrationTest, ATimedVibrationStopsOnceItsDurationHasPassed) {
  ASSERT_EQ(0, StartJoypadVibration(1, 8000, 50));
  EXPECT_EQ(1, Effects().constantPlaying);
  EXPECT_EQ(1, Effects().periodicPlaying);
  FakeJoypads().tick += 30;
  ProcessJoypadEffects();
  EXPECT_EQ(30, Effects().vibration.elapsedMs);
  EXPECT_EQ(1, Effects().constantPlaying);
  FakeJoypads().tick -= 10;  // the clock went back: nothing counted
  ProcessJoypadEffects();
  EXPECT_EQ(30, Effects().vibration.elapsedMs);
  FakeJoypads().tick += 20;
  ProcessJoypadEffects();
  EXPECT_EQ(0, Effects().vibration.state);
  EXPECT_EQ(10000, Effects().vibration.power);
  EXPECT_EQ(0, Effects().constantPlaying + Effects().periodicPlaying);
}

TEST_F(VibrationTest, AnUnlimitedVibrationRunsUntilStopped) {
  ASSERT_EQ(0, StartJoypadVibration(1, 3000, -1));
  EXPECT_EQ(1, Effects().constantPlaying);
  EXPECT_EQ(0, Effects().periodicPlaying) << "half power or less: no sine";
  FakeJoypads().tick += 100000;
  ProcessJoypadEffects();
  EXPECT_EQ(1, Effects().constantPlaying);
  EXPECT_EQ(0, StopJoypadVibration(1));
  EXPECT_EQ(0, Effects().constantPlaying);
}

TEST_F(VibrationTest, AnInactiveWindowStopsTheEffectsAndReactivationResumesThem) {
  ASSERT_EQ(0, StartJoypadVibration(1, 10000, -1));
  g_script.active = 0;
  RefreshJoypadEffects();
  EXPECT_EQ(0, Effects().constantPlaying + Effects().periodicPlaying);
  g_script.active = 1;
  RefreshJoypadEffects();
  EXPECT_EQ(1, Effects().constantPlaying);
  EXPECT_EQ(1, Effects().periodicPlaying);
}

TEST_F(VibrationTest, PadsWithoutADeviceRefuseVibration) {
  for (int pad : {0, 2, 16, 17, -1}) {
    EXPECT_EQ(-1, StartJoypadVibration(pad, 10000, 10)) << pad;
    EXPECT_EQ(0, StopJoypadVibration(pad)) << pad;
  }
}

TEST_F(VibrationTest, ReacquiringPassesTheWindowsActivity) {
  g_script.active = 0;
  RefreshInputAcquire();
  EXPECT_EQ(0, g_script.reacquiredAs);
  g_script.active = 1;
  RefreshInputAcquire();
  EXPECT_EQ(1, g_script.reacquiredAs);
}

}  // namespace
