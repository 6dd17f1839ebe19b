// ParseDouble over arbitrary bytes: it must end promptly whatever the
// exponent, read nothing past the terminator, and agree with strtod on every
// text it accepts whose value lies well inside the normal double range.
#include <math.h>
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

#include "core/util/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::vector<char> text(size + 1);
  if (size > 0) memcpy(text.data(), data, size);
  text[size] = '\0';
  const double value = ParseDouble(text.data());
  if (value == 0 || !isfinite(value)) return 0;
  const double magnitude = fabs(value);
  if (magnitude < 1e-290 || magnitude > 1e290) return 0;
  // An accepted text is plain decimal syntax, which strtod reads the same way.
  const double reference = strtod(text.data(), NULL);
  if (fabs(value - reference) > 1e-12 * fabs(reference)) __builtin_trap();
  return 0;
}
