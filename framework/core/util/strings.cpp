// Byte-string and UTF-16 string routines. The 8-bit and 16-bit twins share
// one template each, so both follow exactly the same rules.
#include <string.h>

#include "core/base/core_state.h"
#include "core/util/strings.h"
#include "graphics/text/char_class.h"

namespace {

template <typename Unit>
int UnitLength(const Unit *s) {
  int n = 0;
  while (s[n]) n++;
  return n;
}

template <typename Unit>
void CopyUnits(Unit *dst, const Unit *src) {
  int i = 0;
  while ((dst[i] = src[i]) != 0) i++;
}

template <typename Unit>
void CopyUnitsN(Unit *dst, const Unit *src, int n) {
  int i = 0;
  for (; i < n && src[i]; i++) dst[i] = src[i];
  dst[i] = 0;
}

template <typename Unit>
int CompareUnits(const Unit *a, const Unit *b) {
  int i = 0;
  while (a[i] == b[i]) {
    if (a[i] == 0) return 0;
    i++;
  }
  return 1;
}

char FoldToUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

void CopyString(char *dst, const char *src) { CopyUnits(dst, src); }

void CopyStringW(char16_t *dst, const char16_t *src) { CopyUnits(dst, src); }

void CopyStringN(char *dst, const char *src, int n) { CopyUnitsN(dst, src, n); }

void CopyStringNW(char16_t *dst, const char16_t *src, int n) { CopyUnitsN(dst, src, n); }

void AppendString(char *dst, const char *src) { CopyUnits(dst + UnitLength(dst), src); }

void AppendStringW(char16_t *dst, const char16_t *src) { CopyUnits(dst + UnitLength(dst), src); }

int StringLengthW(const char16_t *s) { return UnitLength(s); }

const char *FindSubstring(const char *text, const char *needle) {
  if (text[0] == '\0') return NULL;
  if (needle[0] == '\0') return text;
  return strstr(text, needle);
}

const char *FindCharMb(const char *s, int ch) {
  const char wanted = static_cast<char>(ch & 0xFF);
  const int charSet = GetFrameworkCharSet();
  for (const char *p = s; *p; p += MultiByteCharSize(p, charSet)) {
    if (!IsDoubleByteLead(p, charSet) && *p == wanted) return p;
  }
  return NULL;
}

int CompareStrings(const char *a, const char *b) { return CompareUnits(a, b); }

int CompareStringsW(const char16_t *a, const char16_t *b) { return CompareUnits(a, b); }

int CompareStringsNoCase(const char *a, const char *b) {
  int i = 0;
  while (FoldToUpper(a[i]) == FoldToUpper(b[i])) {
    if (a[i] == '\0') return 0;
    i++;
  }
  return 1;
}

char *UpperCaseString(char *s) {
  const int charSet = GetFrameworkCharSet();
  char *p = s;
  while (*p) {
    const int size = MultiByteCharSize(p, charSet);
    if (size == 1) *p = FoldToUpper(*p);
    p += size;
  }
  return p;
}

// Terminators do not stop the comparison: it is a byte comparison of n bytes.
int CompareCharsN(const char *a, const char *b, int n) { return CompareBytes(a, b, n); }
