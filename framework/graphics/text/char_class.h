// Single- and double-byte characters of byte strings, and UTF-16 surrogate
// pairs. Character-set codes: 0 default, 1 Shift-JIS, 2 Korean,
// 3 traditional Chinese, 4 simplified Chinese.
#ifndef VELVANE_GRAPHICS_CHAR_CLASS_H
#define VELVANE_GRAPHICS_CHAR_CLASS_H

enum {
  CHARSET_DEFAULT = 0,
  CHARSET_SHIFTJIS = 1,
  CHARSET_HANGEUL = 2,
  CHARSET_BIG5 = 3,
  CHARSET_GB2312 = 4
};

// 1 when the byte at p begins a double-byte character of the character set.
int IsDoubleByteLead(const char *p, int charSetCode);
// Bytes the character at p occupies: 2 for a lead byte followed by another
// byte, else 1, so a lead byte right before the terminator never carries a
// scan past it.
int MultiByteCharSize(const char *p, int charSetCode);
// Byte index of s: 0 single-byte, 1 lead, 2 second byte, -1 past the end.
int ClassifyMultiBytePosition(const char *s, int index, int charSetCode);
// 1 for a UTF-16 unit in 0xD800-0xDBFF.
int IsHighSurrogate(unsigned unit);
// Unit index of s: 0 single unit, 1 first of a pair, 2 second, -1 past the end.
int ClassifyUtf16Position(const char16_t *s, int index);

#endif  // VELVANE_GRAPHICS_CHAR_CLASS_H
