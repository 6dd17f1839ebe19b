#include "graphics/text/char_class.h"

int ClassifyMultiBytePosition(const char *s, int index, int charSetCode) {
  if (index < 0) return -1;
  int i = 0;
  while (s[i] != '\0') {
    if (IsDoubleByteLead(s + i, charSetCode)) {
      if (index == i) return 1;
      // The byte after a final lead is its second byte even when it is the
      // terminator; the walk stops there rather than reading past it.
      if (index == i + 1) return 2;
      if (s[i + 1] == '\0') return -1;
      i += 2;
    } else {
      if (index == i) return 0;
      i += 1;
    }
  }
  return -1;
}

int IsHighSurrogate(unsigned unit) { return (unit >= 0xD800 && unit <= 0xDBFF) ? 1 : 0; }

int ClassifyUtf16Position(const char16_t *s, int index) {
  if (index < 0) return -1;
  int i = 0;
  while (s[i] != 0) {
    if (IsHighSurrogate(s[i])) {
      if (index == i) return 1;
      if (index == i + 1) return 2;
      if (s[i + 1] == 0) return -1;
      i += 2;
    } else {
      if (index == i) return 0;
      i += 1;
    }
  }
  return -1;
}
