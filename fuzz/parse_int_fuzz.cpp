// ParseInt over arbitrary bytes: no read past the terminator, no signed
// overflow (UBSan), and -1 whenever the text holds no digit and no minus.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <vector>

#include "core/util/strings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::vector<char> text(size + 1);
  if (size > 0) memcpy(text.data(), data, size);
  text[size] = '\0';
  const int value = ParseInt(text.data());
  const size_t length = strlen(text.data());
  bool hasStart = false;
  for (size_t i = 0; i < length; i++) {
    if ((text[i] >= '0' && text[i] <= '9') || text[i] == '-') hasStart = true;
  }
  if (!hasStart && value != -1) __builtin_trap();
  return 0;
}
