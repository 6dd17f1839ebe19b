#include "game/input/key_manage.h"

#include <gtest/gtest.h>

#include "game_test.h"

namespace {

using KeyManageTest = GameTest;

fake::InputFrame Frame(std::vector<int> keys, int padBits = 0, int buttons = 0) {
  fake::InputFrame frame;
  frame.keys = std::move(keys);
  frame.padBits = padBits;
  frame.buttons = buttons;
  return frame;
}

std::string Le(std::initializer_list<int32_t> values) {
  std::string bytes;
  for (int32_t value : values) {
    for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<char>((uint32_t(value) >> (8 * k)) & 0xFF));
  }
  return bytes;
}

const std::string kDefaultBytes =
    Le({203, 200, 205, 208, 57, 44, 30, 45, 42, 1, 3, 2, 0, 13, 7, 5, 6, 8, 9});

TEST_F(KeyManageTest, OneFrameClickCountsOneUpdateLate) {
  CKeyManage keys;
  fake::ScriptInput({Frame({}, 0, 1), Frame({}), Frame({}), Frame({})});
  std::vector<int> counts;
  for (int i = 0; i < 4; ++i) {
    keys.Update();
    counts.push_back(keys.mouseCounts[0]);
  }
  EXPECT_EQ(counts, (std::vector<int>{0, 1, -1, 0}));
}

TEST_F(KeyManageTest, KeysCountOnTheSameUpdate) {
  CKeyManage keys;
  fake::ScriptInput({Frame({57}), Frame({57}), Frame({}), Frame({})});
  std::vector<int> counts;
  for (int i = 0; i < 4; ++i) {
    keys.Update();
    counts.push_back(keys.keyCounts[57]);
  }
  EXPECT_EQ(counts, (std::vector<int>{1, 2, -1, 0}));
}

TEST_F(KeyManageTest, PadMergesIntoKeyStatesNotCounters) {
  CKeyManage keys;
  fake::ScriptInput({Frame({}, 1 << 1), Frame({}, 1 << 1)});
  keys.Update();
  EXPECT_EQ(keys.keyStates[203], 1);  // pad left, the same update
  EXPECT_EQ(keys.keyCounts[203], 0);
  EXPECT_EQ(keys.padCounts[1], 0);
  keys.Update();
  EXPECT_EQ(keys.padCounts[1], 1);
  EXPECT_EQ(keys.keyCounts[203], 0);
}

TEST_F(KeyManageTest, ShiftAndControlPairsJoin) {
  CKeyManage keys;
  fake::ScriptInput({Frame({54, 29})});
  keys.Update();
  EXPECT_EQ(keys.keyStates[42], 1);
  EXPECT_EQ(keys.keyStates[54], 1);
  EXPECT_EQ(keys.keyCounts[42], 0);
  EXPECT_EQ(keys.keyStates[29], 1);
  EXPECT_EQ(keys.keyStates[157], 1);
}

TEST_F(KeyManageTest, MouseMovementSinceTheLastUpdate) {
  fake::SetCursor(100, 50);
  CKeyManage keys;
  fake::InputFrame moved;
  moved.moveX = 7;
  moved.moveY = -3;
  fake::ScriptInput({moved});
  keys.Update();
  EXPECT_EQ(keys.mouseX, 107);
  EXPECT_EQ(keys.mouseMoveX, 7);
  EXPECT_EQ(keys.mouseMoveY, -3);
}

TEST_F(KeyManageTest, MissingFileIsSavedAsTheDefaults) {
  { CKeyManage keys; }
  EXPECT_EQ(gametest::ReadFile("./Data/KeyConfig.dat"), kDefaultBytes);
}

// A short file supplies only its whole entries and the rest keep their
// defaults; the whole configuration is written back.
TEST_F(KeyManageTest, ShortFileSuppliesItsWholeEntries) {
  gametest::WriteFile("./Data/KeyConfig.dat", Le({10, 11}) + std::string("\x0C\x00", 2));
  {
    CKeyManage keys;
    EXPECT_EQ(keys.keyCodes[0], 10);
    EXPECT_EQ(keys.keyCodes[1], 11);
    EXPECT_EQ(keys.keyCodes[2], 205);
    EXPECT_EQ(keys.padBitNumbers[9], 9);
  }
  std::string expected = kDefaultBytes;
  expected.replace(0, 8, Le({10, 11}));
  EXPECT_EQ(gametest::ReadFile("./Data/KeyConfig.dat"), expected);
}

// Codes and bit numbers a file may hold outside the tables are ignored by
// the merge instead of indexing past them.
TEST_F(KeyManageTest, OutOfRangeConfigurationIsIgnored) {
  gametest::WriteFile("./Data/KeyConfig.dat",
                      Le({300, -1, 205, 208, 57, 44, 30, 45, 42, 1, 3, 40, -7, 13, 7, 5, 6, 8, 9}));
  CKeyManage keys;
  fake::ScriptInput({Frame({}, 0xFFFF)});
  keys.Update();
  EXPECT_EQ(keys.keyStates[205], 0);  // its bit number 40 is ignored
  EXPECT_EQ(keys.keyStates[57], 1);   // bit 13
  EXPECT_EQ(keys.keyStates[44], 1);
}

TEST_F(KeyManageTest, ReaderTakesWholeEntriesOnly) {
  int codes[kKeyCodeCount], bits[kPadBitNumberCount];
  SetDefaultKeyConfig(codes, bits);
  const std::string bytes = kDefaultBytes + "extra";
  std::string changed = Le({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19});
  ReadKeyConfig(reinterpret_cast<const uint8_t *>(changed.data()), 75, codes, bits);
  EXPECT_EQ(codes[8], 9);
  EXPECT_EQ(bits[8], 18);
  EXPECT_EQ(bits[9], 9);  // its entry is cut short
  ReadKeyConfig(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), codes, bits);
  EXPECT_EQ(codes[0], 203);
  EXPECT_EQ(bits[9], 9);
}

}  // namespace
