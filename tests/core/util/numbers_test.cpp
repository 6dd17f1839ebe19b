#include <gtest/gtest.h>

#include <cfenv>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "core/util/strings.h"

namespace {

TEST(ParseIntTest, AcceptsTheNarrowSyntax) {
  struct Case {
    const char *text;
    int expected;
  };
  const Case cases[] = {
      {"  x-12z", -12},
      {"abc", -1},
      {"", -1},
      {"-x", 0},
      {"--5", 0},
      {"42", 42},
      {"a1b2", 1},
      {"007", 7},
      {"-0", 0},
      {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN},
      // 32-bit wrap-around, computed without signed overflow.
      {"2147483648", INT_MIN},
      {"4294967296", 0},
      {"4294967297", 1},
      {"-4294967295", 1},
      {"12345678901234567890123456789012", -1868547564},
  };
  for (const Case &c : cases) EXPECT_EQ(c.expected, ParseInt(c.text)) << '"' << c.text << '"';
}

TEST(ParseIntTest, DigitsBeyondTheThirtySecondAreIgnored) {
  const std::string held = "12345678901234567890123456789012";
  EXPECT_EQ(ParseInt(held.c_str()), ParseInt((held + "999").c_str()));
  EXPECT_EQ(ParseInt(("-" + held).c_str()), ParseInt(("-" + held + "9").c_str()));
  EXPECT_EQ(-1, ParseInt(nullptr));
}

TEST(ParseDoubleTest, AcceptsTheNarrowSyntax) {
  struct Case {
    const char *text;
    double expected;
  };
  const Case cases[] = {
      {"1.5e2", 150},  {"1.5e+2", 150}, {"1e-2", 0.01},   {"1.2.3", 0},    {"+1", 0},
      {"1,5", 0},      {".", 0},        {"", 0},          {"-", 0},        {"-2.5", -2.5},
      {".5", 0.5},     {"5.", 5},       {"1e", 1},        {"1e+", 1},      {"1E3", 1000},
      {"1e2e3", 0},    {"1e+-2", 0},    {"1-2", 0},       {"1e2+", 0},     {"e5", 0},
      {" 1", 0},       {"1 ", 0},       {"--1", 0},       {"-.25e1", -2.5}, {"123456789", 123456789},
      {"0.000001", 1e-6},               {"1e2.5", 0},     {"1.e1", 10},    {"0012.50", 12.5},
  };
  for (const Case &c : cases) EXPECT_DOUBLE_EQ(c.expected, ParseDouble(c.text)) << '"' << c.text << '"';
  EXPECT_EQ(0, ParseDouble(nullptr));
}

TEST(ParseDoubleTest, EachPartHoldsAtMost127Digits) {
  const std::string digits127 = "1" + std::string(126, '0');
  EXPECT_NEAR(1.0, ParseDouble(digits127.c_str()) / 1e126, 1e-12);
  EXPECT_EQ(0, ParseDouble((digits127 + "0").c_str()));
  const std::string fraction127 = "0." + std::string(126, '0') + "1";
  EXPECT_NEAR(1.0, ParseDouble(fraction127.c_str()) / 1e-127, 1e-12);
  EXPECT_EQ(0, ParseDouble(("0." + std::string(127, '0') + "1").c_str()));
  EXPECT_EQ(0, ParseDouble(("1e" + std::string(128, '0')).c_str()));
  EXPECT_DOUBLE_EQ(10, ParseDouble(("1e" + std::string(126, '0') + "1").c_str()));
}

// Huge exponents must end quickly (the scaling stops at 0 or infinity) and
// must not overflow the exponent's accumulator.
TEST(ParseDoubleTest, HugeExponentsSaturate) {
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(inf, ParseDouble("1e9999999999"));
  EXPECT_EQ(-inf, ParseDouble("-1e9999999999"));
  EXPECT_EQ(0, ParseDouble("1e-9999999999"));
  EXPECT_EQ(inf, ParseDouble(("9e" + std::string(127, '9')).c_str()));
  EXPECT_EQ(0, ParseDouble(("9e-" + std::string(127, '9')).c_str()));
  EXPECT_EQ(0, ParseDouble("0e999999999999999999999"));
  // 2^64 + 1 must not wrap around to a small exponent.
  EXPECT_EQ(inf, ParseDouble("1e18446744073709551617"));
  EXPECT_DOUBLE_EQ(1e300, ParseDouble("1e300"));
  EXPECT_DOUBLE_EQ(1e-300, ParseDouble("1e-300"));
}

TEST(FormatIntRadixTest, WritesDigitsMostSignificantFirst) {
  struct Case {
    int value;
    int radix;
    const char *expected;
  };
  const Case cases[] = {
      {255, 16, "ff"},        {-10, 10, "-10"},  {0, 2, "0"},     {5, 2, "101"},
      {INT_MIN, 10, "-2147483648"}, {INT_MIN, 16, "-80000000"}, {INT_MAX, 36, "zik0zj"},
      {35, 36, "z"},          {7, 1, ""},        {7, 0, ""},      {7, 37, ""},
  };
  for (const Case &c : cases) {
    char buffer[40];
    memset(buffer, '#', sizeof(buffer));
    EXPECT_EQ(buffer, FormatIntRadix(c.value, buffer, c.radix));
    EXPECT_STREQ(c.expected, buffer) << c.value << " radix " << c.radix;
  }
}

TEST(TruncTest, ConvertsTowardZeroWhateverTheRoundingMode) {
  const int saved = fegetround();
  for (int mode : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD}) {
    fesetround(mode);
    EXPECT_EQ(1, TruncFloatToInt(1.5f));
    EXPECT_EQ(-1, TruncFloatToInt(-1.5f));
    EXPECT_EQ(2, TruncDoubleToInt(2.999));
    EXPECT_EQ(-2, TruncDoubleToInt(-2.999));
  }
  fesetround(saved);
}

