#include <gtest/gtest.h>

#include "core/input/char_ring.h"
#include "core/base/core_state.h"

namespace {

class CharRingTest : public testing::Test {
 protected:
  void SetUp() override { ClearCharRing(); }
  void TearDown() override { ClearCharRing(); }
};

TEST_F(CharRingTest, Holds1024BytesAndRefusesThe1025th) {
  for (int round = 0; round < 2; round++) {  // the second round starts mid-buffer
    for (int i = 0; i < 1024; i++) ASSERT_EQ(0, PushInputChar('a' + i % 26)) << i;
    EXPECT_EQ(1, IsCharRingFull());
    EXPECT_EQ(-1, PushInputChar('z'));
    char out[2];
    for (int i = 0; i < 1024; i++) {
      ASSERT_EQ(1, PopInputChar(out, 1)) << i;
      ASSERT_EQ('a' + i % 26, out[0]) << i;
    }
    EXPECT_EQ(0, PopInputChar(out, 1));
    PushInputChar('x');
    PopInputChar(out, 1);
  }
}

TEST_F(CharRingTest, DoubleByteCharacterWaitsForItsSecondByte) {
  const char *success = "成功";  // two Shift-JIS characters
  char out[2] = {'q', 'q'};
  PushInputChar(static_cast<unsigned char>(success[0]));
  EXPECT_EQ(0, PopInputChar(out, 1));
  EXPECT_EQ(0, out[0]);
  EXPECT_EQ(0, out[1]);
  PushInputChar(static_cast<unsigned char>(success[1]));
  EXPECT_EQ(2, PopInputChar(out, 1));
  EXPECT_EQ(success[0], out[0]);
  EXPECT_EQ(success[1], out[1]);
  EXPECT_EQ(0, PopInputChar(out, 1));
}

TEST_F(CharRingTest, PeekLeavesTheRingAsItWas) {
  PushInputChar('A');
  PushInputChar(0x82);  // a lead byte
  PushInputChar(0xA0);
  char out[2];
  EXPECT_EQ(1, PopInputChar(out, 0));
  EXPECT_EQ(1, PopInputChar(out, 0));
  EXPECT_EQ('A', out[0]);
  EXPECT_EQ(1, PopInputChar(out, 1));
  EXPECT_EQ(2, PopInputChar(out, 0));
  EXPECT_EQ(2, PopInputChar(out, 1));
  EXPECT_EQ(static_cast<char>(0x82), out[0]);
  EXPECT_EQ(static_cast<char>(0xA0), out[1]);
}

TEST_F(CharRingTest, ControlCodesAreSingleBytes) {
  const int codes[] = {0x10, 0x1D, 0x1C, 0x1E, 0x1F, 0x1A, 0x19, 0x17, 0x15};
  for (int code : codes) {
    EXPECT_EQ(1, IsControlCode(code)) << code;
    PushInputChar(code);
    char out[2];
    EXPECT_EQ(1, PopInputChar(out, 1)) << code;
    EXPECT_EQ(code, out[0]);
  }
  for (int other : {0, 1, 3, 8, 13, 27, 0x11, 0x18, int{'a'}, 0x81}) EXPECT_EQ(0, IsControlCode(other));
}

TEST_F(CharRingTest, KoreanCharacterSetTreatsHighBytesAsLeads) {
  const int savedSet = GetFrameworkCharSet();
  const unsigned savedPage = GetFrameworkCodePage();
  SetFrameworkCharSet(2, 949);
  PushInputChar(0xB0);
  char out[2];
  EXPECT_EQ(0, PopInputChar(out, 1));
  PushInputChar(0xA1);
  EXPECT_EQ(2, PopInputChar(out, 1));
  SetFrameworkCharSet(savedSet, savedPage);
}

}  // namespace
