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
// (Inline, as the next one: string walks ask for every byte.)
inline int IsDoubleByteLead(const char *p, int charSetCode) {
  const unsigned char c = static_cast<unsigned char>(*p);
  switch (charSetCode) {
    case CHARSET_HANGEUL:
    case CHARSET_BIG5:
    case CHARSET_GB2312:
      return c >= 0x80 ? 1 : 0;
    default:
      return ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) ? 1 : 0;
  }
}
// Bytes the character at p occupies: 2 for a lead byte followed by another
// byte, else 1, so a lead byte right before the terminator never carries a
// scan past it.
inline int MultiByteCharSize(const char *p, int charSetCode) {
  return (IsDoubleByteLead(p, charSetCode) && p[1] != '\0') ? 2 : 1;
}
// Byte index of s: 0 single-byte, 1 lead, 2 second byte, -1 past the end.
int ClassifyMultiBytePosition(const char *s, int index, int charSetCode);
// 1 for a UTF-16 unit in 0xD800-0xDBFF.
int IsHighSurrogate(unsigned unit);
// Unit index of s: 0 single unit, 1 first of a pair, 2 second, -1 past the end.
int ClassifyUtf16Position(const char16_t *s, int index);

#endif  // VELVANE_GRAPHICS_CHAR_CLASS_H
