#include <gtest/gtest.h>
#include <string.h>

// Log texts and messages are written in UTF-8 in the sources and must reach
// the log as Shift-JIS bytes.
TEST(ShiftJisLiterals, JapaneseTextIsShiftJisAtRunTime) {
  const char text[] = "成功";
  ASSERT_EQ(4u, strlen(text));
  const unsigned char expected[] = {0x90, 0xAC, 0x8C, 0xF7};
  EXPECT_EQ(0, memcmp(expected, text, sizeof(expected)));
  const char fullWidth[] = "ＣＯＭ";
  const unsigned char expectedFullWidth[] = {0x82, 0x62, 0x82, 0x6E, 0x82, 0x6C};
  ASSERT_EQ(6u, strlen(fullWidth));
  EXPECT_EQ(0, memcmp(expectedFullWidth, fullWidth, sizeof(expectedFullWidth)));
}
