#include <gtest/gtest.h>
#include <string.h>

#include "core/input/pad_mapping.h"

namespace {

struct KeyBitCase {
  int keyCode;
  int bits;
};

// Pad 1's default keys, one row per key.
const KeyBitCase kDefaultKeys[] = {
    {80, 0x1},    {208, 0x1},   {75, 0x2},    {203, 0x2},  {77, 0x4},   {205, 0x4},
    {72, 0x8},    {200, 0x8},   {44, 0x10},   {45, 0x20},  {46, 0x40},  {30, 0x80},
    {31, 0x100},  {32, 0x200},  {16, 0x400},  {17, 0x800}, {1, 0x1000}, {57, 0x2000},
};

class DefaultMappingTest : public testing::Test {
 protected:
  void SetUp() override {
    ClearKeyMapping(&mapping);
    SetDefaultKeyMapping(&mapping);
    memset(keys, 0, sizeof keys);
  }
  KeyMapping mapping;
  uint8_t keys[KEY_STATE_SIZE];
};

TEST_F(DefaultMappingTest, EachDefaultKeySetsItsBitOnPad1Only) {
  for (const KeyBitCase &c : kDefaultKeys) {
    memset(keys, 0, sizeof keys);
    keys[c.keyCode] = 0x80;
    EXPECT_EQ(c.bits, MappedKeyBits(&mapping, 0, keys)) << c.keyCode;
    for (int pad = 1; pad < MAX_JOYPADS; pad++) EXPECT_EQ(0, MappedKeyBits(&mapping, pad, keys));
  }
}

TEST_F(DefaultMappingTest, OnlyBit7CountsAndUnmappedKeysGiveNothing) {
  keys[208] = 0x7F;  // every bit but the "down" one
  keys[0x3B] = 0x80;  // F1: no bit names it
  EXPECT_EQ(0, MappedKeyBits(&mapping, 0, keys));
  keys[208] = 0x80;
  keys[57] = 0x81;
  EXPECT_EQ(0x2001, MappedKeyBits(&mapping, 0, keys));
  EXPECT_EQ(0, MappedKeyBits(&mapping, -1, keys));
  EXPECT_EQ(0, MappedKeyBits(&mapping, MAX_JOYPADS, keys));
}

TEST(KeyCodeTest, CodesOutside0To255AreNeverDown) {
  uint8_t keys[KEY_STATE_SIZE];
  memset(keys, 0x80, sizeof keys);
  for (int code : {-1, 256, 0x1000, -0x7FFFFFFF}) EXPECT_EQ(0, IsKeyCodeDown(keys, code)) << code;
  EXPECT_EQ(1, IsKeyCodeDown(keys, 0));
  EXPECT_EQ(1, IsKeyCodeDown(keys, 255));
}

struct VirtualKeyCase {
  int virtualKey;
  int keyCodes[2];
};

// A sample of the table: letters, digits, cursor keys, the Japanese
// punctuation, Return to both Enters, the numeric pad, modifiers, F1/F12.
const VirtualKeyCase kVirtualKeys[] = {
    {0x41, {0x1E, -1}}, {0x5A, {0x2C, -1}}, {0x30, {0x0B, -1}}, {0x39, {0x0A, -1}},
    {0x25, {0xCB, -1}}, {0x28, {0xD0, -1}}, {0xBA, {0x92, -1}}, {0xC0, {0x91, -1}},
    {0xE2, {0x2B, -1}}, {0xDC, {0x7D, -1}}, {0x0D, {0x1C, 0x9C}}, {0x60, {0x52, -1}},
    {0x6F, {0xB5, -1}}, {0xA3, {0x9D, -1}}, {0xA5, {0xB8, -1}}, {0x13, {0xC5, -1}},
    {0x1B, {0x01, -1}}, {0x70, {0x3B, -1}}, {0x7B, {0x58, -1}},
};

TEST(VirtualKeyTableTest, CopiesEachListedKeysByteToItsKeyCodes) {
  for (const VirtualKeyCase &c : kVirtualKeys) {
    uint8_t virtualKeys[KEY_STATE_SIZE] = {};
    uint8_t keys[KEY_STATE_SIZE];
    memset(keys, 0xFF, sizeof keys);  // stale state must be cleared
    virtualKeys[c.virtualKey] = 0x81;
    TranslateVirtualKeyState(virtualKeys, keys);
    int set = 0;
    for (int i = 0; i < KEY_STATE_SIZE; i++) set += keys[i] != 0;
    const int expected = c.keyCodes[1] < 0 ? 1 : 2;
    EXPECT_EQ(expected, set) << std::hex << c.virtualKey;
    for (int code : c.keyCodes) {
      if (code < 0) continue;
      EXPECT_EQ(0x81, keys[code]) << std::hex << c.virtualKey;
    }
  }
}

TEST(VirtualKeyTableTest, Has99PairsAndIgnoresUnlistedKeys) {
  uint8_t virtualKeys[KEY_STATE_SIZE];
  uint8_t keys[KEY_STATE_SIZE];
  memset(virtualKeys, 0x80, sizeof virtualKeys);
  TranslateVirtualKeyState(virtualKeys, keys);
  int set = 0;
  for (uint8_t k : keys) set += k != 0;
  EXPECT_EQ(99, set);  // 99 pairs, every key code distinct
  memset(virtualKeys, 0, sizeof virtualKeys);
  virtualKeys[0x01] = virtualKeys[0x5B] = virtualKeys[0xFF] = 0x80;  // mouse, Windows key, none
  TranslateVirtualKeyState(virtualKeys, keys);
  for (uint8_t k : keys) EXPECT_EQ(0, k);
}

TEST(PadBitsTest, AxesGiveDirectionsAndButtons0To23GiveBits4To27) {
  PadState state = {};
  EXPECT_EQ(0, PadStateBits(&state));
  state.x = -1;
  state.y = 1;
  EXPECT_EQ(2 | 1, PadStateBits(&state));
  state.x = 1000;
  state.y = -1000;
  EXPECT_EQ(4 | 8, PadStateBits(&state));
  state = PadState{};
  for (int i = 0; i < 32; i++) state.buttons[i] = 0x80;
  EXPECT_EQ(0x0FFFFFF0, PadStateBits(&state));
  state = PadState{};
  state.buttons[23] = 0x80;
  state.buttons[0] = 0x7F;  // bit 7 alone means pressed
  EXPECT_EQ(1 << 27, PadStateBits(&state));
}

struct QueryCase {
  int pad;
  int padCount;
  int result;
  int padIndex;
  int mappingIndex;
};

const QueryCase kQueries[] = {
    {1, 2, 0, 0, -1},         {2, 2, 0, 1, -1},          {3, 2, -1, 0, 0},
    {0, 2, -1, 0, 0},         {17, 2, -1, 0, 0},         {1, 0, -1, 0, 0},
    {-1, 16, -1, 0, 0},       {16, 16, 0, 15, -1},       {17, 16, -1, 0, 0},
    {0x1000, 0, 0, -1, 0},    {0x1000, 2, 0, -1, 0},     {0x1001, 0, 0, -1, 0},
    {0x1002, 2, 0, 1, 1},     {0x1005, 2, 0, -1, 4},     {0x1010, 16, 0, 15, 15},
    // Pad numbers past the 16 mappings are refused with the key bit too.
    {0x1011, 0, -1, 0, 0},    {0x1011, 16, -1, 0, 0},    {0x1000 | 0x7FFF, 2, -1, 0, 0},
    {-1 & ~0x1000, 2, -1, 0, 0},
};

TEST(PadQueryTest, ResolvesPadAndMappingOrRefusesOutOfRange) {
  for (const QueryCase &c : kQueries) {
    PadQuery query = {0, 0};
    EXPECT_EQ(c.result, ResolvePadQuery(c.pad, c.padCount, &query)) << std::hex << c.pad;
    if (c.result == 0) {
      EXPECT_EQ(c.padIndex, query.padIndex) << std::hex << c.pad;
      EXPECT_EQ(c.mappingIndex, query.mappingIndex) << std::hex << c.pad;
    }
  }
}

// The scale as stated: below 0x4000 (raw - 0x4000) * 1000 / 16384, the middle
// half 0, above 0xC000 (raw - 0xC000) * 1000 / 16384, truncating toward 0.
int ReferenceAxis(int raw) {
  if (raw < 0x4000) return (raw - 0x4000) * 1000 / 16384;
  if (raw <= 0xC000) return 0;
  return (raw - 0xC000) * 1000 / 16384;
}

TEST(WinmmAxisTest, FollowsTheStatedFormula) {
  const int cases[][2] = {{0, -1000},     {0x2000, -500}, {0x3FFF, 0},   {0x4000, 0},
                          {0x5000, 0},    {0x7FFF, 0},    {0xC000, 0},   {0xC001, 0},
                          {0xE000, 500},  {0xFFFF, 999},  {0x0001, -999}};
  for (const auto &c : cases) EXPECT_EQ(c[1], MapWinmmAxis(c[0])) << std::hex << c[0];
  for (int raw = 0; raw <= 0xFFFF; raw++) ASSERT_EQ(ReferenceAxis(raw), MapWinmmAxis(raw)) << raw;
}

TEST(WinmmAxisTest, PadStateTakesZAndROnlyWhenThePadHasBoth) {
  PadState state;
  FillWinmmPadState(0, 0xFFFF, 0, 0xE000, 0x00800001u | 0x01000000u, 1, &state);
  EXPECT_EQ(-1000, state.x);
  EXPECT_EQ(999, state.y);
  EXPECT_EQ(-1000, state.z);
  EXPECT_EQ(500, state.rz);
  EXPECT_EQ(0x80, state.buttons[0]);
  EXPECT_EQ(0x80, state.buttons[23]);
  EXPECT_EQ(0, state.buttons[24]);  // winmm buttons past 24 are not read
  EXPECT_EQ(0, state.buttons[1]);
  FillWinmmPadState(0x7FFF, 0x7FFF, 0, 0, 0, 0, &state);
  EXPECT_EQ(0, state.z);
  EXPECT_EQ(0, state.rz);
  EXPECT_EQ(0, PadStateBits(&state));
}

TEST(VibrationClockTest, StopsOnceTheDurationHasPassed) {
  VibrationClock clock = {1, 10000, 100, 0, 1000};
  EXPECT_EQ(0, AdvanceVibrationClock(&clock, 1040));
  EXPECT_EQ(40, clock.elapsedMs);
  EXPECT_EQ(0, AdvanceVibrationClock(&clock, 500));  // clock went back: adds nothing
  EXPECT_EQ(40, clock.elapsedMs);
  EXPECT_EQ(0, AdvanceVibrationClock(&clock, 559));
  EXPECT_EQ(99, clock.elapsedMs);
  EXPECT_EQ(1, AdvanceVibrationClock(&clock, 560));
}

TEST(VibrationClockTest, UnlimitedOrStoppedVibrationNeverEnds) {
  VibrationClock unlimited = {1, 10000, -1, 0, 0};
  VibrationClock stopped = {0, 10000, 10, 0, 0};
  for (uint32_t now : {10u, 100000u, 0xFFFFFFFFu}) {
    EXPECT_EQ(0, AdvanceVibrationClock(&unlimited, now));
    EXPECT_EQ(0, AdvanceVibrationClock(&stopped, now));
  }
  EXPECT_EQ(0, unlimited.elapsedMs);
}

}  // namespace
