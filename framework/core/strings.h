// Byte, string and number routines of the framework. String comparisons test
// equality only (0 equal, 1 different). Byte-string scans that say
// "double-byte aware" treat a lead byte of the framework's character set and
// the byte after it as one character, and never step over a terminator.
#ifndef VELVANE_CORE_STRINGS_H
#define VELVANE_CORE_STRINGS_H

#include <stdarg.h>
#include <stdint.h>

// Memory.
void FillBytes(void *dst, int value, int count);
int CompareBytes(const void *a, const void *b, int size);
void CopyBytes(void *dst, const void *src, int size);
void MoveBytes(void *dst, const void *src, int size);

// Strings; the W forms work on UTF-16 units.
void CopyString(char *dst, const char *src);
void CopyStringW(char16_t *dst, const char16_t *src);
void CopyStringN(char *dst, const char *src, int n);
void CopyStringNW(char16_t *dst, const char16_t *src, int n);
void AppendString(char *dst, const char *src);
void AppendStringW(char16_t *dst, const char16_t *src);
int StringLengthW(const char16_t *s);
const char *FindSubstring(const char *text, const char *needle);
const char *FindCharMb(const char *s, int ch);
int CompareStrings(const char *a, const char *b);
int CompareStringsW(const char16_t *a, const char16_t *b);
int CompareStringsNoCase(const char *a, const char *b);
char *UpperCaseString(char *s);
int CompareCharsN(const char *a, const char *b, int n);

// Numbers.
void ComputeSinCos(float angle, float *sinOut, float *cosOut);
int AbsInt(int value);
float AbsFloat(float value);
int TruncFloatToInt(float value);
int TruncDoubleToInt(double value);
void TruncDouble4ToInt4(const double in[4], int out[4]);
float SqrtFloat(float value);
int ParseInt(const char *text);
double ParseDouble(const char *text);
char *FormatIntRadix(int value, char *buffer, int radix);
void Multiply64To128(const uint32_t a[2], const uint32_t b[2], uint32_t out[4]);
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

float PowF(float x, float y);
float Atan2F(float y, float x);
float AsinF(float x);
float AcosF(float x);

#endif  // VELVANE_CORE_STRINGS_H
