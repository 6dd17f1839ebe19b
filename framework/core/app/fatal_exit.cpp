#include <stdarg.h>

#include "core/util/strings.h"
#include "velvane.h"

namespace {

const int kFatalTextSize = 1024;

}  // namespace

void FatalErrorExitFormat(const char *format, ...) {
  // Cut to the buffer: a fatal message must not overrun it on its way out.
  char text[kFatalTextSize];
  va_list args;
  va_start(args, format);
  FormatStringV(text, sizeof(text), format ? format : "", args);
  va_end(args);
  FatalErrorExit(text);
}
