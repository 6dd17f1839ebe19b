// Number routines: the framework's own narrow-syntax parsers, radix output,
// 128-bit helpers for overflow-free products, and thin maths wrappers.
#include <limits.h>
#include <math.h>

#include "core/util/strings.h"

namespace {

// A part of a decimal number holds at most this many digits; one more makes
// the whole text invalid.
const int kMaxDecimalDigits = 127;
// More digits than this in ParseInt's run are ignored.
const int kMaxIntDigits = 32;
// The exponent saturates here. Any larger magnitude scales every finite
// value the parser can build to 0 or infinity anyway, and the scaling loop
// stops there.
const long long kExponentLimit = 1000000000LL;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int DigitValue(char c) { return c - '0'; }

// Reinterprets 32 wrapped bits as a two's-complement int without relying on
// implementation-defined conversions.
int WrapToInt(uint32_t bits) {
  if (bits <= static_cast<uint32_t>(INT_MAX)) return static_cast<int>(bits);
  return static_cast<int>(bits - 0x80000000u) + INT_MIN;
}

// The pieces of a decimal text: digit runs of the integer and fraction parts
// and the saturated exponent.
struct DecimalParts {
  const char *integerDigits;
  int integerCount;
  const char *fractionDigits;
  int fractionCount;
  long long exponent;
};

long long AddExponentDigit(long long exponent, int digit) {
  if (exponent > (kExponentLimit - digit) / 10) return kExponentLimit;
  return exponent * 10 + digit;
}

// Splits text (after any leading minus) into its parts; false when the text
// breaks the syntax.
bool SplitDecimal(const char *text, DecimalParts *parts) {
  *parts = DecimalParts{text, 0, NULL, 0, 0};
  bool seenDot = false;
  bool seenE = false;
  bool exponentNegative = false;
  int exponentCount = 0;
  for (const char *p = text; *p; p++) {
    const char c = *p;
    if (IsDigit(c)) {
      if (seenE) {
        if (++exponentCount > kMaxDecimalDigits) return false;
        parts->exponent = AddExponentDigit(parts->exponent, DigitValue(c));
      } else if (seenDot) {
        if (++parts->fractionCount > kMaxDecimalDigits) return false;
      } else {
        if (++parts->integerCount > kMaxDecimalDigits) return false;
      }
    } else if (c == '.') {
      // A point inside the exponent would silently move digits into it.
      if (seenDot || seenE) return false;
      seenDot = true;
      parts->fractionDigits = p + 1;
    } else if (c == 'e' || c == 'E') {
      if (seenE) return false;
      seenE = true;
    } else if (c == '+' || c == '-') {
      const bool directlyAfterE = p > text && (p[-1] == 'e' || p[-1] == 'E');
      if (!seenE || !directlyAfterE) return false;
      exponentNegative = c == '-';
    } else {
      return false;
    }
  }
  if (exponentNegative) parts->exponent = -parts->exponent;
  return true;
}

long double IntegerPartValue(const char *digits, int count) {
  long double sum = 0;
  long double power = 1;
  for (int i = count - 1; i >= 0; i--) {
    sum += DigitValue(digits[i]) * power;
    power *= 10;
  }
  return sum;
}

long double FractionPartValue(const char *digits, int count) {
  long double sum = 0;
  long double power = 1;
  for (int i = 0; i < count; i++) {
    power /= 10;
    sum += DigitValue(digits[i]) * power;
  }
  return sum;
}

long double ScaleByPowerOfTen(long double value, long long exponent) {
  const bool up = exponent > 0;
  long long steps = up ? exponent : -exponent;
  for (; steps > 0 && value != 0 && isfinite(value); steps--) {
    value = up ? value * 10 : value / 10;
  }
  return value;
}

}  // namespace

void ComputeSinCos(float angle, float *sinOut, float *cosOut) {
  *sinOut = sinf(angle);
  *cosOut = cosf(angle);
}

int AbsInt(int value) {
  if (value == INT_MIN) return value;
  return value < 0 ? -value : value;
}

float AbsFloat(float value) { return fabsf(value); }

