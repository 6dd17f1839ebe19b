#include "graphics/text/char_class.h"

#include <gtest/gtest.h>

namespace {

TEST(CharClassTest, LeadBytesPerCharacterSet) {
  struct Case {
    unsigned char byte;
    int shiftJisOrDefault;  // codes 0 and 1 (and unknown codes)
    int eastAsian;          // codes 2, 3 and 4
  };
  const Case cases[] = {
      {0x41, 0, 0}, {0x7F, 0, 0}, {0x80, 0, 1}, {0x81, 1, 1}, {0x9F, 1, 1}, {0xA0, 0, 1},
      {0xDF, 0, 1}, {0xE0, 1, 1}, {0xFC, 1, 1}, {0xFD, 0, 1}, {0xFF, 0, 1}, {0x00, 0, 0},
  };
  for (const Case &c : cases) {
    const char byte = static_cast<char>(c.byte);
    for (int code : {0, 1, 7, -1}) {
      EXPECT_EQ(c.shiftJisOrDefault, IsDoubleByteLead(&byte, code)) << std::hex << int(c.byte) << " code " << code;
    }
    for (int code : {2, 3, 4}) {
      EXPECT_EQ(c.eastAsian, IsDoubleByteLead(&byte, code)) << std::hex << int(c.byte) << " code " << code;
    }
  }
}

TEST(CharClassTest, ClassifiesBytePositions) {
  const char text[] = {0x41, static_cast<char>(0x82), static_cast<char>(0xA0), 0x42, 0};
  const int expected[] = {0, 1, 2, 0, -1, -1};
  for (int i = 0; i < 6; i++) EXPECT_EQ(expected[i], ClassifyMultiBytePosition(text, i, CHARSET_SHIFTJIS)) << i;
  EXPECT_EQ(-1, ClassifyMultiBytePosition(text, -1, CHARSET_SHIFTJIS));
  // Under Korean rules 0x82 takes 0xA0 as its second byte, so 0x42 stays single.
  EXPECT_EQ(0, ClassifyMultiBytePosition(text, 3, CHARSET_HANGEUL));
  const char korean[] = {static_cast<char>(0xA0), 0x42, 0x43, 0};
  EXPECT_EQ(1, ClassifyMultiBytePosition(korean, 0, CHARSET_HANGEUL));
  EXPECT_EQ(2, ClassifyMultiBytePosition(korean, 1, CHARSET_HANGEUL));
  EXPECT_EQ(0, ClassifyMultiBytePosition(korean, 1, CHARSET_SHIFTJIS));
}

TEST(CharClassTest, FinalLeadByteOwnsTheTerminatorButNothingBeyond) {
  const char text[] = {static_cast<char>(0x82), 0, 0x41, 0};
  EXPECT_EQ(1, ClassifyMultiBytePosition(text, 0, CHARSET_SHIFTJIS));
  EXPECT_EQ(2, ClassifyMultiBytePosition(text, 1, CHARSET_SHIFTJIS));
  EXPECT_EQ(-1, ClassifyMultiBytePosition(text, 2, CHARSET_SHIFTJIS));
  EXPECT_EQ(-1, ClassifyMultiBytePosition("", 0, CHARSET_SHIFTJIS));
}

TEST(CharClassTest, CharacterSizeNeverStepsOverTheTerminator) {
  const char pair[] = {static_cast<char>(0x82), 0x5C, 0};
  EXPECT_EQ(2, MultiByteCharSize(pair, CHARSET_SHIFTJIS));
  EXPECT_EQ(1, MultiByteCharSize(pair + 1, CHARSET_SHIFTJIS));
  const char finalLead[] = {static_cast<char>(0x82), 0, 0x41, 0};
  EXPECT_EQ(1, MultiByteCharSize(finalLead, CHARSET_SHIFTJIS));
  const char high[] = {static_cast<char>(0xA0), 0x41, 0};
  EXPECT_EQ(1, MultiByteCharSize(high, CHARSET_SHIFTJIS));
  EXPECT_EQ(2, MultiByteCharSize(high, CHARSET_HANGEUL));
}

TEST(CharClassTest, Utf16SurrogatePairs) {
  EXPECT_EQ(0, IsHighSurrogate(0xD7FF));
  EXPECT_EQ(1, IsHighSurrogate(0xD800));
  EXPECT_EQ(1, IsHighSurrogate(0xDBFF));
  EXPECT_EQ(0, IsHighSurrogate(0xDC00));
  EXPECT_EQ(0, IsHighSurrogate(0x1D800));
  const char16_t text[] = {u'a', 0xD83D, 0xDE00, u'b', 0};
  const int expected[] = {0, 1, 2, 0, -1, -1};
  for (int i = 0; i < 6; i++) EXPECT_EQ(expected[i], ClassifyUtf16Position(text, i)) << i;
  const char16_t lone[] = {0xD83D, 0, u'x', 0};
  EXPECT_EQ(2, ClassifyUtf16Position(lone, 1));
  EXPECT_EQ(-1, ClassifyUtf16Position(lone, 2));
  EXPECT_EQ(-1, ClassifyUtf16Position(text, -1));
}

}  // namespace