TEST(TruncTest, OutOfRangeGivesTheMostNegativeInt) {
  struct Case {
    double value;
    int expected;
  };
  const Case cases[] = {
      {2147483647.9, INT_MAX},   {-2147483648.9, INT_MIN}, {2147483648.0, INT_MIN},
      {-2147483649.0, INT_MIN},  {1e300, INT_MIN},         {-0.5, 0},
      {std::nan(""), INT_MIN},
  };
  for (const Case &c : cases) EXPECT_EQ(c.expected, TruncDoubleToInt(c.value)) << c.value;
  EXPECT_EQ(INT_MIN, TruncFloatToInt(3e9f));
  EXPECT_EQ(INT_MIN, TruncFloatToInt(-2147483648.0f));
  EXPECT_EQ(2147483520, TruncFloatToInt(2147483520.0f));
  const double in[4] = {1.7, -1.7, 0.2, 640.99};
  int out[4];
  TruncDouble4ToInt4(in, out);
  EXPECT_EQ(1, out[0]);
  EXPECT_EQ(-1, out[1]);
  EXPECT_EQ(0, out[2]);
  EXPECT_EQ(640, out[3]);
}

TEST(AbsTest, MostNegativeIntStays) {
  EXPECT_EQ(INT_MIN, AbsInt(INT_MIN));
  EXPECT_EQ(INT_MAX, AbsInt(-INT_MAX));
  EXPECT_EQ(5, AbsInt(-5));
  EXPECT_EQ(0, AbsInt(0));
  EXPECT_EQ(2.5f, AbsFloat(-2.5f));
}

TEST(FloatWrappersTest, ForwardToTheRuntime) {
  float s = 0, c = 0;
  ComputeSinCos(0.5f, &s, &c);
  EXPECT_FLOAT_EQ(std::sin(0.5f), s);
  EXPECT_FLOAT_EQ(std::cos(0.5f), c);
  EXPECT_FLOAT_EQ(3.0f, SqrtFloat(9.0f));
  EXPECT_FLOAT_EQ(8.0f, PowF(2.0f, 3.0f));
  EXPECT_FLOAT_EQ(0.78539816f, Atan2F(1.0f, 1.0f));
  EXPECT_FLOAT_EQ(1.5707964f, AsinF(1.0f));
  EXPECT_FLOAT_EQ(0.0f, AcosF(1.0f));
}

struct Words64 {
  uint32_t w[2];
};

Words64 Split(uint64_t v) { return Words64{{static_cast<uint32_t>(v), static_cast<uint32_t>(v >> 32)}}; }

uint64_t Join(const uint32_t w[2]) { return (static_cast<uint64_t>(w[1]) << 32) | w[0]; }

TEST(WideArithmeticTest, MultiplyGivesTheFull128BitProduct) {
  const Words64 max = Split(UINT64_MAX);
  uint32_t product[4];
  Multiply64To128(max.w, max.w, product);
  // (2^64 - 1)^2 = 2^128 - 2^65 + 1
  EXPECT_EQ(1u, product[0]);
  EXPECT_EQ(0u, product[1]);
  EXPECT_EQ(0xFFFFFFFEu, product[2]);
  EXPECT_EQ(0xFFFFFFFFu, product[3]);
  const Words64 a = Split(0x100000000ull), b = Split(0x100000000ull);
  Multiply64To128(a.w, b.w, product);
  EXPECT_EQ(0u, product[0]);
  EXPECT_EQ(0u, product[1]);
  EXPECT_EQ(1u, product[2]);
  EXPECT_EQ(0u, product[3]);
}

TEST(WideArithmeticTest, DivideUndoesMultiply) {
  const uint64_t values[] = {1, 3, 0xFFFFFFFFull, 0x100000001ull, 0x123456789ABCDEFull,
                             0x8000000000000000ull, UINT64_MAX};
  for (uint64_t x : values) {
    for (uint64_t y : values) {
      const Words64 a = Split(x), b = Split(y);
      uint32_t product[4];
      Multiply64To128(a.w, b.w, product);
      uint32_t quotient[2];
      Divide128By64(product, b.w, quotient);
      EXPECT_EQ(x, Join(quotient)) << std::hex << x << " * " << y;
    }
  }
}

TEST(WideArithmeticTest, DivideKeepsTheLow64BitsOfTheQuotient) {
  const uint32_t twoTo64[4] = {0, 0, 1, 0};
  const Words64 three = Split(3);
  uint32_t quotient[2];
  Divide128By64(twoTo64, three.w, quotient);
  EXPECT_EQ(0x5555555555555555ull, Join(quotient));
  const uint32_t twoTo96PlusSeven[4] = {7, 0, 0, 1};
  const Words64 one = Split(1);
  Divide128By64(twoTo96PlusSeven, one.w, quotient);
  EXPECT_EQ(7u, Join(quotient));
  const uint32_t small[4] = {5, 0, 0, 0};
  const Words64 big = Split(6);
  Divide128By64(small, big.w, quotient);
  EXPECT_EQ(0u, Join(quotient));
}

TEST(WideArithmeticTest, DivideByZeroGivesAllBitsSet) {
  const uint32_t dividends[][4] = {
      {0, 0, 0, 0}, {5, 0, 0, 0}, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}};
  const Words64 zero = Split(0);
  for (const auto &dividend : dividends) {
    uint32_t quotient[2] = {0, 0};
    Divide128By64(dividend, zero.w, quotient);
    EXPECT_EQ(UINT64_MAX, Join(quotient));
  }
}

}  // namespace