// A value outside the int range (or NaN) gives INT_MIN, as the processor's
// own truncating conversion does, rather than undefined behaviour.
int TruncDoubleToInt(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT_MIN;
  return static_cast<int>(value);
}

int TruncFloatToInt(float value) { return TruncDoubleToInt(static_cast<double>(value)); }

void TruncDouble4ToInt4(const double in[4], int out[4]) {
  for (int i = 0; i < 4; i++) out[i] = TruncDoubleToInt(in[i]);
}

float SqrtFloat(float value) { return sqrtf(value); }

float PowF(float x, float y) { return powf(x, y); }

float Atan2F(float y, float x) { return atan2f(y, x); }

float AsinF(float x) { return asinf(x); }

float AcosF(float x) { return acosf(x); }

int ParseInt(const char *text) {
  if (!text) return -1;
  const char *p = text;
  while (*p && !IsDigit(*p) && *p != '-') p++;
  if (*p == '\0') return -1;
  const bool negative = *p == '-';
  if (negative) p++;
  uint32_t value = 0;
  for (int held = 0; IsDigit(*p); p++, held++) {
    if (held < kMaxIntDigits) value = value * 10u + static_cast<uint32_t>(DigitValue(*p));
  }
  return WrapToInt(negative ? 0u - value : value);
}

double ParseDouble(const char *text) {
  if (!text) return 0;
  const char *p = text;
  const bool negative = *p == '-';
  if (negative) p++;
  DecimalParts parts;
  if (!SplitDecimal(p, &parts)) return 0;
  if (parts.integerCount == 0 && parts.fractionCount == 0) return 0;
  long double value = IntegerPartValue(parts.integerDigits, parts.integerCount) +
                      FractionPartValue(parts.fractionDigits, parts.fractionCount);
  if (negative) value = -value;
  return static_cast<double>(ScaleByPowerOfTen(value, parts.exponent));
}

char *FormatIntRadix(int value, char *buffer, int radix) {
  if (radix < 2 || radix > 36) {
    buffer[0] = '\0';
    return buffer;
  }
  char reversed[33];
  int count = 0;
  // The magnitude is taken in unsigned arithmetic so INT_MIN has one too.
  uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
  do {
    const uint32_t digit = magnitude % static_cast<uint32_t>(radix);
    reversed[count++] = static_cast<char>(digit < 10 ? '0' + digit : 'a' + (digit - 10));
    magnitude /= static_cast<uint32_t>(radix);
  } while (magnitude != 0);
  char *out = buffer;
  if (value < 0) *out++ = '-';
  while (count > 0) *out++ = reversed[--count];
  *out = '\0';
  return buffer;
}

void Multiply64To128(const uint32_t a[2], const uint32_t b[2], uint32_t out[4]) {
  uint32_t result[4] = {0, 0, 0, 0};
  for (int i = 0; i < 2; i++) {
    uint64_t carry = 0;
    for (int j = 0; j < 2; j++) {
      const uint64_t t = static_cast<uint64_t>(a[i]) * b[j] + result[i + j] + carry;
      result[i + j] = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
    result[i + 2] = static_cast<uint32_t>(carry);
  }
  for (int i = 0; i < 4; i++) out[i] = result[i];
}

// Restoring division one bit at a time. The remainder needs 65 bits during a
// step, so the bit shifted out of it is kept apart. A divisor of 0 sets every
// quotient bit instead of trapping.
void Divide128By64(const uint32_t dividend[4], const uint32_t divisor[2], uint32_t quotient[2]) {
  const uint64_t d = (static_cast<uint64_t>(divisor[1]) << 32) | divisor[0];
  uint64_t remainder = 0;
  uint64_t low = 0;
  for (int bit = 127; bit >= 0; bit--) {
    const uint64_t carry = remainder >> 63;
    const uint64_t next = (dividend[bit / 32] >> (bit % 32)) & 1u;
    remainder = (remainder << 1) | next;
    const bool subtract = carry != 0 || remainder >= d;
    if (subtract) remainder -= d;
    if (subtract && bit < 64) low |= static_cast<uint64_t>(1) << bit;
  }
  quotient[0] = static_cast<uint32_t>(low);
  quotient[1] = static_cast<uint32_t>(low >> 32);
}
