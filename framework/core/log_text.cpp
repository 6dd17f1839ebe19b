#include "core/log_text.h"

#include <stdarg.h>

#include "core/log.h"
#include "core/strings.h"

int WriteLogText(const char *format, ...) {
  char text[LOG_FORMAT_BUFFER_SIZE];
  va_list args;
  va_start(args, format);
  FormatStringV(text, sizeof(text), format, args);
  va_end(args);
  return WriteLogLine(text);
}
