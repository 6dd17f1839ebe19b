// Bounded formatting into caller buffers. The UTF-16 forms are written here
// rather than over vswprintf because wchar_t is 2 bytes on Windows and 4 on
// the host, and the two runtimes read %s differently.
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "core/util/strings.h"

namespace {

// Appends UTF-16 units to a bounded buffer, counting what fits.
struct WideSink {
  char16_t *buffer;
  int capacity;  // units available for text (the terminator excluded)
  int length;

  void Put(char16_t unit) {
    if (length < capacity) buffer[length++] = unit;
  }
  void PutBytes(const char *text, size_t count) {
    for (size_t i = 0; i < count; i++) Put(static_cast<unsigned char>(text[i]));
  }
  void PutWide(const char16_t *text, int count) {
    for (int i = 0; i < count; i++) Put(text[i]);
  }
  void PutSpaces(int count) {
    for (int i = 0; i < count; i++) Put(' ');
  }
};

bool IsFlagOrWidth(char16_t c) {
  return c == '-' || c == '+' || c == ' ' || c == '#' || c == '0' || (c >= '1' && c <= '9') ||
         c == '.';
}

// The field width of a conversion spec such as "%-12.3"; leftAlign reports
// the '-' flag.
int FieldWidth(const char *spec, bool *leftAlign) {
  const char *p = spec + 1;
  for (; *p == '-' || *p == '+' || *p == ' ' || *p == '#' || *p == '0'; p++) {
    if (*p == '-') *leftAlign = true;
  }
  return atoi(p);
}

// Formats one numeric conversion with the narrow runtime, so every flag,
// width and precision behaves exactly as printf's.
int FormatNumber(char *out, size_t size, const char *spec, char conv, const char *length,
                 va_list *args) {
  char narrow[64];
  snprintf(narrow, sizeof(narrow), "%s%s%c", spec, length, conv);
  const bool isLongLong = strcmp(length, "ll") == 0 || strcmp(length, "I64") == 0;
  const bool isLong = strcmp(length, "l") == 0;
  const bool isSize = strcmp(length, "z") == 0 || strcmp(length, "t") == 0 ||
                      strcmp(length, "j") == 0 || strcmp(length, "I") == 0;
  if (strcmp(length, "I64") == 0) snprintf(narrow, sizeof(narrow), "%sll%c", spec, conv);
  if (strcmp(length, "I") == 0) snprintf(narrow, sizeof(narrow), "%sz%c", spec, conv);
  switch (conv) {
    case 'd': case 'i': case 'u': case 'x': case 'X': case 'o':
      if (isLongLong) return snprintf(out, size, narrow, va_arg(*args, long long));
      if (isLong) return snprintf(out, size, narrow, va_arg(*args, long));
      if (isSize) return snprintf(out, size, narrow, va_arg(*args, size_t));
      return snprintf(out, size, narrow, va_arg(*args, int));
    case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A':
      if (strcmp(length, "L") == 0) return snprintf(out, size, narrow, va_arg(*args, long double));
      return snprintf(out, size, narrow, va_arg(*args, double));
    case 'p':
      return snprintf(out, size, "%p", va_arg(*args, void *));
    default:
      return -1;
  }
}

}  // namespace

int FormatStringV(char *buffer, int bufferSize, const char *format, va_list args) {
  if (!buffer || bufferSize <= 0) return -1;
  int n = vsnprintf(buffer, static_cast<size_t>(bufferSize), format, args);
  if (n < 0) {
    buffer[0] = '\0';
    return 0;
  }
  return n < bufferSize ? n : bufferSize - 1;
}

int FormatString(char *buffer, int bufferSize, const char *format, ...) {
  va_list args;
  va_start(args, format);
  FormatStringV(buffer, bufferSize, format, args);
  va_end(args);
  return 0;
}

int FormatStringVW(char16_t *buffer, int bufferSize, const char16_t *format, va_list args) {
  if (!buffer || bufferSize <= 0) return -1;
  WideSink sink = {buffer, bufferSize - 1, 0};
  va_list ap;
  va_copy(ap, args);
  for (const char16_t *p = format; *p; p++) {
    if (*p != '%') {
      sink.Put(*p);
      continue;
    }
    if (p[1] == '%') {
      sink.Put('%');
      p++;
      continue;
    }
    char spec[32] = "%";
    size_t specLength = 1;
    const char16_t *q = p + 1;
    while (*q && (IsFlagOrWidth(*q) || *q == '*') && specLength < sizeof(spec) - 8) {
      if (*q == '*') {
        specLength += snprintf(spec + specLength, sizeof(spec) - specLength, "%d", va_arg(ap, int));
      } else {
        spec[specLength++] = static_cast<char>(*q);
      }
      q++;
    }
    spec[specLength] = '\0';
    char length[4] = "";
    if (q[0] == 'I' && q[1] == '6' && q[2] == '4') {
      strcpy(length, "I64");
      q += 3;
    } else if (q[0] == 'l' && q[1] == 'l') {
      strcpy(length, "ll");
      q += 2;
    } else if (q[0] == 'h' && q[1] == 'h') {
      strcpy(length, "hh");
      q += 2;
    } else if (*q == 'l' || *q == 'h' || *q == 'z' || *q == 't' || *q == 'j' || *q == 'L' ||
               *q == 'I') {
      length[0] = static_cast<char>(*q);
      length[1] = '\0';
      q++;
    }
    const char16_t conv = *q;
    if (conv == 0) break;
    p = q;
    int precision = -1;
    const char *dot = strchr(spec, '.');
    if (dot) precision = atoi(dot + 1);
    if (conv == 's' || conv == 'c') {
      // Text conversions are laid out here: the field width pads them.
      const bool narrow = strcmp(length, "h") == 0;
      const char *bytes = NULL;
      const char16_t *wide = NULL;
      char16_t unit = 0;
      int count = 1;
      if (conv == 'c') {
        int value = va_arg(ap, int);
        unit = static_cast<char16_t>(narrow ? (value & 0xFF) : value);
        wide = &unit;
      } else if (narrow) {
        bytes = va_arg(ap, const char *);
        if (!bytes) bytes = "(null)";
        count = static_cast<int>(strlen(bytes));
      } else {
        wide = va_arg(ap, const char16_t *);
        if (!wide) wide = u"(null)";
        count = 0;
        while (wide[count]) count++;
      }
      if (precision >= 0 && conv == 's' && precision < count) count = precision;
      bool leftAlign = false;
      const int padding = FieldWidth(spec, &leftAlign) - count;
      if (!leftAlign) sink.PutSpaces(padding);
      if (bytes) {
        sink.PutBytes(bytes, static_cast<size_t>(count));
      } else {
        sink.PutWide(wide, count);
      }
      if (leftAlign) sink.PutSpaces(padding);
    } else {
      char number[512];
      int n = FormatNumber(number, sizeof(number), spec, static_cast<char>(conv), length, &ap);
      if (n < 0) break;
      sink.PutBytes(number, strlen(number));
    }
  }
  va_end(ap);
  buffer[sink.length] = 0;
  return sink.length;
}

int FormatStringW(char16_t *buffer, int bufferSize, const char16_t *format, ...) {
  va_list args;
  va_start(args, format);
  FormatStringVW(buffer, bufferSize, format, args);
  va_end(args);
  return 0;
}
