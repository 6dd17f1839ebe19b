// Byte, string and number routines of the framework. String comparisons test
// equality only (0 equal, 1 different). Byte-string scans that say
// "double-byte aware" treat a lead byte of the framework's character set and
// the byte after it as one character, and never step over a terminator.
#ifndef VELVANE_CORE_STRINGS_H
#define VELVANE_CORE_STRINGS_H

#include <stdarg.h>
#include <stdint.h>

// Memory; a size of 0 or less does nothing (comparisons give 0).
// count copies of the low byte of value.
void FillBytes(void *dst, int value, int count);
// 0 when all size bytes are equal, else 1.
int CompareBytes(const void *a, const void *b, int size);
// Forward copy of areas that do not overlap.
void CopyBytes(void *dst, const void *src, int size);
// Copy of areas that may overlap.
void MoveBytes(void *dst, const void *src, int size);

// Strings; the W forms follow the same rules on UTF-16 units.
void CopyString(char *dst, const char *src);
void CopyStringW(char16_t *dst, const char16_t *src);
// Copies at most n units and always terminates (dst holds n + 1 units);
// n of 0 or less gives an empty string.
void CopyStringN(char *dst, const char *src, int n);
void CopyStringNW(char16_t *dst, const char16_t *src, int n);
// Copies src to dst's terminator.
void AppendString(char *dst, const char *src);
void AppendStringW(char16_t *dst, const char16_t *src);
// Units before the terminator.
int StringLengthW(const char16_t *s);
// First occurrence byte by byte (not double-byte aware); null for an empty
// text, text itself for an empty needle.
const char *FindSubstring(const char *text, const char *needle);
// First single-byte character equal to the low byte of ch (double-byte
// aware); null when there is none (also for 0).
const char *FindCharMb(const char *s, int ch);
// 0 when equal, 1 otherwise.
int CompareStrings(const char *a, const char *b);
int CompareStringsW(const char16_t *a, const char16_t *b);
// As CompareStrings with a-z folded to A-Z (not double-byte aware).
int CompareStringsNoCase(const char *a, const char *b);
// a-z to A-Z in place, stepping over double-byte characters; returns the
// pointer to the terminator.
char *UpperCaseString(char *s);
// 0 when the first n bytes are equal, terminators included; n <= 0 gives 0.
int CompareCharsN(const char *a, const char *b, int n);

// Numbers.
// Sine and cosine of one angle in radians.
void ComputeSinCos(float angle, float *sinOut, float *cosOut);
// Absolute value; INT_MIN stays INT_MIN.
int AbsInt(int value);
float AbsFloat(float value);
// Conversions toward zero whatever the rounding mode; a value outside the
// int range, or NaN, gives INT_MIN.
int TruncFloatToInt(float value);
int TruncDoubleToInt(double value);
void TruncDouble4ToInt4(const double in[4], int out[4]);
float SqrtFloat(float value);
// Skips to the first digit or "-", then reads an optional "-" and a run of
// digits in wrapping 32-bit arithmetic (digits past the 32nd are ignored).
// -1 when the text has neither; 0 for a "-" without a digit after it.
int ParseInt(const char *text);
// Plain decimal syntax only: an optional leading "-", digits with at most one
// ".", then optionally "e" or "E" with an optional sign and digits; at most
// 127 digits in each part. Anything else, and a text without mantissa
// digits, gives 0. Huge exponents give 0 or infinity.
double ParseDouble(const char *text);
// Writes value in radix 2 to 36 (lower-case letters from 10), with "-" for a
// negative value; another radix writes an empty string. Returns buffer, which
// needs 34 bytes for any value.
char *FormatIntRadix(int value, char *buffer, int radix);
// Unsigned 64 x 64 -> 128-bit product; little-endian 32-bit words.
void Multiply64To128(const uint32_t a[2], const uint32_t b[2], uint32_t out[4]);
// The low 64 bits of dividend / divisor (remainder dropped). A divisor of 0
// gives all bits set.
void Divide128By64(const uint32_t dividend[4], const uint32_t divisor[2],
                   uint32_t quotient[2]);

// Formatting into a caller's buffer of bufferSize units: the output is
// truncated to fit and always terminated. The V forms return the units
// written (without the terminator), or -1 when bufferSize is 0 or less;
// FormatString and FormatStringW return 0.
int FormatStringV(char *buffer, int bufferSize, const char *format, va_list args);
int FormatString(char *buffer, int bufferSize, const char *format, ...);
// UTF-16 forms: %s and %c take UTF-16 strings and units (as Windows' wide
// formatting does), %hs a byte string; numeric conversions as in printf.
int FormatStringVW(char16_t *buffer, int bufferSize, const char16_t *format,
                   va_list args);
int FormatStringW(char16_t *buffer, int bufferSize, const char16_t *format, ...);

// Float forms of pow, atan2, asin and acos.
float PowF(float x, float y);
float Atan2F(float y, float x);
float AsinF(float x);
float AcosF(float x);

#endif  // VELVANE_CORE_STRINGS_H
