#include "core/util/strings.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "core/base/core_state.h"

namespace {

// Runs a test body under the Shift-JIS character set and restores the one
// that was set before.
class ShiftJisTest : public testing::Test {
 protected:
  void SetUp() override {
    savedCharSet_ = GetFrameworkCharSet();
    savedCodePage_ = GetFrameworkCodePage();
    SetFrameworkCharSet(1, 932);
  }
  void TearDown() override { SetFrameworkCharSet(savedCharSet_, savedCodePage_); }

 private:
  int savedCharSet_ = 0;
  unsigned savedCodePage_ = 0;
};

TEST(BytesTest, FillUsesTheLowByteAndOnlyCountBytes) {
  unsigned char buffer[6] = {9, 9, 9, 9, 9, 9};
  FillBytes(buffer + 1, 0x1AB, 4);
  const unsigned char expected[6] = {9, 0xAB, 0xAB, 0xAB, 0xAB, 9};
  EXPECT_EQ(0, memcmp(buffer, expected, sizeof(buffer)));
  FillBytes(buffer, 0, -3);
  EXPECT_EQ(9, buffer[0]);
}

TEST(BytesTest, CompareTellsEqualityOnlyOverTheGivenSize) {
  const unsigned char a[4] = {1, 2, 3, 4};
  const unsigned char b[4] = {1, 2, 3, 5};
  const unsigned char c[4] = {1, 2, 4, 0};
  EXPECT_EQ(0, CompareBytes(a, b, 3));
  EXPECT_EQ(1, CompareBytes(a, b, 4));
  EXPECT_EQ(1, CompareBytes(b, a, 4));  // no ordering: both ways 1
  EXPECT_EQ(1, CompareBytes(a, c, 4));
  EXPECT_EQ(1, CompareBytes(c, a, 4));
  EXPECT_EQ(0, CompareBytes(a, c, 0));
}

TEST(BytesTest, CopyAndMoveHandleOverlapBothWays) {
  char forward[] = "abcdefgh";
  MoveBytes(forward + 2, forward, 5);  // dst above src
  EXPECT_STREQ("ababcdeh", forward);
  char backward[] = "abcdefgh";
  MoveBytes(backward, backward + 2, 5);  // dst below src
  EXPECT_STREQ("cdefgfgh", backward);
  char same[] = "abc";
  MoveBytes(same, same, 3);
  EXPECT_STREQ("abc", same);
  char dst[4] = "xyz";
  CopyBytes(dst, "pq", 2);
  EXPECT_STREQ("pqz", dst);
}

TEST(StringsTest, CopyNStopsAtNOrTheTerminatorAndAlwaysTerminates) {
  struct Case {
    const char *src;
    int n;
    const char *expected;
  };
  const Case cases[] = {
      {"hello", 3, "hel"}, {"hello", 5, "hello"}, {"hi", 10, "hi"},
      {"hello", 0, ""},    {"hello", -4, ""},
  };
  for (const Case &c : cases) {
    char dst[16];
    memset(dst, '#', sizeof(dst));
    CopyStringN(dst, c.src, c.n);
    EXPECT_STREQ(c.expected, dst) << c.src << " n=" << c.n;
    EXPECT_EQ('#', dst[strlen(c.expected) + 1]) << "wrote past the terminator";
  }
}

TEST(StringsTest, CopyAndAppend) {
  char dst[16];
  memset(dst, '#', sizeof(dst));
  CopyString(dst, "ab");
  AppendString(dst, "cd");
  AppendString(dst, "");
  EXPECT_STREQ("abcd", dst);
  EXPECT_EQ('#', dst[5]);
}

TEST(StringsTest, WideTwinsFollowTheSameRules) {
  char16_t dst[16];
  for (char16_t &u : dst) u = u'#';
  CopyStringW(dst, u"\u3042b");
  AppendStringW(dst, u"cd");
  EXPECT_EQ(4, StringLengthW(dst));
  EXPECT_EQ(0, CompareStringsW(dst, u"\u3042bcd"));
  EXPECT_EQ(1, CompareStringsW(dst, u"\u3042bc"));
  EXPECT_EQ(1, CompareStringsW(u"\u3042bc", dst));
  CopyStringNW(dst, u"hello", 3);
  EXPECT_EQ(0, CompareStringsW(dst, u"hel"));
  EXPECT_EQ(u'#', dst[5]);
  CopyStringNW(dst, u"hello", 0);
  EXPECT_EQ(0, StringLengthW(dst));
  EXPECT_EQ(0, StringLengthW(u""));
}

TEST(StringsTest, ComparisonsReportEqualityNotOrder) {
  struct Case {
    const char *a;
    const char *b;
    int exact;
    int noCase;
  };
  const Case cases[] = {
      {"abc", "abd", 1, 1}, {"abd", "abc", 1, 1}, {"abc", "abc", 0, 0}, {"abc", "ABC", 1, 0},
      {"abc", "ab", 1, 1},  {"ab", "abc", 1, 1},  {"", "", 0, 0},       {"[", "{", 1, 1},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(c.exact, CompareStrings(c.a, c.b)) << c.a << " / " << c.b;
    EXPECT_EQ(c.noCase, CompareStringsNoCase(c.a, c.b)) << c.a << " / " << c.b;
  }
}

TEST(StringsTest, CompareCharsNLooksPastTerminators) {
  const char a[4] = {'a', 'b', '\0', 'x'};
  const char b[4] = {'a', 'b', '\0', 'y'};
  EXPECT_EQ(1, CompareCharsN(a, b, 4));
  EXPECT_EQ(0, CompareCharsN(a, b, 3));
  EXPECT_EQ(0, CompareCharsN("a", "b", 0));
  EXPECT_EQ(0, CompareCharsN("a", "b", -1));
}

TEST(StringsTest, FindSubstring) {
  const char *text = "abcabc";
  EXPECT_EQ(text + 1, FindSubstring(text, "bc"));
  EXPECT_EQ(nullptr, FindSubstring(text, "cb"));
  EXPECT_EQ(text, FindSubstring(text, ""));
  EXPECT_EQ(nullptr, FindSubstring("", ""));
  EXPECT_EQ(nullptr, FindSubstring("", "a"));
  EXPECT_EQ(nullptr, FindSubstring("ab", "abc"));
}

TEST_F(ShiftJisTest, FindCharMbSkipsSecondBytesOfDoubleByteCharacters) {
  // 0x82 0x5C is one character whose second byte is a backslash.
  const char *text = "a\x82\x5C" "b\\c";
  EXPECT_EQ(text + 4, FindCharMb(text, '\\'));
  EXPECT_EQ(text + 3, FindCharMb(text, 'b' + 0x100));  // only the low byte counts
  EXPECT_EQ(nullptr, FindCharMb("a\x82\x5C", '\\'));
  EXPECT_EQ(nullptr, FindCharMb(text, 'z'));
  // A lead byte never matches by itself.
  EXPECT_EQ(nullptr, FindCharMb(text, 0x82));
}

TEST_F(ShiftJisTest, LeadByteBeforeTheTerminatorEndsTheScan) {
  // Bytes after the terminator must never be looked at.
  const char text[] = {'a', '\x82', '\0', '\\', 'x', '\0'};
  EXPECT_EQ(nullptr, FindCharMb(text, '\\'));
  char upper[] = {'a', '\x82', '\0', 'x', '\0'};
  EXPECT_EQ(upper + 2, UpperCaseString(upper));
  EXPECT_EQ('A', upper[0]);
  EXPECT_EQ('x', upper[3]);
}

TEST_F(ShiftJisTest, UpperCaseStepsOverDoubleByteCharacters) {
  // 0x82 0x61 is a double-byte character whose second byte reads as 'a'.
  char text[] = "ab\x82" "a" "z{";
  char *end = UpperCaseString(text);
  EXPECT_STREQ("AB\x82" "a" "Z{", text);
  EXPECT_EQ(text + strlen(text), end);
}

TEST(StringsTest, UnderKoreanEveryHighByteLeads) {
  const int saved = GetFrameworkCharSet();
  const unsigned savedCodePage = GetFrameworkCodePage();
  SetFrameworkCharSet(2, 949);
  // 0xA0 leads here (it does not in Shift-JIS), so the 'a' after it is kept.
  char text[] = "\xA0" "a" "b";
  UpperCaseString(text);
  EXPECT_STREQ("\xA0" "a" "B", text);
  SetFrameworkCharSet(saved, savedCodePage);
}

int FormatV(char *buffer, int size, const char *format, ...) {
  va_list args;
  va_start(args, format);
  int n = FormatStringV(buffer, size, format, args);
  va_end(args);
  return n;
}

int FormatVW(char16_t *buffer, int size, const char16_t *format, ...) {
  va_list args;
  va_start(args, format);
  int n = FormatStringVW(buffer, size, format, args);
  va_end(args);
  return n;
}

std::u16string Wide(const char16_t *s) { return std::u16string(s); }

TEST(FormatTest, NarrowOutputIsTruncatedAndTerminated) {
  char buffer[16];
  memset(buffer, '#', sizeof(buffer));
  EXPECT_EQ(7, FormatV(buffer, 8, "%s-%d", "hello", 12345));
  EXPECT_STREQ("hello-1", buffer);
  EXPECT_EQ('#', buffer[8]);
  EXPECT_EQ(6, FormatV(buffer, 16, "%03d%c%x", 7, 'z', 0xab));
  EXPECT_STREQ("007zab", buffer);
  EXPECT_EQ(-1, FormatV(buffer, 0, "x"));
  EXPECT_EQ(0, FormatString(buffer, 4, "%s", "abcdef"));
  EXPECT_STREQ("abc", buffer);
}

TEST(FormatTest, WideFormatsEachConversion) {
  char16_t buffer[64];
  const int64_t big = static_cast<int64_t>(1) << 40;
  int n = FormatVW(buffer, 64, u"%s|%hs|%c|%d|%x|%.2f|%I64d|%%", u"w\u3042", "nar", u'W', -42, 255,
                   1.5, big);
  EXPECT_EQ(Wide(u"w\u3042|nar|W|-42|ff|1.50|1099511627776|%"), Wide(buffer));
  EXPECT_EQ(static_cast<int>(Wide(buffer).size()), n);
  EXPECT_EQ(0, FormatStringW(buffer, 64, u"%5d|%.2s|%.1hs|%-4x|", 12, u"abc", "xyz", 10));
  EXPECT_EQ(Wide(u"   12|ab|x|a   |"), Wide(buffer));
  EXPECT_EQ(0, FormatStringW(buffer, 64, u"%-4s|%3c|%5hs|%-3.1s|", u"ab", u'z', "xy", u"pq"));
  EXPECT_EQ(Wide(u"ab  |  z|   xy|p  |"), Wide(buffer));
}

TEST(FormatTest, WideOutputIsTruncatedAndTerminated) {
  char16_t buffer[16];
  for (char16_t &u : buffer) u = u'#';
  EXPECT_EQ(4, FormatVW(buffer, 5, u"%s%d", u"abc", 123));
  EXPECT_EQ(Wide(u"abc1"), Wide(buffer));
  EXPECT_EQ(u'#', buffer[5]);
  EXPECT_EQ(-1, FormatVW(buffer, 0, u"x"));
  EXPECT_EQ(0, FormatStringW(buffer, 1, u"%d", 5));
  EXPECT_EQ(0, buffer[0]);
}

}  // namespace
